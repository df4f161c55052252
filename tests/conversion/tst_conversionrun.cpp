#include "apptitle.h"
#include "busystate.h"
#include "conversionfixture.h"
#include "failure.h"
#include "inputlist.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace quillbrook;

namespace {

using test::doneAllConverted;
using test::doneWithFailures;
using test::readAll;

void clearBothOptions(Form1& form) {
    for (QRadioButton* option : {form.Option1, form.Option2}) {
        option->setAutoExclusive(false);
        option->setChecked(false);
        option->setAutoExclusive(true);
    }
}

// What the window showed each time the run let window events through after
// moving the progress bar.
struct ProgressSeen {
    int value;
    QString text;
    bool busy;
    friend bool operator==(const ProgressSeen&, const ProgressSeen&) = default;
};

} // namespace

class ConversionRunTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::ConversionFixture> fx_;

    // Calls the action with each progress value as the window sees it.
    void whenProgressShows(const std::function<void(int)>& action) {
        connect(fx_->form().ProgressBar1, &QProgressBar::valueChanged, &fx_->form(), action,
                Qt::QueuedConnection);
    }

private slots:
    void init();
    void cleanup();

    void checksStopTheRun_data();
    void checksStopTheRun();
    void outputPaths_data();
    void outputPaths();
    void failureListNamesEachFailedInputWithItsLastErrorLine();
    void progressAndPointerFollowTheRun();
    void titleShowsTheProgressDuringARun();
    void secondPressDuringARunChangesNothing();
    void itemsAddedDuringARunAreConvertedAndCount();
    void convertedOnlyWhenTheConverterSucceededAndWrote_data();
    void convertedOnlyWhenTheConverterSucceededAndWrote();
    void unwritableOutputIsAFailure_data();
    void unwritableOutputIsAFailure();
    void missingCalibreIsTheReason();
    void unpackFailureStopsTheRunWithOneMessage();
    void failedStepIsReportedAndTheRunGoesOn();
    void runWorksInAFolderOfItsOwn();
    void equalNamesAreSavedUnderNewNames();
    void noOutputReplacesAnInput_data();
    void noOutputReplacesAnInput();
    void noOutputReplacesAnInputAddedDuringTheRun();
    void inputsAreCheckedBeforeTheConverterRuns_data();
    void inputsAreCheckedBeforeTheConverterRuns();
    void unusableTemporaryFolderStopsTheRunWithOneMessage_data();
    void unusableTemporaryFolderStopsTheRunWithOneMessage();
    void relativeTemporaryFolderIsTakenFromTheStartFolder();
};

// One conversion at a time, as the run always did: these tests follow it step by step.
void ConversionRunTest::init() {
    fx_ = std::make_unique<test::ConversionFixture>();
    fx_->useFakeCalibre();
    test::storeSetting(QStringLiteral("SimultaneousConversions"), QStringLiteral("1"));
}

void ConversionRunTest::cleanup() {
    const auto fx = std::move(fx_);
    QCOMPARE(fx->dialogs().unusedAnswers(), QString());
    QCOMPARE(fx->dialogs().errorReports(), QStringList());
    QCOMPARE(fx->leftInTemporaryFolder(), QStringList());
}

void ConversionRunTest::checksStopTheRun_data() {
    QTest::addColumn<bool>("withInput");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("folderText");
    QTest::addColumn<QString>("message");

    QTest::newRow("empty list") << false << "Option1"
                                << ""
                                << "No files added.";
    QTest::newRow("missing output folder")
        << true << "Option1"
        << "/no/such/folder"
        << "Folder does not exist. Please select another folder.";
    QTest::newRow("no save option")
        << true << ""
        << ""
        << "No save option is selected. Please select where to save the results.";
}

