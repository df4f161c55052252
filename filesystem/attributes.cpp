#include "attributes.h"

#include "failure.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace quillbrook {

namespace {

bool userMayNotWrite(const struct stat& status) {
    static const uid_t user = geteuid();
    static const gid_t group = getegid();
    if (status.st_uid == user)
        return !(status.st_mode & S_IWUSR);
    if (status.st_gid == group)
        return !(status.st_mode & S_IWGRP);
    return !(status.st_mode & S_IWOTH);
}

bool isHiddenName(const QByteArray& path) {
    const QByteArrayView name = QByteArrayView(path).sliced(path.lastIndexOf('/') + 1);
    return name.startsWith('.') && name != "." && name != "..";
}

unsigned kindAttributes(const struct stat& status) {
    unsigned attributes = S_ISDIR(status.st_mode) ? DirectoryAttribute : ArchiveAttribute;
    if (userMayNotWrite(status))
        attributes |= ReadOnlyAttribute;
    return attributes;
}

} // namespace

PathKind kindAt(int folder, const QByteArray& name) {
    struct stat status {};
    if (name.isEmpty() || fstatat(folder, name.constData(), &status, 0) != 0)
        return PathKind::Missing;
    if (S_ISREG(status.st_mode))
        return PathKind::RegularFile;
    return S_ISDIR(status.st_mode) ? PathKind::Folder : PathKind::Other;
}

PathKind kindOf(const QString& path) {
    return kindAt(AT_FDCWD, QFile::encodeName(path));
}

bool isSymbolicLink(const QString& path) {
    struct stat status {};
    return !path.isEmpty() && lstat(QFile::encodeName(path).constData(), &status) == 0 &&
           S_ISLNK(status.st_mode);
}

unsigned attributesAt(int folder, const QByteArray& name) {
    struct stat status {};
    if (name.isEmpty() || fstatat(folder, name.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        throw failureFromErrno(name.isEmpty() ? ENOENT : errno, QStringLiteral("GetAttr"));
    unsigned attributes = 0;
    if (S_ISLNK(status.st_mode)) {
        attributes |= AliasAttribute;
        struct stat target {};
        attributes |= fstatat(folder, name.constData(), &target, 0) == 0 ? kindAttributes(target)
                                                                         : ArchiveAttribute;
    } else {
        attributes |= kindAttributes(status);
    }
    if (isHiddenName(name))
        attributes |= HiddenAttribute;
    return attributes;
}

unsigned GetAttr(const QString& path) {
    return attributesAt(AT_FDCWD, QFile::encodeName(path));
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

namespace {

char16_t foldedLetter(QChar letter) {
    const char16_t code = letter.unicode();
    if (code < 0x80)
        return code >= u'A' && code <= u'Z' ? code + (u'a' - u'A') : code;
    return letter.toCaseFolded().unicode();
}

// Case-insensitive order, then case-sensitive; folder listings sort every
// name of every folder, so plain ASCII letters take the short way.
bool listedBefore(const QString& a, const QString& b) {
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i) {
        const char16_t left = foldedLetter(a[i]);
        const char16_t right = foldedLetter(b[i]);
        if (left != right)
            return left < right;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

} // namespace

void sortLikeListings(QStringList& names) {
    std::sort(names.begin(), names.end(), listedBefore);
}

Descriptor openFolderAt(int folder, const QByteArray& name) {
    Descriptor opened(
        name.isEmpty() ? -1 : openat(folder, name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!opened.isOpen())
        throw failureFromErrno(errno == ENOENT || name.isEmpty() ? ENOTDIR : errno,
                               QStringLiteral("sortedFolderEntries"));
    return opened;
}

QList<ListedName> sortedNativeFolderEntries(const Descriptor& folder, ListingKind kind) {
    // The listing reads through a descriptor of its own, so the folder's stays open.
    const int listed = fcntl(folder.get(), F_DUPFD_CLOEXEC, 0);
    const std::unique_ptr<DIR, int (*)(DIR*)> directory(listed < 0 ? nullptr : fdopendir(listed),
                                                        closedir);
    if (!directory) {
        const int error = errno;
        if (listed >= 0)
            close(listed);
        throw failureFromErrno(error, QStringLiteral("sortedFolderEntries"));
    }
    rewinddir(directory.get());
    QList<ListedName> entries;
    while (const dirent* entry = readdir(directory.get())) {
        const std::string_view rawName(entry->d_name);
        if (rawName == "." || rawName == "..")
            continue;
        if (kind != ListingKind::Everything) {
            bool isFolder = entry->d_type == DT_DIR;
            if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK)
                isFolder = kindAt(folder.get(), QByteArray(entry->d_name)) == PathKind::Folder;
            if (isFolder != (kind == ListingKind::FoldersOnly))
                continue;
        }
        const QByteArray nativeName(entry->d_name);
        entries.append({QFile::decodeName(nativeName), nativeName});
    }
    std::sort(entries.begin(), entries.end(), [](const ListedName& a, const ListedName& b) {
        return listedBefore(a.name, b.name);
    });
    return entries;
}

QStringList sortedFolderEntries(const QString& folder, ListingKind kind) {
    QStringList names;
    for (const ListedName& entry :
         sortedNativeFolderEntries(openFolderAt(AT_FDCWD, QFile::encodeName(folder)), kind))
        names.append(entry.name);
    return names;
}

} // namespace quillbrook
