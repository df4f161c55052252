#include "attributes.h"

#include "failure.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace quillbrook {

namespace {

bool userMayNotWrite(const struct stat& status) {
    if (status.st_uid == geteuid())
        return !(status.st_mode & S_IWUSR);
    if (status.st_gid == getegid())
        return !(status.st_mode & S_IWGRP);
    return !(status.st_mode & S_IWOTH);
}

bool isHiddenName(const QString& path) {
    const qsizetype lastSeparator = path.lastIndexOf(QLatin1Char('/'));
    const QStringView name = QStringView(path).mid(lastSeparator + 1);
    return name.startsWith(QLatin1Char('.')) && name != QLatin1String(".") &&
           name != QLatin1String("..");
}

unsigned kindAttributes(const struct stat& status) {
    unsigned attributes = S_ISDIR(status.st_mode) ? DirectoryAttribute : ArchiveAttribute;
    if (userMayNotWrite(status))
        attributes |= ReadOnlyAttribute;
    return attributes;
}

} // namespace

unsigned GetAttr(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    struct stat status {};
    if (path.isEmpty() || lstat(native.constData(), &status) != 0)
        throw failureFromErrno(path.isEmpty() ? ENOENT : errno, QStringLiteral("GetAttr"));
    unsigned attributes = 0;
    if (S_ISLNK(status.st_mode)) {
        attributes |= AliasAttribute;
        struct stat target {};
        attributes |=
            stat(native.constData(), &target) == 0 ? kindAttributes(target) : ArchiveAttribute;
    } else {
        attributes |= kindAttributes(status);
    }
    if (isHiddenName(path))
        attributes |= HiddenAttribute;
    return attributes;
}

void SetAttr(const QString& path, unsigned attributes) {
    const QByteArray native = QFile::encodeName(path);
    struct stat status {};
    if (path.isEmpty() || lstat(native.constData(), &status) != 0)
        throw failureFromErrno(path.isEmpty() ? ENOENT : errno, QStringLiteral("SetAttr"));
    if (S_ISLNK(status.st_mode))
        return;
    mode_t mode = status.st_mode & 07777;
    mode = (attributes & ReadOnlyAttribute) ? mode & ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH)
                                            : mode | S_IWUSR;
    if (mode != (status.st_mode & 07777) && chmod(native.constData(), mode) != 0)
        throw failureFromErrno(errno, QStringLiteral("SetAttr"));
}

void sortLikeListings(QStringList& names) {
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int folded = a.compare(b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
}

QStringList sortedFolderEntries(const QString& folder, ListingKind kind) {
    const QByteArray native = QFile::encodeName(folder);
    const std::unique_ptr<DIR, int (*)(DIR*)> directory(opendir(native.constData()), closedir);
    if (!directory)
        throw failureFromErrno(errno == ENOENT ? ENOTDIR : errno,
                               QStringLiteral("sortedFolderEntries"));
    QStringList names;
    while (const dirent* entry = readdir(directory.get())) {
        const QString name = QFile::decodeName(entry->d_name);
        if (name == QLatin1String(".") || name == QLatin1String(".."))
            continue;
        if (kind != ListingKind::Everything) {
            bool isFolder = entry->d_type == DT_DIR;
            if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
                struct stat status {};
                const QByteArray full = native + '/' + QByteArray(entry->d_name);
                isFolder = stat(full.constData(), &status) == 0 && S_ISDIR(status.st_mode);
            }
            if (isFolder != (kind == ListingKind::FoldersOnly))
                continue;
        }
        names.append(name);
    }
    sortLikeListings(names);
    return names;
}

} // namespace quillbrook