void ConversionRunTest::checksStopTheRun() {
    QFETCH(bool, withInput);
    QFETCH(QString, selected);
    QFETCH(QString, folderText);
    QFETCH(QString, message);
    Form1& form = fx_->form();
    if (withInput)
        fx_->add({fx_->write(QStringLiteral("a.mobi"), "convert")});
    if (selected.isEmpty())
        clearBothOptions(form);
    if (!folderText.isEmpty())
        form.setText1(folderText);

    fx_->press();
    fx_->press();

    QCOMPARE(fx_->dialogs().messages(), QStringList(2, message));
    QCOMPARE(fx_->dialogs().shown().constFirst().title, QString());
    QVERIFY(fx_->fakeCalls().isEmpty());
    QVERIFY(!isBusy(form));
    QCOMPARE(form.ProgressBar1->format(), QStringLiteral("Progress Bar"));
}

void ConversionRunTest::outputPaths_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("folderText");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");

    QTest::newRow("folder") << "Option1"
                            << "out"
                            << "in/Moby Dick.mobi"
                            << "out/Moby Dick.epub";
    QTest::newRow("folder with separator") << "Option1"
                                           << "out/"
                                           << "in/Moby Dick.mobi"
                                           << "out/Moby Dick.epub";
    QTest::newRow("dots in the name") << "Option1"
                                      << "out"
                                      << "in/a.b.mobi"
                                      << "out/a.b.epub";
    QTest::newRow("no extension") << "Option1"
                                  << "out"
                                  << "in/book"
                                  << "out/book.epub";
    QTest::newRow("only an extension") << "Option1"
                                       << "out"
                                       << "in/.mobi"
                                       << "out/.mobi.epub";
    QTest::newRow("beside the original, folder text ignored") << "Option2"
                                                              << "/no/such/folder"
                                                              << "in/Moby Dick.mobi"
                                                              << "in/Moby Dick.epub";
}

void ConversionRunTest::outputPaths() {
    QFETCH(QString, option);
    QFETCH(QString, folderText);
    QFETCH(QString, input);
    QFETCH(QString, output);
    Form1& form = fx_->form();
    fx_->write(QStringLiteral("out/keep"), {});
    const QString inputPath = fx_->write(input, "convert");
    fx_->add({inputPath});
    form.findChild<QRadioButton*>(option)->click();
    form.setText1(folderText.startsWith(QLatin1Char('/'))
                      ? folderText
                      : fx_->files() + QLatin1Char('/') + folderText);

    fx_->press();

    const QString outputPath = fx_->files() + QLatin1Char('/') + output;
    QCOMPARE(fx_->fakeCalls(), (QList<QStringList>{{inputPath, fx_->stagedFor(1)}}));
    QCOMPARE(readAll(outputPath), QByteArray("convert"));
    QCOMPARE(fx_->dialogs().messages(), QStringList{doneAllConverted(1)});
}

void ConversionRunTest::failureListNamesEachFailedInputWithItsLastErrorLine() {
    const QString several = fx_->write(
        QStringLiteral("several.mobi"),
        "fail\nStarting\nerror one\n  ERROR: the last error line wins  \nshutting down\n");
    const QString fine = fx_->write(QStringLiteral("fine.mobi"), "convert\nall went well\n");
    const QString silent = fx_->write(QStringLiteral("silent.mobi"), "fail\nnothing to see\n");
    fx_->add({several, fine, silent, several});

    fx_->press();

    // Without an error line, the last line the converter wrote is the reason.
    const QString severalEntry =
        several + QStringLiteral(" Error: ERROR: the last error line wins");
    const QString kept = fx_->keptLogs();
    QCOMPARE(fx_->dialogs().messages(),
             QStringList{doneWithFailures(
                 QStringLiteral("\r\n") + severalEntry + QStringLiteral("\r\n") + silent +
                     QStringLiteral(" Error: nothing to see\r\n") + severalEntry,
                 1, kept)});
    QCOMPARE(fx_->fakeCalls().size(), 4);
    QVERIFY(QFile::exists(fx_->files() + QStringLiteral("/fine.epub")));
    // The converter's whole log of each failure is kept, under the book's
    // name; the converted book's is not.
    QCOMPARE(QDir(kept).entryList(QDir::Files, QDir::Name),
             (QStringList{"several.mobi (2).log", "several.mobi.log", "silent.mobi.log"}));
    const QByteArray severalLog =
        "Starting\nerror one\n  ERROR: the last error line wins  \nshutting down\n";
    QCOMPARE(readAll(kept + QStringLiteral("/several.mobi.log")), severalLog);
    QCOMPARE(readAll(kept + QStringLiteral("/several.mobi (2).log")), severalLog);
    QCOMPARE(readAll(kept + QStringLiteral("/silent.mobi.log")), QByteArray("nothing to see\n"));
}

