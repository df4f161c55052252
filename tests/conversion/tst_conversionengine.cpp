#include "apptitle.h"
#include "busystate.h"
#include "conversionfixture.h"
#include "failure.h"
#include "inputlist.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <csignal>

using namespace quillbrook;

namespace {

using test::doneWithFailureEntries;
using test::readAll;

const QString stopQuestion =
    QStringLiteral("Stop converting? The files being converted now are stopped, and the files not "
                   "yet started are not converted.");
const QString stoppedByUser = QStringLiteral(" Error: stopped by the user.");
const QString notStarted = QStringLiteral(" Error: not converted, the run was stopped.");

} // namespace

// Several converters at once, driven from the event loop, and every way a run
// can be cut short: Stop, a hung converter, a closing window, a signal.
class ConversionEngineTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::ConversionFixture> fx_;

    void setSimultaneous(int count) {
        test::storeSetting(QStringLiteral("SimultaneousConversions"), QString::number(count));
    }
    // Waits until the fakes and the children they start have all begun.
    void waitForProcesses(int count) {
        QVERIFY(QTest::qWaitFor([&] { return fx_->fakePids().size() >= count; }, 20000));
    }
    // Makes the Stop question fail, and runs the action while the error report
    // that its failure shows is open.
    void whileTheStopQuestionsErrorReportIsOpen(const std::function<void()>& action) {
        fx_->dialogs().failNext(PermissionDenied);
        fx_->dialogs().whileNextShown([this, action] { fx_->dialogs().whileNextShown(action); });
    }
    // Starts a run over the inputs, one converter at a time, in the shown
    // window, and waits until the fakes have started that many processes.
    void startOneAtATime(const QStringList& inputs, int processes) {
        setSimultaneous(1);
        fx_->add(inputs);
        fx_->form().show();
        fx_->form().PushButton2->click();
        waitForProcesses(processes);
    }
    // Runs the window's events until the progress bar shows the value.
    void waitForProgress(int value) {
        QVERIFY(QTest::qWaitFor([&] { return fx_->form().ProgressBar1->value() == value; }, 20000));
    }
    // Nothing any fake started is left, nor anything in the temporary folder,
    // and every converter's TMPDIR was inside the run's own folder.
    void verifyNothingLeft() {
        QVERIFY(fx_->fakeProcessesGone());
        QCOMPARE(fx_->leftInTemporaryFolder(), QStringList());
        for (const QString& folder : fx_->fakeTemporaryFolders())
            QVERIFY2(folder.startsWith(fx_->temporaryFolder() + QStringLiteral("/quillbrook-run-")),
                     qPrintable(folder));
    }

private slots:
    void init();
    void cleanup();
    void neverMoreThanNConvertersAtOnce_data();
    void neverMoreThanNConvertersAtOnce();
    void failureListKeepsListOrder();
    void progressTextNamesTheLongestConversion();
    void outputNamesFollowListOrder();
    void stopEndsEveryConverterAndNamesEachInput();
    void silentConverterIsEndedAfterTheLimit();
    void growingLogKeepsTheConverterGoing();
    void converterEndsWhileTheStopQuestionIsOpen();
    void windowClosesWhileTheStopQuestionIsOpen();
    void converterEndsWhileAnErrorReportIsOpen();
    void windowClosesWhileAnErrorReportIsOpen();
    void closingTheWindowAsksAndYesEndsEveryConverter();
    void closingTheWindowAnsweredNoKeepsTheRun();
    void terminationSignalEndsEveryConverter_data();
    void terminationSignalEndsEveryConverter();
    void killedProgramTakesItsConverterAlong();
};

void ConversionEngineTest::init() {
    fx_ = std::make_unique<test::ConversionFixture>();
    fx_->useFakeCalibre();
}

void ConversionEngineTest::cleanup() {
    const auto fx = std::move(fx_);
    QCOMPARE(fx->dialogs().unusedAnswers(), QString());
    QCOMPARE(fx->dialogs().errorReports(), QStringList());
    QCOMPARE(fx->leftInTemporaryFolder(), QStringList());
}

