#include "temporaryfolder.h"

#include "failure.h"
#include "paths.h"
#include "privatefolder.h"

#include <QDir>
#include <sys/stat.h>

namespace quillbrook {

namespace {

Failure unsafeFolder(const QString& folder) {
    return Failure(
        PermissionDenied,
        QStringLiteral("The temporary folder %1 is not the user's own private folder").arg(folder),
        QStringLiteral("TemporaryFolder"));
}

QString privateFolder() {
    const QString folder = userTemporaryFolderPath();
    if (!MakeOwnPrivateFolder(folder, S_IWGRP | S_IWOTH, QStringLiteral("TemporaryFolder")))
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