void ConversionRunTest::progressAndPointerFollowTheRun() {
    Form1& form = fx_->form();
    const QStringList names{"one.mobi", "two.mobi", "three.mobi", "four.mobi"};
    for (const QString& name : names)
        fx_->add({fx_->write(name, "convert")});
    QList<ProgressSeen> seen;
    connect(form.ProgressBar1, &QProgressBar::valueChanged, &form, [&](int value) {
        seen.append({value, form.ProgressBar1->format(), isBusy(form)});
    });

    fx_->press();

    // The value is the share of the list whose conversions have ended, the
    // text names the input started last.
    const QList<ProgressSeen> expected{{25, "Processing: one.mobi", true},
                                       {50, "Processing: two.mobi", true},
                                       {75, "Processing: three.mobi", true},
                                       {100, "Processing: four.mobi", true},
                                       {0, "Processing: four.mobi", false}};
    QCOMPARE(seen, expected);
    QCOMPARE(form.ProgressBar1->format(), QStringLiteral("Progress Bar"));
    QCOMPARE(fx_->dialogs().messages(), QStringList{doneAllConverted(4)});
}

// The title tells a user who looks at the taskbar how far the run is, and is
// the window's own again by the time the final message shows.
void ConversionRunTest::titleShowsTheProgressDuringARun() {
    Form1& form = fx_->form();
    QCOMPARE(form.windowTitle(), QStringLiteral("Quillbrook"));
    fx_->add({fx_->write(QStringLiteral("a.mobi"), "convert"),
              fx_->write(QStringLiteral("b.mobi"), "fail")});
    QStringList titles;
    connect(&form, &QWidget::windowTitleChanged, &form,
            [&](const QString& title) { titles << title; });
    QString titleUnderTheMessage;
    fx_->dialogs().whileNextShown([&] { titleUnderTheMessage = form.windowTitle(); });

    fx_->press();

    QCOMPARE(titles, (QStringList{"0% - Quillbrook", "50% - Quillbrook", "100% - Quillbrook",
                                  "Quillbrook"}));
    QCOMPARE(titleUnderTheMessage, QStringLiteral("Quillbrook"));
}

void ConversionRunTest::secondPressDuringARunChangesNothing() {
    Form1& form = fx_->form();
    fx_->add({fx_->write(QStringLiteral("a.mobi"), "convert"),
              fx_->write(QStringLiteral("b.mobi"), "convert")});
    fx_->dialogs().answerMessage(Dialogs::Answer::No);
    bool pressed = false;
    whenProgressShows([&](int value) {
        if (value == 50 && !std::exchange(pressed, true))
            form.PushButton2->click();
    });

    fx_->press();

    QCOMPARE(fx_->fakeCalls().size(), 2);
    const QList<test::ShownDialog> shown = fx_->dialogs().shown();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[0].text, QStringLiteral("Stop converting? The files being converted now are "
                                           "stopped, and the files not yet started are not "
                                           "converted."));
    QCOMPARE(shown[0].buttons, Dialogs::Buttons::YesNoDefaultNo);
    QCOMPARE(shown[0].icon, Dialogs::Icon::Question);
    QCOMPARE(shown[1].text, doneAllConverted(2));
    fx_->press();
    QCOMPARE(fx_->fakeCalls().size(), 4);
}

