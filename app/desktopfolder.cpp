#include "desktopfolder.h"

#include "failure.h"
#include "paths.h"

#include <QStandardPaths>

namespace quillbrook {

namespace {
constexpr int desktopFolderNumber = 0;
}

QString GetSpecialFolderPath(int folderNumber) {
    if (folderNumber != desktopFolderNumber)
        return {};
    QString path = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    while (path.size() > 1 && path.endsWith(pathSeparator))
        path.chop(1);
    return path;
}

QString GetDesktopFolder(const std::function<QString(int)>& specialFolderPath) {
    const QString desktop = specialFolderPath(desktopFolderNumber);
    if (desktop.isEmpty())
        throw Failure(InvalidArgument, QStringLiteral("GetDesktopFolder"));
    return desktop + pathSeparator;
}

} // namespace quillbrook
