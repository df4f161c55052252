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

} // namespace quillbrook
