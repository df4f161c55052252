#include "busystate.h"
#include "filetree.h"
#include "listfixture.h"

#include <QDir>
#include <QDropEvent>
#include <QImage>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

using namespace quillbrook;

namespace {

std::unique_ptr<QMimeData> fileList(const QStringList& paths) {
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    data->setUrls(urls);
    return data;
}

// What the list did with a drag: whether it took it when it entered and
// moved, and whether it took the drop.
struct DragOutcome {
    bool entered;
    bool moved;
    bool dropped;
};

DragOutcome dragAndDrop(QWidget* target, const QMimeData& data) {
    const QPoint point = target->rect().center();
    QDragEnterEvent enter(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDragMoveEvent move(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &move);
    QDropEvent drop(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    return {enter.isAccepted(), move.isAccepted(), drop.isAccepted()};
}

} // namespace

class FileDropTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void addsDroppedFilesAndFoldersInOrder_data();
    void addsDroppedFilesAndFoldersInOrder();
    void refusesWhatIsNoFileList_data();
    void refusesWhatIsNoFileList();
    void keepsTheOrderOfADropThatArrivesWhileAdding();
    void droppedFolderIsListedAsAFolderAdd();

private:
    QWidget* listArea() const { return fixture_->form->ListView1->viewport(); }

    std::unique_ptr<test::ListFixture> fixture_;
};

void FileDropTest::init() {
    fixture_ = std::make_unique<test::ListFixture>();
    test::makeTree(fixture_->root(), {"one.txt", "~tmp.mobi", "two.mobi", "A/a.mobi", "A/.hidden",
                                      "A/~tmp.mobi", "A/sub/b.epub", "A/sub/deeper/c", "B/d.mobi",
                                      QStringLiteral("C/Müller – Книги/k.mobi")});
}

void FileDropTest::cleanup() {
    QCOMPARE(fixture_->dialogs.unusedAnswers(), QString());
    QVERIFY(fixture_->dialogs.shown().isEmpty());
    fixture_.reset();
}

void FileDropTest::addsDroppedFilesAndFoldersInOrder_data() {
    QTest::addColumn<QStringList>("dropped");
    QTest::addColumn<QStringList>("expected");
    const QStringList treeOfA{"A/a.mobi", "A/sub/b.epub", "A/sub/deeper/c"};
    QTest::newRow("file, folder, file")
        << QStringList{"one.txt", "A", "two.mobi"}
        << QStringList{"one.txt"} + treeOfA + QStringList{"two.mobi"};
    QTest::newRow("two folders") << QStringList{"B", "A"} << QStringList{"B/d.mobi"} + treeOfA;
    QTest::newRow("same file twice, any extension, ~ included")
        << QStringList{"~tmp.mobi", "one.txt", "one.txt"}
        << QStringList{"~tmp.mobi", "one.txt", "one.txt"};
    QTest::newRow("a path that vanished during the drag")
        << QStringList{"gone.mobi", "two.mobi", "gone/"} << QStringList{"two.mobi"};
    QTest::newRow("folder below it named in any script")
        << QStringList{"C"} << QStringList{QStringLiteral("C/Müller – Книги/k.mobi")};
    QTest::newRow("folder dropped with a trailing separator")
        << QStringList{"A/sub/"} << QStringList{"A/sub/b.epub", "A/sub/deeper/c"};
}

void FileDropTest::addsDroppedFilesAndFoldersInOrder() {
    QFETCH(QStringList, dropped);
    QFETCH(QStringList, expected);
    const DragOutcome outcome = dragAndDrop(listArea(), *fileList(fixture_->below(dropped)));
    QVERIFY(outcome.entered && outcome.moved && outcome.dropped);
    QTRY_COMPARE(fixture_->items(), fixture_->below(expected));
}

void FileDropTest::refusesWhatIsNoFileList_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("text") << "text";
    QTest::newRow("image") << "image";
    QTest::newRow("web address") << "web";
    QTest::newRow("files mixed with a web address") << "mixed";
    QTest::newRow("items dragged from another list") << "items";
}

void FileDropTest::refusesWhatIsNoFileList() {
    QFETCH(QString, kind);
    QMimeData data;
    const QUrl web(QStringLiteral("https://example.org/book.mobi"));
    if (kind == "text")
        data.setText(fixture_->root() + "/one.txt");
    else if (kind == "image")
        data.setImageData(QImage(4, 4, QImage::Format_RGB32));
    else if (kind == "web")
        data.setUrls({web});
    else if (kind == "mixed")
        data.setUrls({QUrl::fromLocalFile(fixture_->root() + "/one.txt"), web});
    else
        data.setData("application/x-qabstractitemmodeldatalist", QByteArray(8, '\0'));

    const DragOutcome outcome = dragAndDrop(listArea(), data);
    QVERIFY(!outcome.entered && !outcome.moved && !outcome.dropped);
    QCoreApplication::processEvents();
    QCOMPARE(fixture_->items(), QStringList());
}

void FileDropTest::keepsTheOrderOfADropThatArrivesWhileAdding() {
    // The folder scan lets the window handle events; a second drop handled
    // then waits until the first one is complete.
    const auto second = fileList(fixture_->below({"two.mobi"}));
    bool secondDropped = false;
    QTimer::singleShot(0, this, [&] { secondDropped = dragAndDrop(listArea(), *second).dropped; });
    dragAndDrop(listArea(), *fileList(fixture_->below({"B", "one.txt"})));
    QTRY_COMPARE(fixture_->items(), fixture_->below({"B/d.mobi", "one.txt", "two.mobi"}));
    QVERIFY(secondDropped);
}

// While a dropped folder is listed the window is busy as with any folder add:
// nothing is removed, and neither a folder add nor a run starts in it.
void FileDropTest::droppedFolderIsListedAsAFolderAdd() {
    Form1& form = *fixture_->form;
    inputlist::append(*form.ListView1, fixture_->root() + "/two.mobi");
    test::OnceWhileBusy duringListing(form, [&] {
        form.PushButton6->click();
        form.PushButton4->click();
        form.PushButton2->click();
    });
    duringListing.start();
    dragAndDrop(listArea(), *fileList(fixture_->below({"B"})));
    QTRY_COMPARE(fixture_->items(), fixture_->below({"two.mobi", "B/d.mobi"}));
    QVERIFY(duringListing.acted);
    QVERIFY(!isBusy(form));
}

QTEST_MAIN(FileDropTest)
#include "tst_filedrop.moc"
