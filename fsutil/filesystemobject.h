#pragma once

#include <QString>
#include <QStringList>

namespace quillbrook {

// A folder as the file-system object hands it out.
class FolderObject {
public:
    explicit FolderObject(QString path) : path_(std::move(path)) {}

    const QString& Path() const { return path_; }
    QString Name() const;
    unsigned Attributes() const;
    bool IsRootFolder() const;
    // The immediate sub-folders, in listing order. Raises a failure (70 for a
    // refused permission, 76 for a missing folder) when they cannot be listed.
    QList<FolderObject> SubFolders() const;

private:
    QString path_;
};

// The small file-system object several file functions share.
class FileSystemObject {
public:
    // Deletes one file; with the force flag read-only files go too. A missing
    // file or one that cannot be removed is a failure.
    void DeleteFile(const QString& path, bool force) const;
    bool FileExists(const QString& path) const;
    // The folder object of an existing folder; a failure when it cannot be opened.
    FolderObject GetFolder(const QString& path) const;
};

} // namespace quillbrook
