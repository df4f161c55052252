#include "conversionfixture.h"
#include "filetree.h"
#include "inputlist.h"
#include "listtexts.h"

#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

using namespace quillbrook;

namespace {

// Stands in for calibre: notes each input, and holds the first conversion
// until the test lets it go, so that the test acts while the run is going on.
const char slowCalibre[] = R"(#!/bin/sh
printf '%s\n' "$1" >> "$QUILLBROOK_SLOW_CALLS"
if [ ! -e "$QUILLBROOK_SLOW_STARTED" ]; then
    : > "$QUILLBROOK_SLOW_STARTED"
    while [ ! -e "$QUILLBROOK_SLOW_GO" ]; do sleep 0.02; done
fi
cp -- "$1" "$2"
)";

void dropFiles(QWidget* target, const QStringList& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    data.setUrls(urls);
    const QPoint point = target->rect().center();
    QDragEnterEvent enter(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDropEvent drop(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
}

bool showsWaitPointer(const QWidget& window) {
    return window.testAttribute(Qt::WA_SetCursor) && window.cursor().shape() == Qt::WaitCursor;
}

} // namespace

// The window stays busy for the whole of a conversion run, whatever the
// commands used meanwhile do with the pointer: additions are taken, removals
// and reorders are refused, and the run converts exactly what it listed.
class BusyRunTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void runStaysBusyThroughAFolderAddAndADrop();

private:
    QString inFakeFolder(const QString& name) const { return fakeFolder_.filePath(name); }
    QStringList convertedInputs() const;
    void useSlowCalibre();
    // The gestures that would remove or reorder items, each tried in turn.
    void tryToRemoveAndReorder();

    std::unique_ptr<test::ConversionFixture> fx_;
    QTemporaryDir fakeFolder_;
};

void BusyRunTest::init() {
    fx_ = std::make_unique<test::ConversionFixture>();
    useSlowCalibre();
    fx_->form().show();
    QVERIFY(QTest::qWaitForWindowExposed(&fx_->form()));
}

void BusyRunTest::cleanup() {
    QFile::remove(inFakeFolder("started"));
    QFile::remove(inFakeFolder("go"));
    QFile::remove(inFakeFolder("calls"));
    const auto fx = std::move(fx_);
    QCOMPARE(fx->dialogs().unusedAnswers(), QString());
    QCOMPARE(fx->dialogs().errorReports(), QStringList());
}

// The fixture puts PATH back when it goes.
void BusyRunTest::useSlowCalibre() {
    const QString script = inFakeFolder("ebook-convert");
    QFile file(script);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(slowCalibre) > 0);
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("QUILLBROOK_SLOW_CALLS", QFile::encodeName(inFakeFolder("calls")));
    qputenv("QUILLBROOK_SLOW_STARTED", QFile::encodeName(inFakeFolder("started")));
    qputenv("QUILLBROOK_SLOW_GO", QFile::encodeName(inFakeFolder("go")));
    qputenv("PATH", QFile::encodeName(fakeFolder_.path()) + ':' + qgetenv("PATH"));
}

QStringList BusyRunTest::convertedInputs() const {
    QFile calls(inFakeFolder("calls"));
    if (!calls.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(calls.readAll()).split('\n', Qt::SkipEmptyParts);
}

void BusyRunTest::tryToRemoveAndReorder() {
    Form1& form = fx_->form();
    QTreeWidget* list = form.ListView1;
    QWidget* rows = list->viewport();
    const auto centreOf = [list](int row) {
        return list->visualItemRect(list->topLevelItem(row)).center();
    };
    form.PushButton6->click();
    list->setCurrentItem(list->topLevelItem(1));
    QTest::keyClick(list, Qt::Key_Delete);
    QTest::mouseClick(rows, Qt::LeftButton, {}, centreOf(2));
    QTest::mouseDClick(rows, Qt::LeftButton, {}, centreOf(2));
    QTest::mouseRelease(rows, Qt::LeftButton, {}, centreOf(2));
    QTest::mousePress(rows, Qt::LeftButton, {}, centreOf(0));
    QTest::mouseMove(rows, centreOf(1));
    QTest::mouseMove(rows, centreOf(2));
    QTest::mouseRelease(rows, Qt::LeftButton, {}, centreOf(2));
}

void BusyRunTest::runStaysBusyThroughAFolderAddAndADrop() {
    const QStringList inputs{fx_->write("in/a.mobi", "a"), fx_->write("in/b.mobi", "b"),
                             fx_->write("in/c.mobi", "c")};
    fx_->add(inputs);
    const QString more = fx_->files() + "/more";
    test::makeTree(more, {"d.mobi", "sub/e.mobi"});
    const QString dropped = fx_->files() + "/dropped";
    test::makeTree(dropped, {"f.mobi"});
    const QStringList added{more + "/d.mobi", more + "/sub/e.mobi", dropped + "/f.mobi"};
    Form1& form = fx_->form();

    // Whatever the run does with window events, this acts once the converter
    // has started on the first input and then lets the converter go on.
    bool acted = false;
    bool dropTaken = false;
    QStringList listAfterAdding;
    bool busyAfterAdding = false;
    QStringList listAfterGestures;
    QTimer whileConverting;
    connect(&whileConverting, &QTimer::timeout, this, [&] {
        if (acted || !QFile::exists(inFakeFolder("started")))
            return;
        acted = true;
        fx_->dialogs().answerInput("mobi");
        fx_->dialogs().answerPickFolder(more);
        form.PushButton4->click();
        dropFiles(form.ListView1->viewport(), {dropped});
        // The drop is taken once the drag source has been released.
        dropTaken = QTest::qWaitFor([&] { return inputlist::count(*form.ListView1) == 6; });
        listAfterAdding = test::listTexts(*form.ListView1);
        busyAfterAdding = showsWaitPointer(form);
        tryToRemoveAndReorder();
        listAfterGestures = test::listTexts(*form.ListView1);
        QFile(inFakeFolder("go")).open(QIODevice::WriteOnly);
    });
    whileConverting.start(20);

    form.PushButton2->click();
    QTRY_VERIFY_WITH_TIMEOUT(!fx_->dialogs().messages().isEmpty(), 60000);

    QVERIFY(acted);
    QVERIFY(dropTaken);
    QCOMPARE(listAfterAdding, inputs + added);
    QVERIFY2(busyAfterAdding, "a folder add or drop that ended mid-run restored the pointer");
    QCOMPARE(listAfterGestures, inputs + added);
    QCOMPARE(fx_->dialogs().messages(),
             QStringList{test::doneAllConverted(int(inputs.size() + added.size()))});
    // Each input exactly once, those added during the run too; several
    // converters at once may take them in any order.
    QStringList converted = convertedInputs();
    QStringList expected = inputs + added;
    converted.sort();
    expected.sort();
    QCOMPARE(converted, expected);
    for (const QString& input : expected)
        QVERIFY2(QFile::exists(fx_->files() + '/' + QFileInfo(input).completeBaseName() + ".epub"),
                 qPrintable(input));
    QVERIFY(!showsWaitPointer(form));
}

QTEST_MAIN(BusyRunTest)
#include "tst_busyrun.moc"