void ConversionEngineTest::neverMoreThanNConvertersAtOnce_data() {
    QTest::addColumn<int>("simultaneous");
    QTest::newRow("one") << 1;
    QTest::newRow("two") << 2;
    QTest::newRow("three") << 3;
}

void ConversionEngineTest::neverMoreThanNConvertersAtOnce() {
    QFETCH(int, simultaneous);
    setSimultaneous(simultaneous);
    for (int i = 1; i <= 5; ++i)
        fx_->add({fx_->write(QStringLiteral("book%1.mobi").arg(i), "sleep 0.4")});

    fx_->press();

    QCOMPARE(fx_->mostFakesAtOnce(), simultaneous);
    QCOMPARE(fx_->dialogs().messages(), QStringList{test::doneAllConverted(5)});
    for (int i = 1; i <= 5; ++i)
        QVERIFY(QFile::exists(fx_->files() + QStringLiteral("/book%1.epub").arg(i)));
}

void ConversionEngineTest::failureListKeepsListOrder() {
    setSimultaneous(3);
    const QString slow = fx_->write(QStringLiteral("slow.mobi"), "fail after 0.6");
    const QString middle = fx_->write(QStringLiteral("middle.mobi"), "fail after 0.3");
    const QString fast = fx_->write(QStringLiteral("fast.mobi"), "fail\nError: at once");
    fx_->add({slow, middle, fast});

    fx_->press();

    const QString late = QStringLiteral(" Error: Error: failed late");
    QCOMPARE(fx_->dialogs().messages(),
             QStringList{doneWithFailureEntries(
                 {slow + late, middle + late, fast + QStringLiteral(" Error: Error: at once")}, 0,
                 fx_->keptLogs())});
}

// The text names the input converting longest and counts the others beside it.
void ConversionEngineTest::progressTextNamesTheLongestConversion() {
    setSimultaneous(3);
    fx_->add({fx_->write(QStringLiteral("long.mobi"), "sleep 1.5"),
              fx_->write(QStringLiteral("quick.mobi"), "fail"),
              fx_->write(QStringLiteral("longer.mobi"), "sleep 3"),
              fx_->write(QStringLiteral("next.mobi"), "convert")});
    QProgressBar& bar = *fx_->form().ProgressBar1;
    QStringList seen;
    // Queued: what the window shows once the run has started what may start.
    connect(
        &bar, &QProgressBar::valueChanged, &bar,
        [&](int value) {
            if (value > 0 && value < 100)
                seen << bar.format();
        },
        Qt::QueuedConnection);

    fx_->press();

    QCOMPARE(seen, (QStringList{"Processing: long.mobi (and 2 more)",
                                "Processing: long.mobi (and 1 more)", "Processing: longer.mobi"}));
    QCOMPARE(bar.format(), QStringLiteral("Progress Bar"));
}

void ConversionEngineTest::outputNamesFollowListOrder() {
    setSimultaneous(2);
    const QString first = fx_->write(QStringLiteral("a/book.mobi"), "sleep 0.5");
    const QString second = fx_->write(QStringLiteral("b/book.mobi"), "convert");
    fx_->add({first, second});

    fx_->press();

    QCOMPARE(readAll(fx_->files() + QStringLiteral("/book.epub")), QByteArray("sleep 0.5"));
    QCOMPARE(readAll(fx_->files() + QStringLiteral("/book (2).epub")), QByteArray("convert"));
    QCOMPARE(fx_->dialogs().messages(),
             QStringList{QStringLiteral("Done.\r\n2 of 2 files were converted.\r\n\r\nThese files "
                                        "were saved under another name, "
                                        "because an earlier file of this run has the same "
                                        "name:\r\n") +
                         second + QStringLiteral(" -> book (2).epub")});
}

