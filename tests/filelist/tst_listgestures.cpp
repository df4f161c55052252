#include "busystate.h"
#include "inputlist.h"
#include "listgestures.h"
#include "listtexts.h"

#include <QHeaderView>
#include <QImage>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <memory>

using namespace quillbrook;

namespace {

// A window holding the list, with the gestures fitted as the main window fits them.
struct ListWindow {
    explicit ListWindow(const QString& dragPointerFile, int visibleRows = 8) {
        list = new QTreeWidget(&window);
        list->setHeaderLabels({QStringLiteral("MOBI File(s)")});
        list->setRootIsDecorated(false);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setUniformRowHeights(true);
        list->setAcceptDrops(true);
        list->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
        // The window's pointer rules follow every move over the list.
        list->viewport()->setMouseTracking(true);
        gestures = new ListGestures(*list, window, dragPointerFile);
        gestures->setPointerOnScreen([this] { return QPoint(10, screenRow); });
        inputlist::append(*list, QStringLiteral("probe"));
        const int rowHeight = list->visualItemRect(list->topLevelItem(0)).height();
        inputlist::clear(*list);
        list->setGeometry(0, 0, 300,
                          list->header()->sizeHint().height() + visibleRows * rowHeight +
                              2 * list->frameWidth());
        window.resize(320, list->height() + 20);
        window.show();
    }

    void fill(const QStringList& texts) const {
        for (const QString& text : texts)
            inputlist::append(*list, text);
    }

    QStringList texts() const { return test::listTexts(*list); }

    int selectedRow() const {
        const QList<QTreeWidgetItem*> selected = list->selectedItems();
        return selected.size() == 1 ? list->indexOfTopLevelItem(selected.constFirst()) : -1;
    }

    QPoint centreOf(int row) const {
        return list->visualItemRect(list->topLevelItem(row)).center();
    }

    QPoint belowTheItems() const { return QPoint(10, list->viewport()->height() - 2); }

    void pressAt(QPoint position) {
        QTest::mousePress(list->viewport(), Qt::LeftButton, {}, position);
        lastPosition = position;
    }
    void moveTo(QPoint position) {
        QTest::mouseMove(list->viewport(), position);
        lastPosition = position;
    }
    void release() const {
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, lastPosition);
    }

    void doubleClickAt(QPoint position) const {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, position);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, position);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, position);
    }

    // A move with no button held, as the pointer passing over the list.
    void hover(QPoint position) const {
        QMouseEvent move(QEvent::MouseMove, position, list->viewport()->mapToGlobal(position),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(list->viewport(), &move);
    }

    // Presses on one row and drags the pointer over the others in turn.
    void drag(int fromRow, const QList<int>& overRows) {
        pressAt(centreOf(fromRow));
        for (int row : overRows)
            moveTo(centreOf(row));
        release();
    }

    QWidget window;
    QTreeWidget* list;
    ListGestures* gestures;
    int screenRow = 335;
    QPoint lastPosition;
};

QStringList numbered(int count) {
    QStringList texts;
    for (int i = 1; i <= count; ++i)
        texts.append(QStringLiteral("/books/%1.mobi").arg(i, 2, 10, QLatin1Char('0')));
    return texts;
}

} // namespace

class ListGesturesTest : public QObject {
    Q_OBJECT

private:
    QString dragPointerFile() const { return folder_.filePath(QStringLiteral("drag.ico")); }

    QTemporaryDir folder_;

private slots:
    void initTestCase();
    void reorder_data();
    void reorder();
    void movesWithoutAButtonSwapNothing();
    void draggedItemIsKeptBetweenGestures();
    void removedDraggedItemIsForgotten_data();
    void removedDraggedItemIsForgotten();
    void autoScroll_data();
    void autoScroll();
    void pointers();
    void missingDragPointerKeepsTheGestureWorking();
    void removal_data();
    void removal();
    void keyboardReorder_data();
    void keyboardReorder();
};

void ListGesturesTest::initTestCase() {
    QVERIFY(folder_.isValid());
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::darkBlue);
    QVERIFY(image.save(dragPointerFile(), "ICO"));
}

