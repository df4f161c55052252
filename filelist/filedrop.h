#pragma once

#include "addfolder.h"

#include <QObject>
#include <QStringList>

class QMimeData;

namespace quillbrook {

// The paths a drag carries when it is a file list, that is URLs that all name
// local files, in the order the drag source gives them; empty otherwise.
QStringList droppedFileList(const QMimeData* data);

// Adds one path to the list as a drop of it does: a file as it is, a folder
// with every file of its tree that matches the pattern. A path that does not
// exist is passed over; a failure is shown in a message and ends that path only.
void addPathAsDropped(const FolderCommandTarget& target, const QString& path,
                      const QString& folderPattern);

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

    void ListView1_OLEDragDrop();

    FolderCommandTarget target_;
    // Dropped paths not yet added; a drop that arrives while an earlier one is
    // still being added waits its turn, so the list keeps the drop order.
    QStringList pending_;
    bool adding_ = false;
};

} // namespace quillbrook
