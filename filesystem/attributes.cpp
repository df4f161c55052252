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

OpenFolder openFolderAt(int folder, const QByteArray& name) {
    const int opened =
        name.isEmpty() ? -1 : openat(folder, name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    OpenFolder open;
    if (opened >= 0) {
        open.directory_.reset(fdopendir(opened));
        if (!open.isOpen())
            close(opened);
    }
    if (!open.isOpen())
        throw failureFromErrno(errno == ENOENT || name.isEmpty() ? ENOTDIR : errno,
                               QStringLiteral("sortedFolderEntries"));
    return open;
}

// Lets the listing read the folder's entries.
struct OpenFolderListing {
    static DIR* directory(OpenFolder& folder) { return folder.directory_.get(); }
};

QList<ListedName> sortedNativeFolderEntries(OpenFolder& folder, ListingKind kind) {
    DIR* directory = OpenFolderListing::directory(folder);
    QList<ListedName> entries;
    while (const dirent* entry = readdir(directory)) {
        const std::string_view rawName(entry->d_name);
        if (rawName == "." || rawName == "..")
            continue;
        if (kind != ListingKind::Everything) {
            bool isFolder = entry->d_type == DT_DIR;
            if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK)
                isFolder =
                    kindAt(folder.descriptor(), QByteArray(entry->d_name)) == PathKind::Folder;
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
    OpenFolder opened = openFolderAt(AT_FDCWD, QFile::encodeName(folder));
    for (const ListedName& entry : sortedNativeFolderEntries(opened, kind))
        names.append(entry.name);
    return names;
}

} // namespace quillbrook