void ListGesturesTest::reorder_data() {
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<int>("fromRow");
    QTest::addColumn<QList<int>>("overRows");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("selectedRow");

    const QStringList abc{"/a.mobi", "/b.mobi", "/c.mobi"};
    QTest::newRow("slow drag down")
        << abc << 0 << QList<int>{1, 2} << QStringList{"/b.mobi", "/c.mobi", "/a.mobi"} << 2;
    QTest::newRow("slow drag up") << abc << 2 << QList<int>{1, 0}
                                  << QStringList{"/c.mobi", "/a.mobi", "/b.mobi"} << 0;
    QTest::newRow("fast drag swaps the ends")
        << QStringList{"/a.mobi", "/b.mobi", "/c.mobi", "/d.mobi"} << 0 << QList<int>{3}
        << QStringList{"/d.mobi", "/b.mobi", "/c.mobi", "/a.mobi"} << 3;
    QTest::newRow("staying over the same item")
        << abc << 0 << QList<int>{1, 1, 1} << QStringList{"/b.mobi", "/a.mobi", "/c.mobi"} << 1;
    QTest::newRow("equal texts do nothing")
        << QStringList{"/a.mobi", "/a.mobi", "/b.mobi"} << 0 << QList<int>{1}
        << QStringList{"/a.mobi", "/a.mobi", "/b.mobi"} << 0;
    QTest::newRow("past an equal text the dragged item is still the first")
        << QStringList{"/a.mobi", "/a.mobi", "/b.mobi"} << 0 << QList<int>{1, 2}
        << QStringList{"/b.mobi", "/a.mobi", "/a.mobi"} << 2;
    QTest::newRow("press on the only item")
        << QStringList{"/a.mobi"} << 0 << QList<int>{0} << QStringList{"/a.mobi"} << 0;
}

void ListGesturesTest::reorder() {
    QFETCH(QStringList, items);
    QFETCH(int, fromRow);
    QFETCH(QList<int>, overRows);
    QFETCH(QStringList, expected);
    QFETCH(int, selectedRow);
    ListWindow window(dragPointerFile());
    window.fill(items);
    const QSignalSpy changes(window.list->model(), &QAbstractItemModel::dataChanged);
    window.drag(fromRow, overRows);
    QCOMPARE(window.texts(), expected);
    // The view repaints the swapped texts.
    QCOMPARE(changes.isEmpty(), expected == items);
    QCOMPARE(window.selectedRow(), selectedRow);
    QCOMPARE(window.gestures->draggedItem(), window.list->topLevelItem(selectedRow));
}

void ListGesturesTest::movesWithoutAButtonSwapNothing() {
    ListWindow window(dragPointerFile());
    window.fill({"/a.mobi", "/b.mobi", "/c.mobi"});
    window.drag(0, {});
    window.hover(window.centreOf(1));
    window.hover(window.centreOf(2));
    QCOMPARE(window.texts(), QStringList({"/a.mobi", "/b.mobi", "/c.mobi"}));
    QCOMPARE(window.selectedRow(), 0);
}

void ListGesturesTest::draggedItemIsKeptBetweenGestures() {
    ListWindow window(dragPointerFile());
    window.fill({"/a.mobi", "/b.mobi", "/c.mobi"});
    window.drag(0, {1});
    QCOMPARE(window.texts(), QStringList({"/b.mobi", "/a.mobi", "/c.mobi"}));

    // A press on empty space carries on with the item the last gesture carried.
    window.pressAt(window.belowTheItems());
    window.moveTo(window.centreOf(2));
    window.release();
    QCOMPARE(window.texts(), QStringList({"/b.mobi", "/c.mobi", "/a.mobi"}));
    QCOMPARE(window.selectedRow(), 2);
}

void ListGesturesTest::removedDraggedItemIsForgotten_data() {
    QTest::addColumn<bool>("clearAll");
    QTest::newRow("removed by the Delete key") << false;
    QTest::newRow("list cleared") << true;
}

void ListGesturesTest::removedDraggedItemIsForgotten() {
    QFETCH(bool, clearAll);
    ListWindow window(dragPointerFile());
    window.fill({"/a.mobi", "/b.mobi"});
    window.drag(0, {});
    if (clearAll)
        inputlist::clear(*window.list);
    else
        QTest::keyClick(window.list, Qt::Key_Delete);
    QCOMPARE(window.gestures->draggedItem(), nullptr);

    window.fill({"/c.mobi", "/d.mobi"});
    window.pressAt(window.belowTheItems());
    window.moveTo(window.centreOf(0));
    window.moveTo(window.centreOf(window.list->topLevelItemCount() - 1));
    window.release();
    QCOMPARE(window.texts().mid(window.texts().size() - 2), QStringList({"/c.mobi", "/d.mobi"}));
}