void ConversionRunTest::itemsAddedDuringARunAreConvertedAndCount() {
    Form1& form = fx_->form();
    const QString added = fx_->write(QStringLiteral("added.mobi"), "convert");
    fx_->add({fx_->write(QStringLiteral("a.mobi"), "convert"),
              fx_->write(QStringLiteral("b.mobi"), "convert")});
    QList<int> values;
    whenProgressShows([&](int value) {
        if (values.isEmpty())
            fx_->add(QStringList(6, added));
        values << value;
    });

    fx_->press();

    QCOMPARE(values, (QList<int>{50, 25, 38, 50, 62, 75, 88, 100, 0}));
    QCOMPARE(fx_->fakeCalls().size(), 8);
    QCOMPARE(inputlist::count(*form.ListView1), 8);
    QVERIFY(QFile::exists(fx_->files() + QStringLiteral("/added.epub")));
    QVERIFY(QFile::exists(fx_->files() + QStringLiteral("/added (6).epub")));
}

void ConversionRunTest::convertedOnlyWhenTheConverterSucceededAndWrote_data() {
    QTest::addColumn<QByteArray>("behaviour");
    QTest::addColumn<bool>("oldOutput");
    QTest::addColumn<QString>("reason");
    // The converter's log as it is kept; a converter that wrote nothing has none.
    QTest::addColumn<QByteArray>("keptLog");

    QTest::newRow("fails, old output present")
        << QByteArray("fail\nError: cannot parse\n") << true << " Error: Error: cannot parse"
        << QByteArray("Error: cannot parse\n");
    QTest::newRow("succeeds without writing, old output present")
        << QByteArray("succeed-without-writing") << true
        << " Error: the converter ended without writing the EPUB file." << QByteArray();
    QTest::newRow("fails silently")
        << QByteArray("fail") << false << " Error: the converter ended with exit status 1."
        << QByteArray();
    QTest::newRow("crashes after a line") << QByteArray("crash\nworking\n  \n") << false
                                          << " Error: working" << QByteArray("working\n  \n");
    QTest::newRow("crashes silently")
        << QByteArray("crash") << false << " Error: the converter was ended by signal SIGSEGV."
        << QByteArray();
    QTest::newRow("killed after writing, old output present")
        << QByteArray("write-then-killed") << true
        << " Error: the converter was ended by signal SIGKILL." << QByteArray();
    QTest::newRow("half-written on a full disk, old output present")
        << QByteArray("half-written") << true << " Error: Error: No space left on device"
        << QByteArray("Error: No space left on device\n");
}

void ConversionRunTest::convertedOnlyWhenTheConverterSucceededAndWrote() {
    QFETCH(QByteArray, behaviour);
    QFETCH(bool, oldOutput);
    QFETCH(QString, reason);
    QFETCH(QByteArray, keptLog);
    const QString input = fx_->write(QStringLiteral("book.mobi"), behaviour);
    if (oldOutput)
        fx_->write(QStringLiteral("book.epub"), "an earlier result");
    fx_->add({input});

    fx_->press();

    const QString kept = fx_->keptLogs();
    QCOMPARE(kept.isEmpty(), keptLog.isEmpty());
    QCOMPARE(readAll(kept + QStringLiteral("/book.mobi.log")), keptLog);
    QCOMPARE(fx_->dialogs().messages(),
             QStringList{doneWithFailures(QStringLiteral("\r\n") + input + reason, 0, kept)});
    const QString output = fx_->files() + QStringLiteral("/book.epub");
    QCOMPARE(readAll(output), oldOutput ? QByteArray("an earlier result") : QByteArray());
    QCOMPARE(QFile::exists(output), oldOutput);
    // Nothing of the run's own is left beside the output.
    const QStringList left =
        oldOutput ? QStringList{"book.epub", "book.mobi"} : QStringList{"book.mobi"};
    QCOMPARE(QDir(fx_->files()).entryList(QDir::Hidden | QDir::Files), left);
}

