#include "dialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace quillbrook;

// The real message boxes, as the program shows them.
class QtDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void stopQuestionDefaultsToNo();
};

// The Stop question's safe answer is the one Enter gives.
void QtDialogsTest::stopQuestionDefaultsToNo() {
    QtDialogs qtDialogs;
    Dialogs& dialogs = qtDialogs;
    QString defaultButton;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        watch.stop();
        icon = box->icon();
        if (QPushButton* chosen = box->defaultButton()) {
            defaultButton = chosen->text().remove(QLatin1Char('&'));
            chosen->click();
        } else {
            box->button(QMessageBox::Yes)->click();
        }
    });
    watch.start(10);

    const Dialogs::Answer answer =
        dialogs.messageBox(QStringLiteral("Stop converting?"), Dialogs::Buttons::YesNoDefaultNo,
                           Dialogs::Icon::Question);

    QCOMPARE(defaultButton, QStringLiteral("No"));
    QCOMPARE(answer, Dialogs::Answer::No);
    QCOMPARE(icon, QMessageBox::Question);
}

QTEST_MAIN(QtDialogsTest)
#include "tst_qtdialogs.moc"
