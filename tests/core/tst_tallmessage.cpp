#include "dialogs.h"
#include "longmessages.h"
#include "modaldialog.h"
#include "testenvironment.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

using namespace quillbrook;

namespace {

QString withLineFeeds(QString text) {
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// What a test sees of the dialog the program shows.
struct ShownDialog {
    bool isMessageBox = false;
    QString text;
    QRect frame;
    QRect screenArea;
    bool buttonsOnScreen = false;
    QString focusedButton;
    int horizontalScrollRange = -1;
    int verticalScrollRange = -1;
    QString copied;
};

QList<QPushButton*> pushButtonsOf(QWidget* dialog) {
    if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
        QList<QPushButton*> buttons;
        for (QAbstractButton* button : box->buttons())
            buttons.append(qobject_cast<QPushButton*>(button));
        return buttons;
    }
    return dialog->findChild<QDialogButtonBox*>()->findChildren<QPushButton*>();
}

ShownDialog describe(QWidget* dialog) {
    ShownDialog shown;
    shown.frame = dialog->frameGeometry();
    shown.screenArea = dialog->screen()->availableGeometry();
    shown.buttonsOnScreen = true;
    for (QPushButton* button : pushButtonsOf(dialog)) {
        const QRect onScreen(button->mapToGlobal(QPoint(0, 0)), button->size());
        shown.buttonsOnScreen &= button->isVisible() && shown.screenArea.contains(onScreen);
        if (dialog->focusWidget() == button)
            shown.focusedButton = button->text().remove(QLatin1Char('&'));
    }
    if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
        shown.isMessageBox = true;
        shown.text = box->text();
    } else if (auto* area = dialog->findChild<QPlainTextEdit*>()) {
        shown.text = area->toPlainText();
        shown.horizontalScrollRange = area->horizontalScrollBar()->maximum();
        shown.verticalScrollRange = area->verticalScrollBar()->maximum();
    }
    QGuiApplication::clipboard()->clear();
    QTest::keySequence(dialog, QKeySequence::Copy);
    shown.copied = QGuiApplication::clipboard()->text();
    return shown;
}

// Shows the message through the program's dialogs; once the dialog is on the
// screen, notes what it shows and presses the named button.
ShownDialog showAndPress(const QString& text, Dialogs::Buttons buttons, const QString& press,
                         Dialogs::Answer* answer, const QString& screenshot = {}) {
    QtDialogs dialogs;
    ShownDialog shown;
    test::actOnModalDialog([&](QWidget* dialog) {
        // Lets the window system place the window before it is measured.
        QTest::qWait(100);
        shown = describe(dialog);
        if (!screenshot.isEmpty())
            test::saveScreenshot(screenshot);
        for (QPushButton* button : pushButtonsOf(dialog))
            if (button->text().remove(QLatin1Char('&')) == press)
                button->click();
    });
    *answer = static_cast<Dialogs&>(dialogs).messageBox(text, buttons);
    return shown;
}

} // namespace

class TallMessageTest : public QObject {
    Q_OBJECT

private slots:
    void tallMessageFitsTheScreen_data();
    void tallMessageFitsTheScreen();
    void tallQuestionKeepsItsButtons();
    void shortMessageIsAMessageBox();
};

void TallMessageTest::tallMessageFitsTheScreen_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("300 failures") << test::messageWithFailures(300);
    QTest::newRow("100,000 failures") << test::messageWithFailures(100000);
    QTest::newRow("one reason of 100 KB") << test::messageWithOneLongReason(100 * 1024);
}

void TallMessageTest::tallMessageFitsTheScreen() {
    QFETCH(QString, text);
    Dialogs::Answer answer = Dialogs::Answer::No;

    const ShownDialog shown =
        showAndPress(text, Dialogs::Buttons::Ok, QStringLiteral("OK"), &answer,
                     QStringLiteral("tall-message-%1").arg(text.size()));

    QVERIFY(!shown.isMessageBox);
    QCOMPARE(shown.text, withLineFeeds(text));
    QCOMPARE(shown.copied, shown.text);
    QVERIFY2(shown.screenArea.contains(shown.frame),
             qPrintable(QStringLiteral("frame %1x%2 at %3,%4 on a screen area %5 high")
                            .arg(shown.frame.width())
                            .arg(shown.frame.height())
                            .arg(shown.frame.x())
                            .arg(shown.frame.y())
                            .arg(shown.screenArea.height())));
    QVERIFY(shown.buttonsOnScreen);
    QCOMPARE(shown.focusedButton, QStringLiteral("OK"));
    QCOMPARE(shown.horizontalScrollRange, 0);
    QVERIFY(shown.verticalScrollRange > 0);
    QCOMPARE(answer, Dialogs::Answer::Ok);
}

// A question too tall for a message box keeps both answers and the safe one
// as the focused default.
void TallMessageTest::tallQuestionKeepsItsButtons() {
    Dialogs::Answer answer = Dialogs::Answer::No;

    const ShownDialog shown =
        showAndPress(test::messageWithFailures(300), Dialogs::Buttons::YesNoDefaultNo,
                     QStringLiteral("Yes"), &answer);

    QVERIFY(!shown.isMessageBox);
    QVERIFY(shown.buttonsOnScreen);
    QCOMPARE(shown.focusedButton, QStringLiteral("No"));
    QCOMPARE(answer, Dialogs::Answer::Yes);
}

void TallMessageTest::shortMessageIsAMessageBox() {
    Dialogs::Answer answer = Dialogs::Answer::No;
    const QString text = test::messageWithFailures(3);

    const ShownDialog shown = showAndPress(text, Dialogs::Buttons::Ok, QStringLiteral("OK"),
                                           &answer, QStringLiteral("short-message"));

    QVERIFY(shown.isMessageBox);
    QCOMPARE(shown.text, withLineFeeds(text));
    QVERIFY(shown.screenArea.contains(shown.frame));
    QCOMPARE(answer, Dialogs::Answer::Ok);
}

QTEST_MAIN(TallMessageTest)
#include "tst_tallmessage.moc"