void ConversionRunTest::unwritableOutputIsAFailure_data() {
    QTest::addColumn<QString>("folderText");
    QTest::addColumn<QString>("blocker");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("reason");

    // Root may write anywhere; what stops it is a path that cannot be a file.
    QTest::newRow("folder is a regular file")
        << "plain.txt"
        << "plain.txt"
        << "plain.txt/book.epub"
        << " Error: the output folder %1/plain.txt/ cannot be written (Not a directory).";
    QTest::newRow("folder at the output path")
        << ""
        << "book.epub/inside"
        << "book.epub"
        << " Error: the result could not be saved as %1/book.epub (Is a directory).";
}

void ConversionRunTest::unwritableOutputIsAFailure() {
    QFETCH(QString, folderText);
    QFETCH(QString, blocker);
    QFETCH(QString, output);
    QFETCH(QString, reason);
    Form1& form = fx_->form();
    fx_->write(blocker, "in the way");
    const QString first = fx_->write(QStringLiteral("first.mobi"), "convert");
    const QString input = fx_->write(QStringLiteral("book.mobi"), "convert");
    fx_->add({first, input});
    // The folder text is checked once, at the start, and used as it stands
    // when each output path is formed.
    connect(form.ProgressBar1, &QProgressBar::valueChanged, &form,
            [&] { form.setText1(fx_->files() + QLatin1Char('/') + folderText); });

    fx_->press();

    QCOMPARE(fx_->dialogs().messages(),
             QStringList{
                 doneWithFailures(QStringLiteral("\r\n") + input + reason.arg(fx_->files()), 1)});
    // The converter did not run, or it converted: there is no log worth keeping.
    QCOMPARE(fx_->keptLogs(), QString());
    QCOMPARE(readAll(fx_->files() + QLatin1Char('/') + blocker), QByteArray("in the way"));
}

void ConversionRunTest::missingCalibreIsTheReason() {
    qputenv("PATH", "/nonexistent");
    const QString input = fx_->write(QStringLiteral("book.mobi"), "convert");
    fx_->add({input});

    fx_->press();

    QCOMPARE(fx_->dialogs().messages(),
             QStringList{doneWithFailures(
                 QStringLiteral("\r\n") + input +
                     QStringLiteral(" Error: calibre is not installed or could not start (Error: "
                                    "calibre's ebook-convert was not found. Please install "
                                    "calibre (Debian package calibre).)"),
                 0, fx_->keptLogs())});
}

void ConversionRunTest::unpackFailureStopsTheRunWithOneMessage() {
    const QTemporaryDir programWithoutZipComponent;
    fx_ = std::make_unique<test::ConversionFixture>(programWithoutZipComponent.path());
    fx_->useFakeCalibre();
    fx_->add({fx_->write(QStringLiteral("a.mobi"), "convert"),
              fx_->write(QStringLiteral("b.mobi"), "convert")});

    fx_->press();
    fx_->press();

    QCOMPARE(fx_->dialogs().messages(),
             QStringList(2, QStringLiteral("The converter could not be prepared: ") +
                                errorDescription(DllLoadError)));
    QVERIFY(fx_->fakeCalls().isEmpty());
    QVERIFY(!isBusy(fx_->form()));
    QCOMPARE(fx_->form().ProgressBar1->format(), QStringLiteral("Progress Bar"));
}