void ConversionEngineTest::stopEndsEveryConverterAndNamesEachInput() {
    setSimultaneous(2);
    const QString first = fx_->write(QStringLiteral("first.mobi"), "hang\nworking");
    const QString second = fx_->write(QStringLiteral("second.mobi"), "hang");
    const QString third = fx_->write(QStringLiteral("third.mobi"), "convert");
    const QString fourth = fx_->write(QStringLiteral("fourth.mobi"), "convert");
    const QString earlier = fx_->write(QStringLiteral("first.epub"), "an earlier result");
    fx_->add({first, second, third, fourth});
    Form1& form = fx_->form();

    form.PushButton2->click();
    waitForProcesses(4);
    // The button that stops the run says so, and the list cannot be cleared meanwhile.
    QCOMPARE(form.PushButton2->text(), QStringLiteral("Stop Converting"));
    QVERIFY(!form.PushButton6->isEnabled());
    fx_->dialogs().answerMessage(Dialogs::Answer::Yes);
    fx_->form().PushButton2->click();
    fx_->waitForTheRunToEnd();

    QCOMPARE(form.PushButton2->text(), QStringLiteral("Start Converting"));
    QVERIFY(form.PushButton6->isEnabled());
    QCOMPARE(fx_->dialogs().messages().constLast(),
             doneWithFailureEntries({first + stoppedByUser, second + stoppedByUser,
                                     third + notStarted, fourth + notStarted}));
    QCOMPARE(fx_->fakeCalls().size(), 2);
    QCOMPARE(readAll(earlier), QByteArray("an earlier result"));
    QCOMPARE(QDir(fx_->files()).entryList(QDir::Files | QDir::Hidden),
             (QStringList{"first.epub", "first.mobi", "fourth.mobi", "second.mobi", "third.mobi"}));
    verifyNothingLeft();
}

void ConversionEngineTest::silentConverterIsEndedAfterTheLimit() {
    setSimultaneous(1);
    test::storeSetting(QStringLiteral("StalledConverterMinutes"), QStringLiteral("0.05"));
    const QString silent = fx_->write(QStringLiteral("silent.mobi"), "hang\nstarting");
    const QString fine = fx_->write(QStringLiteral("fine.mobi"), "convert");
    fx_->add({silent, fine});

    fx_->press();

    QCOMPARE(
        fx_->dialogs().messages(),
        QStringList{doneWithFailureEntries(
            {silent + QStringLiteral(" Error: the converter wrote nothing for 0.05 minutes and was "
                                     "stopped.")},
            1, fx_->keptLogs())});
    // What a hung converter wrote before it fell silent is kept.
    QCOMPARE(readAll(fx_->keptLogs() + QStringLiteral("/silent.mobi.log")), QByteArray("starting"));
    QVERIFY(!QFile::exists(fx_->files() + QStringLiteral("/silent.epub")));
    QVERIFY(QFile::exists(fx_->files() + QStringLiteral("/fine.epub")));
    verifyNothingLeft();
}

// The watch's clock starts again with every line the converter writes.
void ConversionEngineTest::growingLogKeepsTheConverterGoing() {
    setSimultaneous(1);
    test::storeSetting(QStringLiteral("StalledConverterMinutes"), QStringLiteral("0.01"));
    const QString busy = fx_->write(QStringLiteral("busy.mobi"), "trickle 12 0.15");
    fx_->add({busy});

    fx_->press();

    QCOMPARE(fx_->dialogs().messages(), QStringList{test::doneAllConverted(1)});
    QCOMPARE(readAll(fx_->files() + QStringLiteral("/busy.epub")), QByteArray("trickle 12 0.15"));
    verifyNothingLeft();
}

