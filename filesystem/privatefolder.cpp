#include "privatefolder.h"

#include "failure.h"
#include "paths.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace quillbrook {

QString userTemporaryFolderPath() {
    return QDir::tempPath() + pathSeparator + QStringLiteral("quillbrook-") +
           QString::number(geteuid());
}

bool MakeOwnPrivateFolder(const QString& folder, mode_t refusedToOthers, const QString& source) {
    const QByteArray name = QFile::encodeName(folder);
    if (mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        throw failureFromErrno(errno, source);
    struct stat status {};
    if (lstat(name.constData(), &status) != 0)
        throw failureFromErrno(errno, source);
    return S_ISDIR(status.st_mode) && status.st_uid == geteuid() &&
           (status.st_mode & refusedToOthers) == 0;
}

} // namespace quillbrook
