#include "paths.h"

#include "attributes.h"
#include "failure.h"
#include "filesystemobject.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <unistd.h>

namespace quillbrook {

namespace {

// Positions in a path are 16-bit numbers, counted from 1.
constexpr qsizetype largestPosition = 32767;

qsizetype checkedPosition(qsizetype index, const char* source) {
    if (index + 1 > largestPosition)
        throw Failure(Overflow, QLatin1String(source));
    return index;
}

QString collapseDoubledSeparators(QStringView path) {
    const QChar doubled[] = {pathSeparator, pathSeparator};
    if (!path.contains(QStringView(doubled, 2)))
        return path.toString();
    QString result;
    result.reserve(path.size());
    for (qsizetype i = 0; i < path.size(); ++i) {
        result.append(path[i]);
        if (path[i] == pathSeparator && i + 1 < path.size() && path[i + 1] == pathSeparator)
            ++i;
    }
    return result;
}

// Creating a file in a folder that does not exist is a missing path.
Failure openFailure(int errnoValue, const char* source) {
    return errnoValue == ENOENT ? Failure(PathNotFound, QLatin1String(source))
                                : failureFromErrno(errnoValue, QLatin1String(source));
}

// The plain delete refuses read-only files, as users know it; a link is
// removed as a link.
void plainDelete(const QString& path) {
    if (!isSymbolicLink(path) && (GetAttr(path) & ReadOnlyAttribute))
        throw Failure(PathFileAccessError, QStringLiteral("Kill"));
    QFile file(path);
    if (!file.remove())
        throw Failure(PathFileAccessError, file.errorString(), QStringLiteral("Kill"));
}

} // namespace

bool PathExists(const QString& path) {
    return kindOf(path) != PathKind::Missing;
}

bool FolderExists(const QString& path) {
    try {
        return (GetAttr(path) & DirectoryAttribute) != 0;
    } catch (const Failure&) {
        return false;
    }
}

void DeleteFileQuietly(const QString& path) {
    QCoreApplication::processEvents();
    try {
        plainDelete(path);
    } catch (const Failure&) {
        try {
            ForceDeleteFile(path);
        } catch (const Failure&) {
        }
    }
}

void ForceDeleteFile(const QString& path) {
    FileSystemObject().DeleteFile(path, true);
}

void RemoveFolderQuietly(const QString& path) {
    rmdir(QFile::encodeName(path).constData());
}

void DeleteFolderTree(const QString& path) {
    if (isSymbolicLink(path)) {
        DeleteFileQuietly(path);
        return;
    }
    if (!FolderExists(path))
        return;
    // Here a folder the user may not write keeps its entries from being removed,
    // so it is made writable before they go, not only after.
    SetAttr(path, 0);
    const QStringList names = sortedFolderEntries(path, ListingKind::Everything);
    if (names.size() > largestPosition)
        throw Failure(Overflow, QStringLiteral("DeleteFolderTree"));
    for (const QString& name : names) {
        const QString entry = path + pathSeparator + name;
        const unsigned attributes = GetAttr(entry);
        if ((attributes & DirectoryAttribute) && !(attributes & AliasAttribute)) {
            DeleteFolderTree(entry);
        } else {
            SetAttr(entry, 0);
            DeleteFileQuietly(entry);
        }
    }
    SetAttr(path, 0);
    RemoveFolderQuietly(path);
}

QString FileNameOf(const QString& path) {
    return path.mid(path.lastIndexOf(pathSeparator) + 1);
}

QString FolderOf(const QString& path) {
    const qsizetype last = path.lastIndexOf(pathSeparator);
    if (last < 0)
        return {};
    return path.left(checkedPosition(last, "FolderOf") + 1);
}

QString StripExtension(const QString& fileName) {
    const qsizetype lastDot = fileName.lastIndexOf(QLatin1Char('.'));
    if (lastDot <= 0)
        return fileName;
    return fileName.left(checkedPosition(lastDot, "StripExtension"));
}

QString CleanPath(const QString& path) {
    if (path.isEmpty() || path.front() != pathSeparator)
        return collapseDoubledSeparators(path);
    qsizetype firstOther = 1;
    while (firstOther < path.size() && path[firstOther] == pathSeparator)
        ++firstOther;
    // A leading run of separators becomes one: POSIX has no network-path prefix.
    return pathSeparator + collapseDoubledSeparators(QStringView(path).mid(firstOther));
}

void WriteTextFile(const QString& text, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw openFailure(errno, "WriteTextFile");
    const QByteArray line = text.toLocal8Bit() + "\r\n";
    if (file.write(line) != line.size() || !file.flush())
        throw Failure(PathFileAccessError, QStringLiteral("WriteTextFile"));
}

void WriteBytesIfAbsent(const QByteArray& bytes, const QString& path) {
    QCoreApplication::processEvents();
    if (PathExists(path))
        return;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        throw openFailure(errno, "WriteBytesIfAbsent");
    if (file.write(bytes) != bytes.size() || !file.flush())
        throw Failure(PathFileAccessError, QStringLiteral("WriteBytesIfAbsent"));
}

} // namespace quillbrook
