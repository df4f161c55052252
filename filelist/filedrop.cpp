#include "filedrop.h"

#include "attributes.h"
#include "busystate.h"
#include "dialogs.h"
#include "failure.h"
#include "handledoperation.h"
#include "inputlist.h"
#include "paths.h"

#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

namespace quillbrook {

namespace {

// How long a drop waits before it looks again whether a folder add's listing
// is over.
constexpr int waitForFolderAddMs = 50;

// The window is busy with the listing as with any folder add, so the list
// refuses removals and reorders meanwhile and a run does not start in it; the
// default pointer comes back only when no conversion run is going on.
void addFolderAsDropped(const FolderCommandTarget& target, const QString& folder,
                        const QString& folderPattern) {
    const BusyScope busy(target.window, BusyWork::folderAdd);
    appendFilesOfTree(target, folder, folderPattern,
                      [](int, const std::function<void()>& action) { action(); });
}

} // namespace

QStringList droppedFileList(const QMimeData* data) {
    if (!data || !data->hasUrls())
        return {};
    QStringList paths;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            return {};
        paths.append(url.toLocalFile());
    }
    return paths;
}

FileDrop::FileDrop(FolderCommandTarget target, QObject* parent)
    : QObject(parent), target_(target) {}

void FileDrop::acceptFileDrops(FolderCommandTarget target) {
    QWidget* viewport = target.list.viewport();
    viewport->setAcceptDrops(true);
    viewport->installEventFilter(new FileDrop(target, &target.list));
}

bool FileDrop::eventFilter(QObject*, QEvent* event) {
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QStringList paths = droppedFileList(drop->mimeData());
        if (paths.isEmpty()) {
            drop->setDropAction(Qt::IgnoreAction);
            drop->ignore();
            return true;
        }
        drop->acceptProposedAction();
        if (event->type() == QEvent::Drop) {
            pending_.append(paths);
            // The drag source waits until the drop event returns: the files
            // are added once it has been released.
            QMetaObject::invokeMethod(this, &FileDrop::ListView1_OLEDragDrop, Qt::QueuedConnection);
        }
        return true;
    }
    default:
        return false;
    }
}

void FileDrop::ListView1_OLEDragDrop() {
    if (adding_ || target_.lifetime.ended())
        return;
    // A folder add started from the window is listing: the drop's files come
    // after all of its files, not in the middle of them.
    if (isBusyWith(target_.window, BusyWork::folderAdd)) {
        QTimer::singleShot(waitForFolderAddMs, this, &FileDrop::ListView1_OLEDragDrop);
        return;
    }
    adding_ = true;
    while (!pending_.isEmpty() && !target_.lifetime.ended())
        addPathAsDropped(target_, pending_.takeFirst(), QStringLiteral("*.*"));
    adding_ = false;
}

void addPathAsDropped(const FolderCommandTarget& target, const QString& path,
                      const QString& folderPattern) {
    // A path removed while it was being dragged is passed over.
    if (!PathExists(path))
        return;
    try {
        if (GetAttr(path) & DirectoryAttribute)
            addFolderAsDropped(target, path, folderPattern);
        else
            inputlist::append(target.list, path);
    } catch (const Failure& failure) {
        target.dialogs.messageBox(
            QStringLiteral("\"%1\" could not be added to the list completely:\r\n%2")
                .arg(path, failure.description()),
            Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation);
    }
}

} // namespace quillbrook
