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

// How long a batch of paths waits before it looks again whether a folder add's
// listing is over.
constexpr int waitForFolderAddMs = 50;

// The window is busy with the listing as with any folder add, so the list
// refuses removals and reorders meanwhile and a run does not start in it; the
// default pointer comes back only when no conversion run is going on.
void addFolderAsDropped(const FolderCommandTarget& target, const QString& folder,
                        const QStringList& folderPatterns) {
    const BusyScope busy(target.window, BusyWork::folderAdd);
    appendFilesOfTree(target, folder, folderPatterns, runStepPlainly);
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

PathBatchQueue::PathBatchQueue(FolderCommandTarget target, AddBatch addBatch, QObject* parent)
    : QObject(parent), target_(target), addBatch_(std::move(addBatch)) {}

void PathBatchQueue::append(const QStringList& paths) {
    pending_.append(paths);
    QMetaObject::invokeMethod(this, &PathBatchQueue::addPending, Qt::QueuedConnection);
}

void PathBatchQueue::addPending() {
    if (adding_ || target_.lifetime.ended())
        return;
    if (isBusyWith(target_.window, BusyWork::folderAdd)) {
        QTimer::singleShot(waitForFolderAddMs, this, &PathBatchQueue::addPending);
        return;
    }
    adding_ = true;
    while (!pending_.isEmpty() && !target_.lifetime.ended())
        addBatch_(pending_.takeFirst());
    adding_ = false;
}

FileDrop::FileDrop(FolderCommandTarget target, QObject* parent)
    : QObject(parent), target_(target),
      drops_(
          target, [this](const QStringList& paths) { ListView1_OLEDragDrop(paths); }, this) {}

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
        // The drag source waits until the drop event returns: the files are
        // added once it has been released.
        if (event->type() == QEvent::Drop)
            drops_.append(paths);
        return true;
    }
    default:
        return false;
    }
}

void FileDrop::ListView1_OLEDragDrop(const QStringList& paths) {
    for (const QString& path : paths) {
        if (target_.lifetime.ended())
            return;
        addPathAsDropped(target_, path, {QStringLiteral("*.*")});
    }
}

void takePathAsDropped(const QString& path, Dialogs& dialogs, const FileTaker& takeFile,
                       const FileTaker& takeFolder) {
    // A path removed while it was being dragged is passed over.
    if (!PathExists(path))
        return;
    try {
        if (GetAttr(path) & DirectoryAttribute)
            takeFolder(path);
        else
            takeFile(path);
    } catch (const Failure& failure) {
        dialogs.messageBox(QStringLiteral("\"%1\" could not be added to the list completely:\r\n%2")
                               .arg(path, failure.description()),
                           Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation);
    }
}

void addPathAsDropped(const FolderCommandTarget& target, const QString& path,
                      const QStringList& folderPatterns) {
    takePathAsDropped(
        path, target.dialogs, [&](const QString& file) { inputlist::append(target.list, file); },
        [&](const QString& folder) { addFolderAsDropped(target, folder, folderPatterns); });
}

} // namespace quillbrook
