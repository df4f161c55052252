#pragma once

#include "addfolder.h"

#include <QObject>
#include <QStringList>
#include <functional>

class QMimeData;

namespace quillbrook {

// The paths a drag carries when it is a file list, that is URLs that all name
// local files, in the order the drag source gives them; empty otherwise.
QStringList droppedFileList(const QMimeData* data);

// Takes one path as a drop of it does: a file goes to takeFile as it is, a
// folder to takeFolder. A path that does not exist is passed over; a failure
// is shown in a message and ends that path only.
void takePathAsDropped(const QString& path, Dialogs& dialogs, const FileTaker& takeFile,
                       const FileTaker& takeFolder);

// Adds one path to the list as a drop of it does: a file as it is, a folder
// with every file of its tree that matches any of the patterns. A path that
// does not exist is passed over; a failure is shown in a message and ends that
// path only.
void addPathAsDropped(const FolderCommandTarget& target, const QString& path,
                      const QStringList& folderPatterns);

// Batches of paths added to the list one after another, in the order they
// arrived. A folder's listing keeps the window live, so a batch that arrives
// meanwhile, or while a folder add started from the window is listing, waits
// its turn: its files come after all of the earlier ones, not among them.
class PathBatchQueue : public QObject {
    Q_OBJECT

public:
    using AddBatch = std::function<void(const QStringList& paths)>;
    // The queue belongs to the parent; adding stops once the program is ending.
    PathBatchQueue(FolderCommandTarget target, AddBatch addBatch, QObject* parent);

    // The batch is added from the event loop, after the caller has returned.
    void append(const QStringList& paths);

private:
    void addPending();

    FolderCommandTarget target_;
    AddBatch addBatch_;
    QList<QStringList> pending_;
    bool adding_ = false;
};

// Takes files and folders dropped on the list from a file manager: a dropped
// file is appended as it is, a dropped folder with every file of its tree,
// in the order of the drop. A drag that is no file list is refused, so the
// pointer shows that it cannot be dropped. The listing of a dropped folder is
// a folder add: the window is busy with it meanwhile, and a drop that arrives
// during another folder add's listing waits until that listing is over.
class FileDrop : public QObject {
    Q_OBJECT

public:
    // Makes the list take drops; the object that handles them belongs to it.
    static void acceptFileDrops(FolderCommandTarget target);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    FileDrop(FolderCommandTarget target, QObject* parent);

    void ListView1_OLEDragDrop(const QStringList& paths);

    FolderCommandTarget target_;
    PathBatchQueue drops_;
};

} // namespace quillbrook
