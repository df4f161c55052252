#include "filesystemobject.h"

#include "attributes.h"
#include "failure.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <cerrno>

namespace quillbrook {

namespace {

QString decodeAnsi(const QByteArray& bytes) {
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString text = utf8(bytes);
    // Text written in a single-byte code page is no valid UTF-8; reading its
    // bytes as Latin-1 keeps every character instead of losing some.
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

// Without a mark the text is UTF-16 little-endian; a mark of another Unicode
// encoding is honoured rather than read as garbage.
QString decodeUnicode(const QByteArray& bytes) {
    QStringDecoder decoder(
        QStringConverter::encodingForData(bytes).value_or(QStringConverter::Utf16LE));
    return decoder(bytes);
}

bool isLineBreak(QChar c) {
    return c == QLatin1Char('\n') || c == QLatin1Char('\r');
}

} // namespace

QString TextStream::ReadLine() {
    qsizetype end = position_;
    while (end < text_.size() && !isLineBreak(text_[end]))
        ++end;
    QString line = text_.mid(position_, end - position_);
    if (QStringView(text_).mid(end, 2) == u"\r\n")
        ++end;
    position_ = std::min(end + 1, text_.size());
    return line;
}

void TextStream::Close() {
    text_.clear();
    position_ = 0;
}

void FileSystemObject::DeleteFile(const QString& path, bool force) const {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        throw Failure(FileNotFound, QStringLiteral("DeleteFile"));
    if (info.isDir() && !info.isSymLink())
        throw Failure(FileNotFound, QStringLiteral("DeleteFile"));
    if (!info.isSymLink() && (GetAttr(path) & ReadOnlyAttribute)) {
        if (!force)
            throw Failure(PermissionDenied, QStringLiteral("DeleteFile"));
        SetAttr(path, 0);
    }
    if (!QFile::remove(path))
        throw Failure(PermissionDenied, QStringLiteral("DeleteFile"));
}

bool FileSystemObject::FileExists(const QString& path) const {
    return kindOf(path) == PathKind::RegularFile;
}

TextStream FileSystemObject::OpenTextFile(const QString& path, TextFormat format) const {
    const QByteArray bytes = readFileBytes(path, QStringLiteral("OpenTextFile"));
    return TextStream(format == TextFormat::Unicode ? decodeUnicode(bytes) : decodeAnsi(bytes));
}

void openForReading(QFile& file, const QString& source) {
    // Qt refuses a folder without an error number of its own: that is an
    // access error, as it is for any other reason left unnamed.
    errno = 0;
    if (!file.open(QIODevice::ReadOnly))
        throw failureFromErrno(errno, source);
}

QByteArray readFileBytes(const QString& path, const QString& source) {
    QFile file(path);
    openForReading(file, source);
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Failure(PathFileAccessError, file.errorString(), source);
    return bytes;
}

} // namespace quillbrook
