#include "textfile.h"

#include "filesystemobject.h"

#include <QFile>
#include <QStringDecoder>
#include <array>

namespace quillbrook {

namespace {

struct MarkRow {
    std::array<unsigned char, 4> bytes;
    qint64 length;
    ByteOrderMark outcome;
};

// Tested in this order; the first match decides.
constexpr std::array<MarkRow, 5> markTable{{
    {{0xFF, 0xFE, 0x00, 0x00}, 4, ByteOrderMark::Unicode},
    {{0x00, 0x00, 0xFE, 0xFF}, 4, ByteOrderMark::Unicode},
    {{0xEF, 0xBB, 0xBF}, 3, ByteOrderMark::Utf8},
    {{0xFF, 0xFE}, 2, ByteOrderMark::Unicode},
    {{0xFE, 0xFF}, 2, ByteOrderMark::Unicode},
}};

bool matches(const MarkRow& row, const std::array<unsigned char, 4>& first, qint64 fileLength) {
    return fileLength >= row.length &&
           std::equal(row.bytes.begin(), row.bytes.begin() + row.length, first.begin());
}

} // namespace

QStringList ReadTextLines(const QString& path) {
    const ByteOrderMark mark = CheckByteOrderMark(path);
    if (mark == ByteOrderMark::Utf8)
        return ReadLinesUtf8(path);
    return ReadLinesByTextStream(path, mark == ByteOrderMark::Unicode);
}

ByteOrderMark CheckByteOrderMark(const QString& path) {
    QFile file(path);
    openForReading(file, QStringLiteral("CheckByteOrderMark"));
    std::array<unsigned char, 4> first{};
    const QByteArray read = file.read(first.size());
    std::copy(read.begin(), read.end(), first.begin());
    for (const MarkRow& row : markTable) {
        if (matches(row, first, file.size()))
            return row.outcome;
    }
    return ByteOrderMark::None;
}

QStringList ReadLinesByTextStream(const QString& path, bool unicodeMark) {
    TextStream stream =
        FileSystemObject().OpenTextFile(path, unicodeMark ? TextFormat::Unicode : TextFormat::Ansi);
    QStringList lines;
    if (stream.AtEndOfStream())
        lines.append(QString());
    while (!stream.AtEndOfStream())
        lines.append(stream.ReadLine());
    stream.Close();
    return lines;
}

QStringList ReadLinesUtf8(const QString& path) {
    QStringDecoder utf8(QStringConverter::Utf8);
    return SplitLines(utf8(readFileBytes(path, QStringLiteral("ReadLinesUtf8"))));
}

QStringList SplitLines(const QString& text) {
    return text.split(QStringLiteral("\r\n"));
}

} // namespace quillbrook
