#include "filedrop.h"

#include "attributes.h"
#include "dialogs.h"
#include "failure.h"
#include "handledoperation.h"
#include "inputlist.h"
#include "paths.h"

#include <QDropEvent>
#include <QMimeData>
#include <QTreeWidget>
#include <QUrl>

namespace quillbrook {

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
    if (adding_)
        return;
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
            appendFilesOfTree(target, path, folderPattern,
                              [](int, const std::function<void()>& action) { action(); });
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
