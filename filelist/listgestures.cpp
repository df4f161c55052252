#include "listgestures.h"

#include "busystate.h"
#include "inputlist.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QTreeWidget>

namespace quillbrook {

namespace {

// Screen rows, in pixels, above and below which a swap scrolls the list by one
// item towards the pointer.
constexpr int scrollUpBelowRow = 305;
constexpr int scrollDownFromRow = 365;

} // namespace

ListGestures::ListGestures(QTreeWidget& list, QWidget& window, QString dragPointerFile)
    : QObject(&list), list_(list), viewport_(*list.viewport()), window_(window),
      dragPointerFile_(std::move(dragPointerFile)),
      pointerOnScreen_([] { return QCursor::pos(); }) {
    list_.installEventFilter(this);
    viewport_.installEventFilter(this);
    connect(&list_, &QTreeWidget::itemPressed, this, &ListGestures::itemPressed);
}

void ListGestures::setPointerOnScreen(std::function<QPoint()> pointerOnScreen) {
    pointerOnScreen_ = std::move(pointerOnScreen);
}

QTreeWidgetItem* ListGestures::draggedItem() const {
    return dragged_.isValid() ? list_.topLevelItem(dragged_.row()) : nullptr;
}

void ListGestures::removeSelectedItem() {
    if (isBusy(window_))
        return;
    inputlist::removeSelected(list_);
}

bool ListGestures::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &viewport_)
        return viewportEvent(event);
    if (watched == &list_)
        return listEvent(event);
    return false;
}

bool ListGestures::viewportEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        buttonDown_ = true;
        return false;
    case QEvent::MouseButtonDblClick:
        removeSelectedItem();
        return true;
    case QEvent::MouseMove:
        pointerMoved(static_cast<QMouseEvent*>(event)->position().toPoint());
        // While the button is held the gesture alone decides the selection and
        // the scrolling; the list's own drag-selection would fight it.
        return buttonDown_;
    case QEvent::MouseButtonRelease:
        buttonReleased();
        return false;
    default:
        return false;
    }
}

bool ListGestures::listEvent(QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Delete) {
        removeSelectedItem();
        return true;
    }
    const bool control = (key->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier;
    if (!control || (key->key() != Qt::Key_Up && key->key() != Qt::Key_Down))
        return false;
    moveSelectedItem(key->key() == Qt::Key_Up ? -1 : 1);
    return true;
}

// Ctrl+Up and Ctrl+Down: the selected item trades what it holds with its
// neighbour, as a drag over it does, and the selection goes with it.
void ListGestures::moveSelectedItem(int step) {
    if (isBusy(window_))
        return;
    const QList<QTreeWidgetItem*> selected = list_.selectedItems();
    if (selected.isEmpty())
        return;
    QTreeWidgetItem* neighbour =
        list_.topLevelItem(list_.indexOfTopLevelItem(selected.constFirst()) + step);
    if (!neighbour)
        return;
    inputlist::swapItems(*selected.constFirst(), *neighbour);
    list_.setCurrentItem(neighbour);
    list_.scrollToItem(neighbour);
}

void ListGestures::itemPressed(QTreeWidgetItem* item) {
    const QPixmap dragPointer(dragPointerFile_);
    // Without its image the gesture still works under the current pointer.
    if (!dragPointer.isNull())
        list_.setCursor(QCursor(dragPointer));
    // Dragging items out to other programs is off, so a drag inside the list is
    // always this gesture. Drops from file managers stay accepted.
    list_.setDragEnabled(false);
    dragged_ = list_.model()->index(list_.indexOfTopLevelItem(item), 0);
}

// The window's pointer over the list is the pointer rules' business; a move
// here only matters while a button is held. While the window is busy the
// order may not change: a conversion run walks the list by position.
void ListGestures::pointerMoved(const QPoint& position) {
    if (!buttonDown_ || isBusy(window_))
        return;
    QTreeWidgetItem* dragged = draggedItem();
    QTreeWidgetItem* hoverItem = list_.itemAt(position);
    if (!dragged || !hoverItem || dragged->text(0) == hoverItem->text(0))
        return;
    swapWithDragged(hoverItem);
}

void ListGestures::swapWithDragged(QTreeWidgetItem* hoverItem) {
    inputlist::swapItems(*draggedItem(), *hoverItem);
    const int hoverRow = list_.indexOfTopLevelItem(hoverItem);
    // Moving the selection must not scroll by itself: the pointer's screen row
    // alone decides that.
    const bool autoScroll = list_.hasAutoScroll();
    list_.setAutoScroll(false);
    list_.setCurrentItem(hoverItem);
    list_.setAutoScroll(autoScroll);
    dragged_ = list_.model()->index(hoverRow, 0);
    scrollTowardsPointer(hoverRow);
}

void ListGestures::scrollTowardsPointer(int hoverRow) {
    const int screenRow = pointerOnScreen_().y();
    if (screenRow < scrollUpBelowRow) {
        if (hoverRow >= 1)
            list_.scrollToItem(list_.topLevelItem(hoverRow - 1));
    } else if (screenRow >= scrollDownFromRow) {
        if (hoverRow + 1 < list_.topLevelItemCount())
            list_.scrollToItem(list_.topLevelItem(hoverRow + 1));
    }
}

void ListGestures::buttonReleased() {
    buttonDown_ = false;
    list_.setCursor(Qt::ArrowCursor);
}

} // namespace quillbrook