// The question lets the event loop run: the run goes on under it, and the
// answer stops only what is still going when it is given.
void ConversionEngineTest::converterEndsWhileTheStopQuestionIsOpen() {
    const QString first = fx_->write(QStringLiteral("first.mobi"), "sleep 0.3");
    const QString second = fx_->write(QStringLiteral("second.mobi"), "hang");
    startOneAtATime({first, second}, 1);
    fx_->dialogs().whileNextShown([&] {
        waitForProgress(50);
        waitForProcesses(3);
    });
    fx_->dialogs().answerMessage(Dialogs::Answer::Yes);
    fx_->form().PushButton2->click();
    fx_->waitForTheRunToEnd();

    QCOMPARE(fx_->dialogs().messages().size(), 2);
    QCOMPARE(fx_->dialogs().messages().constLast(),
             doneWithFailureEntries({second + stoppedByUser}, 1));
    QCOMPARE(readAll(fx_->files() + QStringLiteral("/first.epub")), QByteArray("sleep 0.3"));
    QVERIFY(!QFile::exists(fx_->files() + QStringLiteral("/second.epub")));
    verifyNothingLeft();
}

void ConversionEngineTest::windowClosesWhileTheStopQuestionIsOpen() {
    Form1& form = fx_->form();
    startOneAtATime({fx_->write(QStringLiteral("first.mobi"), "hang"),
                     fx_->write(QStringLiteral("second.mobi"), "convert")},
                    2);
    fx_->dialogs().whileNextShown([&] { form.closeWithoutAsking(); });
    fx_->dialogs().answerMessage(Dialogs::Answer::No);
    form.PushButton2->click();
    QCoreApplication::processEvents();

    QCOMPARE(fx_->dialogs().messages().size(), 1);
    QVERIFY(!isBusy(form));
    QCOMPARE(fx_->fakeCalls().size(), 1);
    verifyNothingLeft();
}

void ConversionEngineTest::converterEndsWhileAnErrorReportIsOpen() {
    startOneAtATime({fx_->write(QStringLiteral("first.mobi"), "sleep 0.3"),
                     fx_->write(QStringLiteral("second.mobi"), "convert")},
                    1);
    whileTheStopQuestionsErrorReportIsOpen([&] { waitForProgress(100); });
    fx_->form().PushButton2->click();
    fx_->waitForTheRunToEnd();

    QCOMPARE(fx_->dialogs().errorReports().size(), 1);
    QVERIFY(fx_->dialogs().errorReports().constFirst().contains(QStringLiteral("at line 218")));
    QCOMPARE(fx_->dialogs().messages().constLast(), test::doneAllConverted(2));
    QVERIFY(QFile::exists(fx_->files() + QStringLiteral("/first.epub")));
    QVERIFY(QFile::exists(fx_->files() + QStringLiteral("/second.epub")));
    verifyNothingLeft();
    fx_->dialogs().forget();
}

void ConversionEngineTest::windowClosesWhileAnErrorReportIsOpen() {
    Form1& form = fx_->form();
    startOneAtATime({fx_->write(QStringLiteral("first.mobi"), "hang"),
                     fx_->write(QStringLiteral("second.mobi"), "convert")},
                    2);
    whileTheStopQuestionsErrorReportIsOpen([&] { form.closeWithoutAsking(); });
    form.PushButton2->click();
    QCoreApplication::processEvents();

    QCOMPARE(fx_->dialogs().errorReports().size(), 1);
    QCOMPARE(fx_->dialogs().messages().size(), 1);
    QVERIFY(!isBusy(form));
    QCOMPARE(fx_->fakeCalls().size(), 1);
    verifyNothingLeft();
    fx_->dialogs().forget();
}

void ConversionEngineTest::closingTheWindowAsksAndYesEndsEveryConverter() {
    setSimultaneous(2);
    const QString earlier = fx_->write(QStringLiteral("first.epub"), "an earlier result");
    fx_->add({fx_->write(QStringLiteral("first.mobi"), "hang"),
              fx_->write(QStringLiteral("second.mobi"), "hang"),
              fx_->write(QStringLiteral("third.mobi"), "convert")});
    Form1& form = fx_->form();
    form.show();

    form.PushButton2->click();
    waitForProcesses(4);
    fx_->dialogs().answerMessage(Dialogs::Answer::Yes);
    QVERIFY(form.close());
    QCoreApplication::processEvents();

    QCOMPARE(fx_->dialogs().messages(), QStringList{stopQuestion});
    QVERIFY(!form.isVisible());
    QCOMPARE(fx_->fakeCalls().size(), 2);
    QCOMPARE(readAll(earlier), QByteArray("an earlier result"));
    QCOMPARE(QDir(fx_->files()).entryList(QDir::Files | QDir::Hidden),
             (QStringList{"first.epub", "first.mobi", "second.mobi", "third.mobi"}));
    verifyNothingLeft();
}

