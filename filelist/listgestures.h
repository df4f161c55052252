#pragma once

#include <QObject>
#include <QPersistentModelIndex>
#include <QPoint>
#include <QString>
#include <functional>

class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace quillbrook {

// The mouse and key gestures of the input list: removing the selected item by
// double-click or the Delete key, and reordering items by dragging one over the
// others or by moving the selected one with Ctrl+Up and Ctrl+Down. The reorder
// swaps what items hold, their texts and the folders they came with; items
// themselves never move.
class ListGestures : public QObject {
    Q_OBJECT

public:
    // Removals and reorders are refused while the window is busy. The drag
    // pointer image is loaded from the file.
    ListGestures(QTreeWidget& list, QWidget& window, QString dragPointerFile);

    // Where the pointer stands on the screen, in pixels; the screen row decides
    // which way a swap scrolls the list.
    void setPointerOnScreen(std::function<QPoint()> pointerOnScreen);

    // The item the reorder gesture carries; it stays after a gesture ends until
    // the next press on an item, and is none once that item has been removed.
    QTreeWidgetItem* draggedItem() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool viewportEvent(QEvent* event);
    bool listEvent(QEvent* event);
    // Double-click and Delete: removes the selected item unless the window is busy.
    void removeSelectedItem();
    void moveSelectedItem(int step);
    void itemPressed(QTreeWidgetItem* item);
    void pointerMoved(const QPoint& position);
    void swapWithDragged(QTreeWidgetItem* hoverItem);
    void scrollTowardsPointer(int hoverRow);
    void buttonReleased();

    QTreeWidget& list_;
    // Kept apart: events still arrive while the list is being destroyed, when
    // it can no longer be asked for its viewport.
    QWidget& viewport_;
    QWidget& window_;
    QString dragPointerFile_;
    std::function<QPoint()> pointerOnScreen_;
    bool buttonDown_ = false;
    QPersistentModelIndex dragged_;
};

} // namespace quillbrook
