#include "dialogs.h"
#include "form1.h"
#include "inputlist.h"
#include "testenvironment.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using namespace quillbrook;

namespace {

// The ids of the top-level windows on the X server whose title is exactly the given one.
QStringList windowsTitled(const QString& title) {
    QProcess tree;
    tree.start(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")});
    tree.waitForFinished(10000);
    QStringList ids;
    const QString marker = QLatin1Char('"') + title + QLatin1Char('"');
    for (const QString& line : QString::fromUtf8(tree.readAllStandardOutput()).split('\n'))
        if (line.contains(marker))
            ids.append(line.trimmed().section(QLatin1Char(' '), 0, 0));
    return ids;
}

QString storedIn(const QString& configHome, const QString& key) {
    const QSettings settings(configHome + QStringLiteral("/Brackwater/Quillbrook.conf"),
                             QSettings::IniFormat);
    return settings.value(key).toString();
}

} // namespace

class RealWindowTest : public QObject {
    Q_OBJECT

private slots:
    void theProgramStartsWithItsWindow();
    void everyControlIsShown();
    void reportsBreakTheirLinesOnScreen();
    void listColumnKeepsItsWidthAndCutsLongPaths();
};

void RealWindowTest::theProgramStartsWithItsWindow() {
    QTemporaryDir configHome;
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome.path());
    program.setProcessEnvironment(environment);
    program.setProgram(test::builtProgramFolder() + QStringLiteral("/quillbrook"));
    program.start();
    QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));

    QTRY_VERIFY_WITH_TIMEOUT(!windowsTitled(QStringLiteral("Quillbrook")).isEmpty(), 30000);
    QTest::qWait(500);
    const QString screenshot = test::saveScreenshot(QStringLiteral("program-started"));
    qInfo("screenshot: %s", qPrintable(screenshot));

    QCOMPARE(storedIn(configHome.path(), QStringLiteral("Option1")), QStringLiteral("True"));
    QCOMPARE(storedIn(configHome.path(), QStringLiteral("Option2")), QStringLiteral("False"));
    QVERIFY(storedIn(configHome.path(), QStringLiteral("Text1")).endsWith(QLatin1Char('/')));

    program.terminate();
    QVERIFY(program.waitForFinished(10000));
}

void RealWindowTest::everyControlIsShown() {
    test::clearSettingsStore();
    QtDialogs dialogs;
    Form1 form({dialogs, test::builtProgramFolder(), [] { return 1; }});
    dialogs.setOwner(&form);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.windowTitle(), QStringLiteral("Quillbrook"));
    for (const char* name :
         {"ListView1", "ProgressBar1", "PushButton1", "PushButton4", "PushButton2", "PushButton6",
          "PushButton7", "Frame2", "Option2", "Option1", "Frame3", "Text1", "PushButton9",
          "KeepSubfolders", "SkipConverted"}) {
        const auto* control = form.findChild<QWidget*>(QLatin1String(name));
        QVERIFY2(control && control->isVisible(), name);
        const QRect onWindow(control->mapTo(&form, QPoint(0, 0)), control->size());
        QVERIFY2(form.rect().contains(onWindow), name);
    }
    // The check boxes' captions fit in the skin's font, right of the option rows.
    for (const QWidget* box :
         {static_cast<QWidget*>(form.KeepSubfolders), static_cast<QWidget*>(form.SkipConverted)}) {
        QVERIFY2(box->sizeHint().width() <= box->width(), qPrintable(box->objectName()));
        QVERIFY(box->geometry().right() < form.Frame2->width());
    }
    test::saveScreenshot(QStringLiteral("window-controls"));
}

void RealWindowTest::reportsBreakTheirLinesOnScreen() {
    QtDialogs dialogs;
    QString shownText;
    QString shownTitle;
    QTimer::singleShot(200, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        shownText = box->text();
        shownTitle = box->windowTitle();
        test::saveScreenshot(QStringLiteral("error-report"));
        box->button(QMessageBox::Ok)->click();
    });
    dialogs.errorReport(QStringLiteral("File not found\r\nin Ferncastle2021/08/31.Form1."
                                       "PushButton9_Click at line 104\r\rPlease email"));
    QCOMPARE(shownTitle, QStringLiteral("Application Error"));
    QCOMPARE(shownText, QStringLiteral("File not found\nin Ferncastle2021/08/31.Form1."
                                       "PushButton9_Click at line 104\n\nPlease email"));
}

// The list's one column is 7300 twips wide on the shown window too, and a path
// longer than the column runs on to its right edge, where it is cut: no "..."
// takes the place of its last letters.
void RealWindowTest::listColumnKeepsItsWidthAndCutsLongPaths() {
    test::clearSettingsStore();
    QtDialogs dialogs;
    Form1 form({dialogs, test::builtProgramFolder(), [] { return 1; }});
    inputlist::append(*form.ListView1, QStringLiteral("/") + QString(300, QLatin1Char('M')));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::qWait(100);
    QCOMPARE(form.ListView1->header()->sectionSize(0), 487);
    form.ListView1->setCurrentItem(nullptr);
    form.ListView1->clearSelection();

    const QRect row = form.ListView1->visualItemRect(form.ListView1->topLevelItem(0));
    const QImage rows = form.ListView1->viewport()->grab().toImage();
    test::saveScreenshot(QStringLiteral("list-long-path"));
    // An ellipsis is three dots on the baseline; the letters of a cut path
    // fill the upper half of the row up to the last few pixels before the edge.
    int ink = 0;
    int paper = 0;
    const qreal scale = rows.devicePixelRatio();
    for (int x = 487 - 16; x < 487 - 6; ++x)
        for (int y = row.top() + row.height() / 4; y < row.top() + row.height() / 2; ++y)
            ++(qGray(rows.pixel(int(x * scale), int(y * scale))) < 128 ? ink : paper);
    QVERIFY2(paper > 0, "the row is not drawn as an unselected row");
    QVERIFY2(ink > 0, "the long path ends before the column's edge");
}

QTEST_MAIN(RealWindowTest)
#include "tst_realwindow.moc"