void ConversionRunTest::failedStepIsReportedAndTheRunGoesOn() {
    Form1& form = fx_->form();
    fx_->add({fx_->write(QStringLiteral("a.mobi"), "convert"),
              fx_->write(QStringLiteral("b.mobi"), "sleep 0.3")});
    fx_->dialogs().failNext(PermissionDenied);
    bool pressed = false;
    whenProgressShows([&](int) {
        if (!std::exchange(pressed, true))
            form.PushButton2->click();
    });

    fx_->press();

    QCOMPARE(fx_->dialogs().errorReports(),
             QStringList{QStringLiteral("Permission denied\r\nin "
                                        "Ferncastle2021/08/31.Form1.PushButton2_Click at line "
                                        "218\r\rPlease email screenshot of this message to ") +
                         supportAddress});
    QCOMPARE(fx_->dialogs().messages().constLast(), doneAllConverted(2));
    QCOMPARE(fx_->fakeCalls().size(), 2);
    fx_->dialogs().forget();
}

// What others keep in the temporary folder is neither run nor changed nor deleted.
void ConversionRunTest::runWorksInAFolderOfItsOwn() {
    const QString temp = fx_->temporaryFolder();
    const QString marker = fx_->files() + QStringLiteral("/planted-converter-ran");
    test::writeFile(temp + QStringLiteral("/calibre.zip"), "someone else's archive");
    QDir().mkpath(temp + QStringLiteral("/calibre"));
    const QString planted = temp + QStringLiteral("/calibre/ebook-convert.exe");
    test::writeFile(planted, "#!/bin/sh\ntouch '" + marker.toUtf8() + "'\ncp \"$1\" \"$2\"\n");
    QFile::setPermissions(planted, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    test::writeFile(temp + QStringLiteral("/calibre/notes.txt"), "the user's own notes");
    const QStringList before = fx_->leftInTemporaryFolder();
    fx_->add({fx_->write(QStringLiteral("a.mobi"), "convert")});

    fx_->press();

    QCOMPARE(fx_->dialogs().messages(), QStringList{doneAllConverted(1)});
    QCOMPARE(fx_->fakeCalls().size(), 1);
    QVERIFY(!QFile::exists(marker));
    QCOMPARE(fx_->leftInTemporaryFolder(), before);
    QCOMPARE(test::readFile(temp + QStringLiteral("/calibre.zip")),
             QByteArray("someone else's archive"));
    QCOMPARE(test::readFile(temp + QStringLiteral("/calibre/notes.txt")),
             QByteArray("the user's own notes"));
    QDir(temp + QStringLiteral("/calibre")).removeRecursively();
    QFile::remove(temp + QStringLiteral("/calibre.zip"));
}

// An EPUB from before the run is replaced, as a user converting again wants;
// one this run wrote is never written over.
void ConversionRunTest::equalNamesAreSavedUnderNewNames() {
    const QString out = fx_->files() + QStringLiteral("/out");
    fx_->write(QStringLiteral("out/book.epub"), "an earlier result");
    fx_->write(QStringLiteral("out/book (2).epub"), "an earlier second result");
    fx_->form().setText1(out);
    const QString a = fx_->write(QStringLiteral("a/book.mobi"), "convert\na");
    const QString b = fx_->write(QStringLiteral("b/book.mobi"), "convert\nb");
    const QString c = fx_->write(QStringLiteral("c/book.mobi"), "fail\nError: c is broken");
    const QString d = fx_->write(QStringLiteral("d/book.mobi"), "convert\nd");
    fx_->add({a, b, c, d});

    fx_->press();

    QCOMPARE(test::readFile(out + QStringLiteral("/book.epub")), QByteArray("convert\na"));
    QCOMPARE(test::readFile(out + QStringLiteral("/book (2).epub")), QByteArray("convert\nb"));
    QVERIFY(!QFile::exists(out + QStringLiteral("/book (3).epub")));
    QCOMPARE(test::readFile(out + QStringLiteral("/book (4).epub")), QByteArray("convert\nd"));
    QCOMPARE(fx_->dialogs().messages(),
             QStringList{doneWithFailures(QStringLiteral("\r\n") + c +
                                              QStringLiteral(" Error: Error: c is broken"),
                                          3, fx_->keptLogs()) +
                         QStringLiteral("\r\n\r\nThese files were saved under another name, "
                                        "because an earlier file of this run has the same "
                                        "name:\r\n") +
                         b + QStringLiteral(" -> book (2).epub\r\n") + d +
                         QStringLiteral(" -> book (4).epub")});
}

void ConversionRunTest::noOutputReplacesAnInput_data() {
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<QStringList>("renamedTo");
    QTest::newRow("an EPUB converted beside itself")
        << QStringList{"x.epub"} << QStringList{"x (2).epub"};
    QTest::newRow("a MOBI before the user's EPUB of its name")
        << QStringList{"x.mobi", "x.epub"} << QStringList{"x (2).epub", "x (3).epub"};
    QTest::newRow("the user's EPUB before a MOBI of its name")
        << QStringList{"x.epub", "x.mobi"} << QStringList{"x (2).epub", "x (3).epub"};
}

// "Save results in folder of original file": every input keeps its bytes, and
// each book is saved under the next free name, listed among the renamed ones.
void ConversionRunTest::noOutputReplacesAnInput() {
    QFETCH(QStringList, inputs);
    QFETCH(QStringList, renamedTo);
    fx_->form().Option2->click();
    QStringList paths;
    for (const QString& input : inputs)
        paths << fx_->write(QStringLiteral("in/") + input, "convert\n" + input.toUtf8());
    fx_->add(paths);

    fx_->press();

    QString renamed;
    for (qsizetype i = 0; i < inputs.size(); ++i) {
        QCOMPARE(test::readFile(paths[i]), "convert\n" + inputs[i].toUtf8());
        QCOMPARE(test::readFile(fx_->files() + QStringLiteral("/in/") + renamedTo[i]),
                 "convert\n" + inputs[i].toUtf8());
        renamed += QStringLiteral("\r\n") + paths[i] + QStringLiteral(" -> ") + renamedTo[i];
    }
    QCOMPARE(fx_->dialogs().messages(),
             QStringList{test::doneAllConverted(int(inputs.size())) +
                         QStringLiteral("\r\n\r\nThese files were saved under another name, "
                                        "because an earlier file of this run has the same name:") +
                         renamed});
}

// An item added while the run goes on counts among its inputs as well: no
// output replaces it, and it is converted in turn under a free name.
void ConversionRunTest::noOutputReplacesAnInputAddedDuringTheRun() {
    fx_->form().Option2->click();
    const QString first = fx_->write(QStringLiteral("in/first.mobi"), "sleep 0.3");
    const QString book = fx_->write(QStringLiteral("in/y.mobi"), "convert\ny.mobi");
    const QString usersOwn = fx_->write(QStringLiteral("in/y.epub"), "convert\ny.epub");
    fx_->add({first, book});

    fx_->form().PushButton2->click();
    fx_->add({usersOwn});
    fx_->waitForTheRunToEnd();

    QCOMPARE(test::readFile(usersOwn), QByteArray("convert\ny.epub"));
    QCOMPARE(test::readFile(fx_->files() + QStringLiteral("/in/y (2).epub")),
             QByteArray("convert\ny.mobi"));
    QCOMPARE(test::readFile(fx_->files() + QStringLiteral("/in/y (3).epub")),
             QByteArray("convert\ny.epub"));
    QCOMPARE(fx_->dialogs().messages(),
             QStringList{test::doneAllConverted(3) +
                         QStringLiteral("\r\n\r\nThese files were saved under another name, "
                                        "because an earlier file of this run has the same "
                                        "name:\r\n") +
                         book + QStringLiteral(" -> y (2).epub\r\n") + usersOwn +
                         QStringLiteral(" -> y (3).epub")});
}

void ConversionRunTest::inputsAreCheckedBeforeTheConverterRuns_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << "missing"
                             << " Error: the file is missing.";
    QTest::newRow("dangling link") << "dangling"
                                   << " Error: the file is missing.";
    QTest::newRow("folder") << "folder"
                            << " Error: not a regular file.";
    QTest::newRow("FIFO") << "fifo"
                          << " Error: not a regular file.";
    QTest::newRow("link to /dev/zero") << "zero"
                                       << " Error: not a regular file.";
    QTest::newRow("unreadable") << "unreadable"
                                << " Error: the file cannot be read.";
}

