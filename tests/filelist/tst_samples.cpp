#include "busystate.h"
#include "failure.h"
#include "form1.h"
#include "inputlist.h"
#include "listtexts.h"
#include "scripteddialogs.h"
#include "testenvironment.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <memory>

using namespace quillbrook;

namespace {

const QString openFolderQuestion = QStringLiteral(
    "Would you like this software to open the folder where these sample files are stored (so "
    "that you can view them before working with them)?");

} // namespace

class SamplesTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<Form1> start() {
        auto form =
            std::make_unique<Form1>(Form1Setup{dialogs_, programFolder_->path(), [] { return 1; }});
        dialogs_.forget();
        return form;
    }

    QString samplesFolder() const { return programFolder_->filePath(QStringLiteral("Samples")); }

    // The sample paths, in listing order, with "S/" standing for the samples folder.
    QStringList samplePaths(const QStringList& texts) const {
        QStringList paths;
        for (const QString& text : texts)
            paths.append(text.startsWith(QStringLiteral("S/")) ? samplesFolder() + text.mid(1)
                                                               : text);
        return paths;
    }

    void pressAndAnswer(Form1& form, Dialogs::Answer answer) {
        dialogs_.answerMessage(answer);
        form.PushButton7->click();
    }

    test::ScriptedDialogs dialogs_;
    std::unique_ptr<QTemporaryDir> programFolder_;

private slots:
    void init();
    void cleanup();

    void addsWhatTheListLacks_data();
    void addsWhatTheListLacks();
    void pressingTwiceAddsEachSampleOnce();
    void theQuestionOpensTheFolderOnYes_data();
    void theQuestionOpensTheFolderOnYes();
    void missingFolderAddsNothingAndStillAsks();
    void failureIsReportedAndKeepsTheSamplesAdded();
    void samplesLoadWhileBusy();
};

void SamplesTest::init() {
    test::clearSettingsStore();
    dialogs_.forget();
    programFolder_ = std::make_unique<QTemporaryDir>();
    QVERIFY(programFolder_->isValid());
    QVERIFY(QDir(programFolder_->path()).mkpath(QStringLiteral("Samples/Inner")));
    for (const char* name : {"b.mobi", "A.mobi", ".hidden.mobi", "notes.txt", "Inner/c.mobi"}) {
        QFile file(samplesFolder() + QLatin1Char('/') + QLatin1String(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("BOOKMOBI");
    }
}

void SamplesTest::cleanup() {
    QCOMPARE(dialogs_.unusedAnswers(), QString());
}

void SamplesTest::addsWhatTheListLacks_data() {
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("after");

    const QStringList all{"S/.hidden.mobi", "S/A.mobi", "S/b.mobi", "S/notes.txt"};
    QTest::newRow("empty list") << QStringList{} << all;
    QTest::newRow("every sample already listed") << all << all;
    QTest::newRow("a removed sample comes back at the end")
        << QStringList{"/x.mobi", "S/.hidden.mobi", "S/A.mobi", "S/notes.txt", "/y.mobi"}
        << QStringList{"/x.mobi",     "S/.hidden.mobi", "S/A.mobi",
                       "S/notes.txt", "/y.mobi",        "S/b.mobi"};
    QTest::newRow("a sample in another letter case is added again")
        << QStringList{"S/a.mobi", "S/B.MOBI"}
        << QStringList{"S/a.mobi", "S/B.MOBI", "S/.hidden.mobi",
                       "S/A.mobi", "S/b.mobi", "S/notes.txt"};
    QTest::newRow("a sample listed twice stays twice")
        << QStringList{"S/A.mobi", "S/A.mobi"}
        << QStringList{"S/A.mobi", "S/A.mobi", "S/.hidden.mobi", "S/b.mobi", "S/notes.txt"};
}

void SamplesTest::addsWhatTheListLacks() {
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);
    const auto form = start();
    for (const QString& path : samplePaths(before))
        inputlist::append(*form->ListView1, path);
    pressAndAnswer(*form, Dialogs::Answer::No);
    QCOMPARE(test::listTexts(*form->ListView1), samplePaths(after));
}

void SamplesTest::pressingTwiceAddsEachSampleOnce() {
    const auto form = start();
    pressAndAnswer(*form, Dialogs::Answer::No);
    const QStringList once = test::listTexts(*form->ListView1);
    QCOMPARE(once.size(), 4);
    pressAndAnswer(*form, Dialogs::Answer::No);
    QCOMPARE(test::listTexts(*form->ListView1), once);
    QCOMPARE(dialogs_.messages(), QStringList({openFolderQuestion, openFolderQuestion}));
    for (const test::ShownDialog& question : dialogs_.shown(test::ShownDialog::Kind::Message)) {
        QCOMPARE(question.title, QString());
        QCOMPARE(question.buttons, Dialogs::Buttons::YesNo);
    }
    QVERIFY(dialogs_.shown(test::ShownDialog::Kind::OpenLocation).isEmpty());
}

void SamplesTest::theQuestionOpensTheFolderOnYes_data() {
    QTest::addColumn<Dialogs::Answer>("answer");
    QTest::addColumn<bool>("opened");
    QTest::newRow("Yes") << Dialogs::Answer::Yes << true;
    QTest::newRow("No") << Dialogs::Answer::No << false;
}

void SamplesTest::theQuestionOpensTheFolderOnYes() {
    QFETCH(Dialogs::Answer, answer);
    QFETCH(bool, opened);
    const auto form = start();
    pressAndAnswer(*form, answer);
    const QList<test::ShownDialog> openings = dialogs_.shown(test::ShownDialog::Kind::OpenLocation);
    QCOMPARE(openings.size(), opened ? 1 : 0);
    if (opened)
        QCOMPARE(openings.constFirst().text, samplesFolder() + QLatin1Char('/'));
    QCOMPARE(inputlist::count(*form->ListView1), 4);
}

void SamplesTest::missingFolderAddsNothingAndStillAsks() {
    QVERIFY(QDir(samplesFolder()).removeRecursively());
    const auto form = start();
    dialogs_.answerMessage(Dialogs::Answer::Yes);
    dialogs_.failNext(FileNotFound);
    form->PushButton7->click();
    QCOMPARE(inputlist::count(*form->ListView1), 0);
    QCOMPARE(dialogs_.messages(), QStringList{openFolderQuestion});
    QCOMPARE(dialogs_.shown(test::ShownDialog::Kind::OpenLocation).size(), 1);
    QCOMPARE(dialogs_.errorReports(), QStringList());
}

void SamplesTest::failureIsReportedAndKeepsTheSamplesAdded() {
    const auto form = start();
    dialogs_.failNext(InvalidArgument);
    form->PushButton7->click();
    QCOMPARE(inputlist::count(*form->ListView1), 4);
    QCOMPARE(dialogs_.errorReports().size(), 1);
    QVERIFY(dialogs_.errorReports().constFirst().startsWith(
        QStringLiteral("Invalid procedure call or argument\r\nin Ferncastle2021/08/31.Form1."
                       "PushButton7_Click at line 100\r\r")));
}

void SamplesTest::samplesLoadWhileBusy() {
    const auto form = start();
    showWaitPointer(*form);
    pressAndAnswer(*form, Dialogs::Answer::No);
    QCOMPARE(inputlist::count(*form->ListView1), 4);
}

QTEST_MAIN(SamplesTest)
#include "tst_samples.moc"
