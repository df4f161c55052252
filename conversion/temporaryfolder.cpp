#include "temporaryfolder.h"

#include "failure.h"
#include "paths.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillbrook {

namespace {

Failure unsafeFolder(const QString& folder) {
    return Failure(
        PermissionDenied,
        QStringLiteral("The temporary folder %1 is not the user's own private folder").arg(folder),
        QStringLiteral("TemporaryFolder"));
}

QString privateFolder() {
    const QString folder = QDir::tempPath() + pathSeparator + QStringLiteral("quillbrook-") +
                           QString::number(geteuid());
    const QByteArray name = QFile::encodeName(folder);
    if (mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        throw failureFromErrno(errno, QStringLiteral("TemporaryFolder"));
    struct stat status {};
    if (lstat(name.constData(), &status) != 0)
        throw failureFromErrno(errno, QStringLiteral("TemporaryFolder"));
    if (!S_ISDIR(status.st_mode) || status.st_uid != geteuid() || (status.st_mode & 022) != 0)
        throw unsafeFolder(folder);
    return folder;
}

// Taken when the program is loaded, before anything can change the current folder.
const QString startFolder = QDir::currentPath();

} // namespace

QString TemporaryFolder() {
    const QString temp = qEnvironmentVariable("TEMP");
    if (temp.isEmpty())
        return privateFolder();
    return QDir::isRelativePath(temp) ? startFolder + pathSeparator + temp : temp;
}

} // namespace quillbrook