void ConversionRunTest::inputsAreCheckedBeforeTheConverterRuns() {
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    if (kind == QLatin1String("unreadable") && geteuid() == 0)
        QSKIP("root reads every file: an unreadable input cannot be made here");
    const QString input = fx_->files() + QStringLiteral("/x.mobi");
    if (kind == QLatin1String("dangling"))
        QVERIFY(QFile::link(fx_->files() + QStringLiteral("/gone"), input));
    else if (kind == QLatin1String("folder"))
        QVERIFY(QDir().mkdir(input));
    else if (kind == QLatin1String("fifo"))
        QCOMPARE(mkfifo(QFile::encodeName(input).constData(), 0600), 0);
    else if (kind == QLatin1String("zero"))
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), input));
    else if (kind == QLatin1String("unreadable"))
        QCOMPARE(
            chmod(QFile::encodeName(fx_->write(QStringLiteral("x.mobi"), "convert")).constData(),
                  0),
            0);
    const QString fine = fx_->write(QStringLiteral("fine.mobi"), "convert");
    fx_->add({input, fine});

    fx_->press();

    QCOMPARE(fx_->dialogs().messages(),
             QStringList{doneWithFailures(QStringLiteral("\r\n") + input + reason, 1)});
    QCOMPARE(fx_->fakeCalls().size(), 1);
    QVERIFY(QFile::exists(fx_->files() + QStringLiteral("/fine.epub")));
}