void ConversionEngineTest::closingTheWindowAnsweredNoKeepsTheRun() {
    setSimultaneous(1);
    fx_->add({fx_->write(QStringLiteral("first.mobi"), "sleep 0.5"),
              fx_->write(QStringLiteral("second.mobi"), "convert")});
    Form1& form = fx_->form();
    form.show();

    form.PushButton2->click();
    waitForProcesses(1);
    fx_->dialogs().answerMessage(Dialogs::Answer::No);
    QVERIFY(!form.close());
    QVERIFY(form.isVisible());
    fx_->waitForTheRunToEnd();

    QCOMPARE(fx_->dialogs().messages(), (QStringList{stopQuestion, test::doneAllConverted(2)}));
    QVERIFY(QFile::exists(fx_->files() + QStringLiteral("/first.epub")));
    QVERIFY(QFile::exists(fx_->files() + QStringLiteral("/second.epub")));
    // Once the run has ended the window closes without a question.
    QVERIFY(form.close());
    QCOMPARE(fx_->dialogs().messages().size(), 2);
}

void ConversionEngineTest::terminationSignalEndsEveryConverter_data() {
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGHUP") << SIGHUP;
}

void ConversionEngineTest::terminationSignalEndsEveryConverter() {
    QFETCH(int, signalNumber);
    setSimultaneous(2);
    const QStringList inputs{fx_->write(QStringLiteral("first.mobi"), "hang"),
                             fx_->write(QStringLiteral("second.mobi"), "hang"),
                             fx_->write(QStringLiteral("third.mobi"), "convert")};
    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QStringLiteral(QUILLBROOK_CONVERSION_RUNNER), inputs);
    QVERIFY(program.waitForReadyRead(20000));
    waitForProcesses(4);

    ::kill(pid_t(program.processId()), signalNumber);

    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(fx_->fakeCalls().size(), 2);
    QCOMPARE(QDir(fx_->files()).entryList(QDir::Files | QDir::Hidden),
             (QStringList{"first.mobi", "second.mobi", "third.mobi"}));
    verifyNothingLeft();
}

// SIGKILL cannot be handled: the converter dies of its parent-death signal,
// and the run's folder, left behind, goes with the next run.
void ConversionEngineTest::killedProgramTakesItsConverterAlong() {
    setSimultaneous(1);
    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QStringLiteral(QUILLBROOK_CONVERSION_RUNNER),
                  {fx_->write(QStringLiteral("first.mobi"), "hang")});
    QVERIFY(program.waitForReadyRead(20000));
    waitForProcesses(2);
    const QList<qint64> pids = fx_->fakePids();

    program.kill();

    QVERIFY(program.waitForFinished(20000));
    const bool converterEnded = test::processEnds(pids[0]);
    // What the converter started itself is left to the converter to end;
    // here that is the test's own stand-in.
    ::kill(pid_t(pids[1]), SIGKILL);
    QVERIFY(converterEnded);
    QCOMPARE(QDir(fx_->temporaryFolder()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 1);
    // The killed run's folder is left behind, and the next run removes it.
    fx_->add({fx_->write(QStringLiteral("second.mobi"), "convert")});
    fx_->press();
    QCOMPARE(fx_->dialogs().messages(), QStringList{test::doneAllConverted(1)});
}

QTEST_MAIN(ConversionEngineTest)
#include "tst_conversionengine.moc"
