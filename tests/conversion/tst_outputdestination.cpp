#include "form1.h"
#include "scripteddialogs.h"
#include "testenvironment.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace quillbrook;

// The "..." button that chooses the output folder.
class OutputDestinationTest : public QObject {
    Q_OBJECT

private:
    test::ScriptedDialogs dialogs_;
    std::unique_ptr<Form1> form_;

    void start() {
        form_ = std::make_unique<Form1>(
            Form1Setup{dialogs_, test::builtProgramFolder(), [] { return 1; }});
    }

private slots:
    void init();
    void cleanup();
    void chosenFolderGetsOneTrailingSeparator_data();
    void chosenFolderGetsOneTrailingSeparator();
    void cancelChangesNothing();
    void startsAtTheFolderLastChosenNotTheTypedOne();
    void failedPickerChangesNothing();
};

void OutputDestinationTest::init() {
    test::clearSettingsStore();
    test::storeSetting(QStringLiteral("Text1"), QStringLiteral("/stored/text/"));
    test::storeSetting(QStringLiteral("LastFolderDot"), QStringLiteral("/last/chosen"));
    dialogs_.forget();
    start();
}

void OutputDestinationTest::cleanup() {
    form_.reset();
    QCOMPARE(dialogs_.unusedAnswers(), QString());
}

void OutputDestinationTest::chosenFolderGetsOneTrailingSeparator_data() {
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("text");

    QTest::newRow("folder") << "/data/Books"
                            << "/data/Books/";
    QTest::newRow("root") << "/"
                          << "/";
    QTest::newRow("folder with separator") << "/data/Books/"
                                           << "/data/Books/";
    QTest::newRow("blanks and letters") << "/data/Mes Livres à lire"
                                        << "/data/Mes Livres à lire/";
}

void OutputDestinationTest::chosenFolderGetsOneTrailingSeparator() {
    QFETCH(QString, chosen);
    QFETCH(QString, text);
    dialogs_.answerPickFolder(chosen);

    form_->PushButton9->click();

    QCOMPARE(form_->Text1->text(), text);
    QCOMPARE(test::storedSetting(QStringLiteral("Text1")), text);
    QCOMPARE(test::storedSetting(QStringLiteral("LastFolderDot")), chosen);
    QCOMPARE(dialogs_.errorReports(), QStringList());
}

void OutputDestinationTest::cancelChangesNothing() {
    dialogs_.answerPickFolder(QString());

    form_->PushButton9->click();

    QCOMPARE(form_->Text1->text(), QStringLiteral("/stored/text/"));
    QCOMPARE(test::storedSetting(QStringLiteral("Text1")), QStringLiteral("/stored/text/"));
    QCOMPARE(test::storedSetting(QStringLiteral("LastFolderDot")), QStringLiteral("/last/chosen"));
    QCOMPARE(dialogs_.errorReports(), QStringList());
}

void OutputDestinationTest::startsAtTheFolderLastChosenNotTheTypedOne() {
    QTest::keyClicks(form_->Text1, QStringLiteral("typed"));
    dialogs_.answerPickFolder(QStringLiteral("/first"));
    dialogs_.answerPickFolder(QString());

    form_->PushButton9->click();
    form_->PushButton9->click();

    const auto pickers = dialogs_.shown(test::ShownDialog::Kind::PickFolder);
    QCOMPARE(pickers.size(), 2);
    QCOMPARE(pickers[0].text, QStringLiteral("Please select folder:"));
    QCOMPARE(pickers[0].detail, QStringLiteral("/last/chosen"));
    QCOMPARE(pickers[1].detail, QStringLiteral("/first"));
}

void OutputDestinationTest::failedPickerChangesNothing() {
    dialogs_.failNext(5);

    form_->PushButton9->click();

    QCOMPARE(dialogs_.errorReports().size(), 1);
    QVERIFY(dialogs_.errorReports().constFirst().contains(
        QStringLiteral("in Ferncastle2021/08/31.Form1.PushButton9_Click at line 100")));
    QCOMPARE(form_->Text1->text(), QStringLiteral("/stored/text/"));
    QCOMPARE(test::storedSetting(QStringLiteral("LastFolderDot")), QStringLiteral("/last/chosen"));
}

QTEST_MAIN(OutputDestinationTest)
#include "tst_outputdestination.moc"
