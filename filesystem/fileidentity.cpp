#include "fileidentity.h"

#include <QFile>
#include <fcntl.h>
#include <sys/stat.h>

namespace quillbrook {

std::optional<FileIdentity> identityAt(int folder, const QByteArray& name) {
    struct stat status {};
    if (name.isEmpty() || fstatat(folder, name.constData(), &status, 0) != 0)
        return std::nullopt;
    return FileIdentity{status.st_dev, status.st_ino};
}

std::optional<FileIdentity> identityOf(const QString& path) {
    return identityAt(AT_FDCWD, QFile::encodeName(path));
}

std::optional<FileIdentity> identityOfNameAt(int folder, const QByteArray& name) {
    struct stat status {};
    if (name.isEmpty() || fstatat(folder, name.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        return std::nullopt;
    return FileIdentity{status.st_dev, status.st_ino};
}

std::optional<FileIdentity> identityOfOpen(int descriptor) {
    struct stat status {};
    if (fstat(descriptor, &status) != 0)
        return std::nullopt;
    return FileIdentity{status.st_dev, status.st_ino};
}

} // namespace quillbrook
