#include "filesystemobject.h"

#include "attributes.h"
#include "failure.h"
#include "paths.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>

namespace quillbrook {

QString FolderObject::Name() const {
    return IsRootFolder() ? QString() : FileNameOf(QFileInfo(path_).absoluteFilePath());
}

unsigned FolderObject::Attributes() const {
    return GetAttr(path_);
}

bool FolderObject::IsRootFolder() const {
    return QFileInfo(path_).absoluteFilePath() == QLatin1String("/");
}

QList<FolderObject> FolderObject::SubFolders() const {
    QList<FolderObject> folders;
    const QString prefix = path_.endsWith(pathSeparator) ? path_ : path_ + pathSeparator;
    for (const QString& name : sortedFolderEntries(path_, ListingKind::FoldersOnly))
        folders.append(FolderObject(prefix + name));
    return folders;
}

void FileSystemObject::DeleteFile(const QString& path, bool force) const {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        throw Failure(FileNotFound, QStringLiteral("DeleteFile"));
    if (info.isDir() && !info.isSymLink())
        throw Failure(FileNotFound, QStringLiteral("DeleteFile"));
    if (!info.isSymLink() && (GetAttr(path) & ReadOnlyAttribute)) {
        if (!force)
            throw Failure(PermissionDenied, QStringLiteral("DeleteFile"));
        SetAttr(path, 0);
    }
    if (!QFile::remove(path))
        throw Failure(PermissionDenied, QStringLiteral("DeleteFile"));
}

bool FileSystemObject::FileExists(const QString& path) const {
    return QFileInfo(path).isFile();
}

FolderObject FileSystemObject::GetFolder(const QString& path) const {
    if (!QFileInfo(path).isDir())
        throw Failure(PathNotFound, QStringLiteral("GetFolder"));
    return FolderObject(path);
}

} // namespace quillbrook