void ListGesturesTest::autoScroll_data() {
    QTest::addColumn<int>("screenRow");
    QTest::addColumn<QString>("where");
    QTest::addColumn<int>("scrolledBy");

    // The list shows 8 rows; "top" and "bottom" are its first and last fully
    // visible rows, "first" and "last" the ends of the list.
    QTest::newRow("304 at the top row shows the item above") << 304 << "top" << -1;
    QTest::newRow("305 at the top row") << 305 << "top" << 0;
    QTest::newRow("364 at the bottom row") << 364 << "bottom" << 0;
    QTest::newRow("365 at the bottom row shows the item below") << 365 << "bottom" << 1;
    QTest::newRow("304 onto the first item") << 304 << "first" << 0;
    QTest::newRow("365 onto the last item") << 365 << "last" << 0;
    QTest::newRow("10 at the top row") << 10 << "top" << -1;
    QTest::newRow("2000 at the bottom row") << 2000 << "bottom" << 1;
}

void ListGesturesTest::autoScroll() {
    QFETCH(int, screenRow);
    QFETCH(QString, where);
    QFETCH(int, scrolledBy);
    const int visibleRows = 8;
    ListWindow window(dragPointerFile(), visibleRows);
    window.fill(numbered(30));
    if (where == "last")
        window.list->scrollToBottom();
    else
        window.list->scrollToItem(window.list->topLevelItem(where == "first" ? 0 : 10),
                                  QAbstractItemView::PositionAtTop);
    const QScrollBar* scrollBar = window.list->verticalScrollBar();
    const int firstShown = scrollBar->value();
    const int lastRow = window.list->topLevelItemCount() - 1;
    const QHash<QString, int> hoverRows{{"top", firstShown},
                                        {"bottom", firstShown + visibleRows - 1},
                                        {"first", 0},
                                        {"last", lastRow}};
    const int hoverRow = hoverRows.value(where);
    const int fromRow = hoverRow == lastRow ? hoverRow - 1 : hoverRow + (where == "top" ? 1 : -1);
    QVERIFY(window.list->viewport()->rect().contains(
        window.list->visualItemRect(window.list->topLevelItem(hoverRow))));

    window.screenRow = screenRow;
    window.drag(fromRow, {hoverRow});
    QCOMPARE(window.selectedRow(), hoverRow);
    QCOMPARE(scrollBar->value() - firstShown, scrolledBy);
}

void ListGesturesTest::pointers() {
    ListWindow window(dragPointerFile());
    window.fill({"/a.mobi", "/b.mobi"});
    window.list->setDragEnabled(true);
    window.pressAt(window.centreOf(0));
    QCOMPARE(window.list->cursor().shape(), Qt::BitmapCursor);
    QCOMPARE(window.list->cursor().pixmap().size(), QSize(32, 32));
    QVERIFY(!window.list->dragEnabled());
    QVERIFY(window.list->acceptDrops());
    window.release();
    QCOMPARE(window.list->cursor().shape(), Qt::ArrowCursor);
    QVERIFY(!window.list->dragEnabled());
    QVERIFY(window.list->acceptDrops());
}

void ListGesturesTest::missingDragPointerKeepsTheGestureWorking() {
    ListWindow window(folder_.filePath(QStringLiteral("missing.ico")));
    window.fill({"/a.mobi", "/b.mobi"});
    window.list->setCursor(Qt::IBeamCursor);
    window.pressAt(window.centreOf(0));
    QCOMPARE(window.list->cursor().shape(), Qt::IBeamCursor);
    window.moveTo(window.centreOf(1));
    window.release();
    QCOMPARE(window.texts(), QStringList({"/b.mobi", "/a.mobi"}));
    QCOMPARE(window.list->cursor().shape(), Qt::ArrowCursor);
}