void ConversionRunTest::unusableTemporaryFolderStopsTheRunWithOneMessage_data() {
    QTest::addColumn<QString>("temp");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << "missing"
                             << "No such file or directory";
    QTest::newRow("a file") << "file"
                            << "Not a directory";
}

void ConversionRunTest::unusableTemporaryFolderStopsTheRunWithOneMessage() {
    QFETCH(QString, temp);
    QFETCH(QString, reason);
    const QString folder = fx_->files() + QLatin1Char('/') + temp;
    if (temp == QLatin1String("file"))
        fx_->write(temp, "not a folder");
    qputenv("TEMP", QFile::encodeName(folder));
    fx_->add({fx_->write(QStringLiteral("a.mobi"), "convert"),
              fx_->write(QStringLiteral("b.mobi"), "convert")});

    fx_->press();

    QCOMPARE(fx_->dialogs().messages(),
             QStringList{QStringLiteral("The converter could not be prepared: no working folder "
                                        "can be made in %1 (%2)")
                             .arg(folder, reason)});
    QVERIFY(fx_->fakeCalls().isEmpty());
    QVERIFY(!isBusy(fx_->form()));
}

void ConversionRunTest::relativeTemporaryFolderIsTakenFromTheStartFolder() {
    QTemporaryDir here(QDir::currentPath() + QStringLiteral("/relative-temp-XXXXXX"));
    qputenv("TEMP", QFile::encodeName(QDir::current().relativeFilePath(here.path())));
    fx_->add({fx_->write(QStringLiteral("a.mobi"), "convert")});

    fx_->press();

    QCOMPARE(fx_->dialogs().messages(), QStringList{doneAllConverted(1)});
    QVERIFY(QFile::exists(fx_->files() + QStringLiteral("/a.epub")));
    QCOMPARE(QDir(here.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList());
}

QTEST_MAIN(ConversionRunTest)
#include "tst_conversionrun.moc"
