#include "busystate.h"
#include "form1.h"
#include "scripteddialogs.h"
#include "testenvironment.h"

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <memory>

using namespace quillbrook;

namespace {

// A program folder of the test's own; the skin and pointer files it holds
// are copies of those the build lays beside the program.
class ProgramFolder {
public:
    QString path() const { return folder_.path(); }

    void copyShipped(const QString& name, const QString& as) {
        QDir().mkpath(QFileInfo(path() + '/' + as).path());
        QVERIFY(QFile::copy(test::builtProgramFolder() + '/' + name, path() + '/' + as));
    }

private:
    QTemporaryDir folder_;
};

QColor backgroundOf(const QWidget* widget) {
    return widget->palette().color(widget->backgroundRole());
}

QColor buttonFace() {
    return QGuiApplication::palette().color(QPalette::Button);
}

} // namespace

class AppearanceTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void colorsFollowTheSkinFile_data();
    void colorsFollowTheSkinFile();
    void shipsPointerImages();
    void pointerFollowsTheMouse_data();
    void pointerFollowsTheMouse();
    void customPointerIsTheArrowWithoutHandFile();

private:
    void startWindow();

    std::unique_ptr<ProgramFolder> programFolder_;
    test::ScriptedDialogs dialogs_;
    std::unique_ptr<Form1> form_;
};

void AppearanceTest::init() {
    test::clearSettingsStore();
    programFolder_ = std::make_unique<ProgramFolder>();
    dialogs_.forget();
}

void AppearanceTest::cleanup() {
    form_.reset();
    QVERIFY(dialogs_.errorReports().isEmpty());
}

void AppearanceTest::startWindow() {
    form_ = std::make_unique<Form1>(Form1Setup{dialogs_, programFolder_->path(), [] { return 1; }});
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
}

void AppearanceTest::colorsFollowTheSkinFile_data() {
    QTest::addColumn<QString>("skinFileAs");
    QTest::addColumn<bool>("skinned");
    QTest::newRow("no skin file") << "" << false;
    QTest::newRow("skin file") << "x/o.cjs" << true;
    QTest::newRow("hidden skin file") << "x/.o.cjs" << false;
    QTest::newRow("skin file in the wrong folder") << "o.cjs" << false;
}

void AppearanceTest::colorsFollowTheSkinFile() {
    QFETCH(QString, skinFileAs);
    QFETCH(bool, skinned);
    if (!skinFileAs.isEmpty())
        programFolder_->copyShipped("x/o.cjs", skinFileAs);
    startWindow();

    const QColor themed = skinned ? buttonFace() : QColor(Qt::white);
    for (const QWidget* recoloured :
         {static_cast<QWidget*>(form_.get()), static_cast<QWidget*>(form_->Frame2),
          static_cast<QWidget*>(form_->Frame3), static_cast<QWidget*>(form_->Option1),
          static_cast<QWidget*>(form_->Option2)})
        QCOMPARE(backgroundOf(recoloured), themed);
    QVERIFY(buttonFace() != QColor(Qt::white));
    QCOMPARE(backgroundOf(form_->Text1), QGuiApplication::palette().color(QPalette::Base));
    QCOMPARE(form_->styleSheet().isEmpty(), !skinned);
}

void AppearanceTest::shipsPointerImages() {
    for (const QString name : {"HAND-M.CUR", "drag.ico"}) {
        const QImage image(test::builtProgramFolder() + '/' + name);
        QCOMPARE(image.size(), QSize(32, 32));
        QVERIFY(image.hasAlphaChannel());
    }
    programFolder_->copyShipped("HAND-M.CUR", "HAND-M.CUR");
    startWindow();
    QCOMPARE(form_->customPointer().shape(), Qt::BitmapCursor);
}

void AppearanceTest::pointerFollowsTheMouse_data() {
    QTest::addColumn<QString>("over");
    QTest::addColumn<bool>("busy");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("frame3Enabled");
    const QStringList buttons{"PushButton1", "PushButton2", "PushButton4",
                              "PushButton6", "PushButton7", "PushButton9"};
    for (const QString& button : buttons) {
        QTest::addRow("%s", qPrintable(button)) << button << false << "hand" << true;
        QTest::addRow("%s while busy", qPrintable(button)) << button << true << "wait" << true;
    }
    for (const QString area : {"Form1", "Frame2", "Frame3", "ListView1"}) {
        QTest::addRow("%s", qPrintable(area)) << area << false << "default" << true;
        QTest::addRow("%s while busy", qPrintable(area)) << area << true << "wait" << true;
    }
    QTest::newRow("option button") << "Option1" << false << "unchanged" << true;
    QTest::newRow("text box") << "Text1" << false << "unchanged" << true;
    QTest::newRow("disabled button, over its frame")
        << "PushButton9" << false << "default" << false;
}

void AppearanceTest::pointerFollowsTheMouse() {
    QFETCH(QString, over);
    QFETCH(bool, busy);
    QFETCH(QString, expected);
    QFETCH(bool, frame3Enabled);
    programFolder_->copyShipped("HAND-M.CUR", "HAND-M.CUR");
    startWindow();
    form_->Frame3->setEnabled(frame3Enabled);
    QWidget* widget = over == "Form1" ? form_.get() : form_->findChild<QWidget*>(over);
    QVERIFY(widget);
    QPoint point = widget->rect().center();
    if (over == "Form1")
        point = QPoint(2, 2);
    else if (over == "Frame2")
        point = QPoint(widget->width() - 4, widget->height() / 2);
    else if (over == "Frame3")
        point = QPoint(4, 4);
    else if (over == "ListView1")
        widget = form_->ListView1->viewport();

    // A pointer no rule sets shows what the move left unchanged.
    if (busy)
        showWaitPointer(*form_);
    else
        form_->setCursor(Qt::CrossCursor);
    QTest::mouseMove(widget, point);
    QCoreApplication::processEvents();

    const Qt::CursorShape shape = form_->cursor().shape();
    if (expected == "hand")
        QCOMPARE(shape, Qt::BitmapCursor);
    else if (expected == "wait")
        QVERIFY(isBusy(*form_));
    else if (expected == "default")
        QCOMPARE(shape, Qt::ArrowCursor);
    else
        QCOMPARE(shape, Qt::CrossCursor);
}

void AppearanceTest::customPointerIsTheArrowWithoutHandFile() {
    startWindow();
    form_->setCursor(Qt::CrossCursor);
    QTest::mouseMove(form_->PushButton4, form_->PushButton4->rect().center());
    QCoreApplication::processEvents();
    QCOMPARE(form_->cursor().shape(), Qt::ArrowCursor);
}

QTEST_MAIN(AppearanceTest)
#include "tst_appearance.moc"