void ListGesturesTest::removal_data() {
    QTest::addColumn<QString>("gesture");
    QTest::addColumn<bool>("busy");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("expected");

    const QStringList abc{"/a.mobi", "/b.mobi", "/c.mobi"};
    QTest::newRow("double-click removes the item")
        << "double-click" << false << abc << 1 << QStringList{"/a.mobi", "/c.mobi"};
    QTest::newRow("Delete removes the selected item")
        << "Delete" << false << abc << 2 << QStringList{"/a.mobi", "/b.mobi"};
    QTest::newRow("Backspace is ignored") << "Backspace" << false << abc << 1 << abc;
    QTest::newRow("double-click while busy") << "double-click" << true << abc << 1 << abc;
    QTest::newRow("Delete while busy") << "Delete" << true << abc << 1 << abc;
    QTest::newRow("Delete without a selection") << "Delete" << false << abc << -1 << abc;
    QTest::newRow("double-click below the items") << "double-click" << false << abc << -1 << abc;
    QTest::newRow("Delete on an empty list")
        << "Delete" << false << QStringList{} << -1 << QStringList{};
    QTest::newRow("double-click on an empty list")
        << "double-click" << false << QStringList{} << -1 << QStringList{};
}

void ListGesturesTest::removal() {
    QFETCH(QString, gesture);
    QFETCH(bool, busy);
    QFETCH(QStringList, items);
    QFETCH(int, row);
    QFETCH(QStringList, expected);
    ListWindow window(dragPointerFile());
    window.fill(items);
    if (row >= 0)
        window.list->setCurrentItem(window.list->topLevelItem(row));
    if (busy)
        showWaitPointer(window.window);
    if (gesture == "double-click")
        window.doubleClickAt(row >= 0 ? window.centreOf(row) : window.belowTheItems());
    else
        QTest::keyClick(window.list, gesture == "Delete" ? Qt::Key_Delete : Qt::Key_Backspace);
    QCOMPARE(window.texts(), expected);
}

void ListGesturesTest::keyboardReorder_data() {
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<bool>("busy");
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("selectedAfter");

    const QStringList abcd{"/a.mobi", "/b.mobi", "/c.mobi", "/d.mobi"};
    const Qt::KeyboardModifiers control = Qt::ControlModifier;
    QTest::newRow("Ctrl+Down moves the item down")
        << QList<int>{Qt::Key_Down} << control << false << 1
        << QStringList{"/a.mobi", "/c.mobi", "/b.mobi", "/d.mobi"} << 2;
    QTest::newRow("Ctrl+Up twice moves it up two places")
        << QList<int>{Qt::Key_Up, Qt::Key_Up} << control << false << 2
        << QStringList{"/c.mobi", "/a.mobi", "/b.mobi", "/d.mobi"} << 0;
    QTest::newRow("keypad arrows with Ctrl")
        << QList<int>{Qt::Key_Down} << (control | Qt::KeypadModifier) << false << 0
        << QStringList{"/b.mobi", "/a.mobi", "/c.mobi", "/d.mobi"} << 1;
    QTest::newRow("Ctrl+Up on the first item")
        << QList<int>{Qt::Key_Up} << control << false << 0 << abcd << 0;
    QTest::newRow("Ctrl+Down on the last item")
        << QList<int>{Qt::Key_Down} << control << false << 3 << abcd << 3;
    QTest::newRow("refused while busy")
        << QList<int>{Qt::Key_Down, Qt::Key_Up} << control << true << 1 << abcd << 1;
    QTest::newRow("a plain arrow only moves the selection")
        << QList<int>{Qt::Key_Down} << Qt::KeyboardModifiers() << false << 1 << abcd << 2;
}

// The keyboard's way to do what a slow drag does: one place per key press,
// the selection going with the item, and refused while the window is busy.
void ListGesturesTest::keyboardReorder() {
    QFETCH(QList<int>, keys);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(bool, busy);
    QFETCH(int, row);
    QFETCH(QStringList, expected);
    QFETCH(int, selectedAfter);
    ListWindow window(dragPointerFile());
    window.fill({"/a.mobi", "/b.mobi", "/c.mobi", "/d.mobi"});
    window.list->setCurrentItem(window.list->topLevelItem(row));
    if (busy)
        showWaitPointer(window.window);
    for (const int key : keys)
        QTest::keyClick(window.list, Qt::Key(key), modifiers);
    QCOMPARE(window.texts(), expected);
    QCOMPARE(window.selectedRow(), selectedAfter);
}

QTEST_MAIN(ListGesturesTest)
#include "tst_listgestures.moc"
