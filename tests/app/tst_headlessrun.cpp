#include "commandline.h"
#include "conversionfixture.h"
#include "dialogs.h"
#include "failure.h"
#include "handledoperation.h"
#include "testenvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryFile>
#include <QTest>
#include <csignal>
#include <unistd.h>

using namespace quillbrook;

namespace {

// What the program did when started with some arguments.
struct ProgramEnd {
    int exitStatus = -1;
    QString output;
    QStringList errorLines;
};

// Starts the built program with no display of any kind, from the folder given.
void startWithoutDisplay(QProcess& program, const QStringList& arguments,
                         const QString& workingFolder) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(QLatin1String(name));
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(workingFolder);
    program.start(test::builtProgramFolder() + QStringLiteral("/quillbrook"), arguments);
}

// The fake converter is no Python script, so the warm converter never starts
// and says so on standard error; its tests read those lines, these do not.
QStringList withoutWarmConverterNotices(QStringList lines) {
    lines.removeIf([](const QString& line) {
        return line.contains(QLatin1String("through the per-book launcher"));
    });
    return lines;
}

ProgramEnd endOf(QProcess& program) {
    if (!program.waitForFinished(10 * 60 * 1000) || program.exitStatus() != QProcess::NormalExit)
        return {};
    return {program.exitCode(), QString::fromUtf8(program.readAllStandardOutput()),
            withoutWarmConverterNotices(
                QString::fromUtf8(program.readAllStandardError()).split('\n', Qt::SkipEmptyParts))};
}

// The folder a run keeps the converter's logs in is named after the run's
// time, so two runs of the same books name different folders.
QString withKeptLogsFolderMasked(QString message) {
    static const QRegularExpression folder(
        QStringLiteral("(The converter's full messages about these files are in: )[^\n\r]*"));
    return message.replace(folder, QStringLiteral("\\1<folder>"));
}

ProgramEnd runWithoutDisplay(const QStringList& arguments, const QString& workingFolder) {
    QProcess program;
    startWithoutDisplay(program, arguments, workingFolder);
    return endOf(program);
}

// Every key and value of the settings store.
QMap<QString, QVariant> storedSettings() {
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Brackwater"),
                    QStringLiteral("Quillbrook"));
    QMap<QString, QVariant> all;
    for (const QString& key : store.allKeys())
        all.insert(key, store.value(key));
    return all;
}

// The text written on standard error while the action runs.
template <typename Action> QString standardErrorOf(Action action) {
    QTemporaryFile capture;
    if (!capture.open())
        return QStringLiteral("cannot capture");
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    dup2(capture.handle(), STDERR_FILENO);
    action();
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    capture.seek(0);
    return QString::fromUtf8(capture.readAll());
}

} // namespace

// quillbrook --convert: its options, its exit statuses, what it prints, and
// that it ends cleanly on a signal, all without a display.
class HeadlessRunTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void readsTheConvertOptions_data();
    void readsTheConvertOptions();
    void endsWithItsExitStatus_data();
    void endsWithItsExitStatus();
    void printsTheWindowsFinalMessageWithTheRealCalibre();
    void signalEndsEveryConverterAndRemovesTheRunFolder_data();
    void signalEndsEveryConverterAndRemovesTheRunFolder();
    void runsAgainWithSkipConverted();
    void printsAFailureOfTheProgramWithItsLocationAndStep();

private:
    std::unique_ptr<test::ConversionFixture> fx_;
};

void HeadlessRunTest::init() {
    fx_ = std::make_unique<test::ConversionFixture>();
}

void HeadlessRunTest::cleanup() {
    fx_.reset();
}

void HeadlessRunTest::readsTheConvertOptions_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("error"); // empty: a conversion is asked for
    QTest::addColumn<QString>("output");
    QTest::addColumn<bool>("keepSubfolders");
    QTest::addColumn<bool>("skipConverted");
    QTest::addColumn<int>("jobs"); // 0: the stored setting
    QTest::addColumn<QString>("extension");
    const QString tryHelp = QStringLiteral(" Try 'quillbrook --help'.\n");

    QTest::newRow("a file alone") << QStringList{"--convert", "a.mobi"} << ""
                                  << "" << false << false << 0 << "mobi";
    QTest::newRow("every option") << QStringList{"--convert",
                                                 "--output",
                                                 "/tmp",
                                                 "--keep-subfolders",
                                                 "--skip-converted",
                                                 "--jobs",
                                                 "16",
                                                 "--extension",
                                                 "azw3",
                                                 "shelf"}
                                  << ""
                                  << "/tmp" << true << true << 16 << "azw3";
    QTest::newRow("a relative output folder, options after the paths")
        << QStringList{"shelf", "--convert", "--output=.", "--jobs=1"} << ""
        << "/tmp" << false << false << 1 << "mobi";
    QTest::newRow("no paths") << QStringList{"--convert", "--jobs", "2"}
                              << "quillbrook: --convert needs at least one file or folder." +
                                     tryHelp
                              << "" << false << false << 0 << "";
    QTest::newRow("--jobs 0") << QStringList{"--convert", "--jobs", "0", "a.mobi"}
                              << "quillbrook: --jobs takes a number from 1 to 16." + tryHelp << ""
                              << false << false << 0 << "";
    QTest::newRow("--jobs 17") << QStringList{"--convert", "--jobs", "17", "a.mobi"}
                               << "quillbrook: --jobs takes a number from 1 to 16." + tryHelp << ""
                               << false << false << 0 << "";
    QTest::newRow("--jobs not a number")
        << QStringList{"--convert", "--jobs", "two", "a.mobi"}
        << "quillbrook: --jobs takes a number from 1 to 16." + tryHelp << "" << false << false << 0
        << "";
    QTest::newRow("--jobs without its number")
        << QStringList{"--convert", "a.mobi", "--jobs"}
        << "quillbrook: Missing value after '--jobs'." + tryHelp << "" << false << false << 0 << "";
    QTest::newRow("an output folder that does not exist")
        << QStringList{"--convert", "--output", "/no/such/folder", "a.mobi"}
        << "quillbrook: The output folder \"/no/such/folder\" does not exist." + tryHelp << ""
        << false << false << 0 << "";
    QTest::newRow("an output file, not a folder")
        << QStringList{"--convert", "--output", "/etc/passwd", "a.mobi"}
        << "quillbrook: The output folder \"/etc/passwd\" does not exist." + tryHelp << "" << false
        << false << 0 << "";
    QTest::newRow("an empty extension")
        << QStringList{"--convert", "--extension=", "a.mobi"}
        << "quillbrook: --extension takes an extension, such as mobi." + tryHelp << "" << false
        << false << 0 << "";
    QTest::newRow("an option of --convert without it")
        << QStringList{"--skip-converted", "a.mobi"}
        << "quillbrook: --skip-converted is used only with --convert." + tryHelp << "" << false
        << false << 0 << "";
    QTest::newRow("--convert with --new-window")
        << QStringList{"--convert", "--new-window", "a.mobi"}
        << "quillbrook: --new-window opens a window; --convert has none." + tryHelp << "" << false
        << false << 0 << "";
    QTest::newRow("an unknown option")
        << QStringList{"--convert", "--threads", "2", "a.mobi"}
        << "quillbrook: Unknown option 'threads'." + tryHelp << "" << false << false << 0 << "";
}

void HeadlessRunTest::readsTheConvertOptions() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);
    QFETCH(QString, output);
    QFETCH(bool, keepSubfolders);
    QFETCH(bool, skipConverted);
    QFETCH(int, jobs);
    QFETCH(QString, extension);
    const CommandLineRequest request =
        readCommandLine(QStringList{"/usr/bin/quillbrook"} + arguments, "/tmp");
    if (!error.isEmpty()) {
        QCOMPARE(request.exitStatus.value_or(-1), 2);
        QCOMPARE(request.standardError, error);
        QVERIFY(!request.convert);
        return;
    }
    QVERIFY(!request.exitStatus);
    QVERIFY(request.convert);
    QVERIFY(!request.paths.isEmpty());
    QCOMPARE(request.convert->outputFolder, output);
    QCOMPARE(request.convert->keepSubfolders, keepSubfolders);
    QCOMPARE(request.convert->skipConverted, skipConverted);
    QCOMPARE(request.convert->jobs.value_or(0), jobs);
    QCOMPARE(request.convert->extension, extension);
}

// In the arguments and the lines, "@" stands for the test's folder of books.
void HeadlessRunTest::endsWithItsExitStatus_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitStatus");
    QTest::addColumn<QStringList>("errorLines");
    QTest::addColumn<QStringList>("epubs");

    QTest::newRow("every book converted, a folder's books by extension")
        << QStringList{"--convert", "--jobs", "1", "shelf", "loose.txt"} << 0
        << QStringList{"[1/3] converted @/shelf/a.mobi", "[2/3] converted @/shelf/deep/b.mobi",
                       "[3/3] converted @/loose.txt"}
        << QStringList{"loose.epub", "shelf/a.epub", "shelf/deep/b.epub"};
    QTest::newRow("one book failed")
        << QStringList{"--convert", "--jobs", "1", "shelf/a.mobi", "broken.mobi"} << 1
        << QStringList{"[1/2] converted @/shelf/a.mobi",
                       "[2/2] failed @/broken.mobi: Error: the book is broken"}
        << QStringList{"shelf/a.epub"};
    QTest::newRow("into an output folder, with the library options")
        << QStringList{"--convert",
                       "--output",
                       "out",
                       "--keep-subfolders",
                       "--skip-converted",
                       "--jobs",
                       "2",
                       "--extension",
                       "txt",
                       "shelf"}
        << 0 << QStringList{"[1/1] converted @/shelf/notes.txt"} << QStringList{"out/notes.epub"};
    QTest::newRow("a folder without books")
        << QStringList{"--convert", "--extension", "azw3", "shelf"} << 0 << QStringList{}
        << QStringList{};
    QTest::newRow("no paths") << QStringList{"--convert"} << 2
                              << QStringList{"quillbrook: --convert needs at least one file or "
                                             "folder. Try 'quillbrook --help'."}
                              << QStringList{};
    QTest::newRow("--jobs out of range")
        << QStringList{"--convert", "--jobs", "17", "shelf"} << 2
        << QStringList{"quillbrook: --jobs takes a number from 1 to 16. Try 'quillbrook --help'."}
        << QStringList{};
    QTest::newRow("a missing output folder")
        << QStringList{"--convert", "--output", "missing", "shelf"} << 2
        << QStringList{"quillbrook: The output folder \"missing\" does not exist. Try "
                       "'quillbrook --help'."}
        << QStringList{};
    QTest::newRow("an unknown option")
        << QStringList{"--convert", "--bogus", "shelf"} << 2
        << QStringList{"quillbrook: Unknown option 'bogus'. Try 'quillbrook --help'."}
        << QStringList{};
}

void HeadlessRunTest::endsWithItsExitStatus() {
    QFETCH(QStringList, arguments);
    QFETCH(int, exitStatus);
    QFETCH(QStringList, errorLines);
    QFETCH(QStringList, epubs);
    fx_->useFakeCalibre();
    fx_->write("shelf/a.mobi", "convert");
    fx_->write("shelf/deep/b.mobi", "convert");
    fx_->write("shelf/notes.txt", "convert");
    fx_->write("loose.txt", "convert");
    fx_->write("broken.mobi", "fail\nError: the book is broken");
    QDir(fx_->files()).mkdir("out");
    // The window's settings: a folder's extension, an output folder. Not used.
    test::storeSetting("Extension", "txt");
    test::storeSetting("Option1", "True");
    test::storeSetting("Option2", "False");
    const QMap<QString, QVariant> settingsBefore = storedSettings();

    const ProgramEnd end = runWithoutDisplay(arguments, fx_->files());

    QCOMPARE(end.exitStatus, exitStatus);
    QCOMPARE(end.errorLines, errorLines.replaceInStrings("@", fx_->files()));
    if (exitStatus == 2)
        QCOMPARE(end.output, QString());
    else if (exitStatus == 0)
        QCOMPARE(end.output, epubs.isEmpty()
                                 ? QStringLiteral("No files added.\n")
                                 : displayedText(test::doneAllConverted(int(epubs.size()))) + '\n');
    for (const QString& epub : epubs)
        QVERIFY2(QFile::exists(fx_->files() + '/' + epub), qPrintable(epub));
    QCOMPARE(storedSettings(), settingsBefore);
    QCOMPARE(fx_->leftInTemporaryFolder(), QStringList());
}

// The same books converted by the window and without one, each into an
// output folder of its own: a book calibre cannot read, and two books of the
// same name, so the message has every kind of line.
void HeadlessRunTest::printsTheWindowsFinalMessageWithTheRealCalibre() {
    const QString samples = test::builtProgramFolder() + QStringLiteral("/Samples");
    const QStringList books = QDir(samples).entryList({"*.mobi"}, QDir::Files, QDir::Name);
    QVERIFY(books.size() >= 2);
    QStringList inputs;
    const auto copy = [&](const QString& book, const QString& folder) {
        inputs << fx_->files() + '/' + folder + '/' + book;
        QDir().mkpath(fx_->files() + '/' + folder);
        return QFile::copy(samples + '/' + book, inputs.constLast());
    };
    for (const QString& book : books)
        QVERIFY(copy(book, "shelf"));
    QVERIFY(copy(books[0], "again"));
    inputs << fx_->write("not-a-book.mobi", "This is no MOBI book at all.");
    QDir(fx_->files()).mkdir("window");
    QDir(fx_->files()).mkdir("headless");
    test::storeSetting("SimultaneousConversions", "2");

    const ProgramEnd headless =
        runWithoutDisplay(QStringList{"--convert", "--output", "headless"} + inputs, fx_->files());

    fx_->add(inputs);
    fx_->form().Option1->setChecked(true);
    fx_->form().setText1(fx_->files() + "/window");
    fx_->press();
    const QString windowMessage = fx_->dialogs().messages().constLast();

    QVERIFY2(windowMessage.contains("not-a-book.mobi Error: "), qPrintable(windowMessage));
    QVERIFY2(windowMessage.contains(" -> "), qPrintable(windowMessage));
    QVERIFY(windowMessage.contains(QStringLiteral("The converter's full messages")));
    QCOMPARE(withKeptLogsFolderMasked(headless.output),
             withKeptLogsFolderMasked(displayedText(windowMessage) + '\n'));
    QCOMPARE(headless.exitStatus, 1);
    QCOMPARE(headless.errorLines.size(), inputs.size());
    QCOMPARE(QDir(fx_->files() + "/headless").entryList(QDir::Files),
             QDir(fx_->files() + "/window").entryList(QDir::Files));
}

void HeadlessRunTest::signalEndsEveryConverterAndRemovesTheRunFolder_data() {
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<int>("exitStatus");
    QTest::newRow("SIGINT") << SIGINT << 130;
    QTest::newRow("SIGTERM") << SIGTERM << 143;
}

void HeadlessRunTest::signalEndsEveryConverterAndRemovesTheRunFolder() {
    QFETCH(int, signalNumber);
    QFETCH(int, exitStatus);
    fx_->useFakeCalibre();
    fx_->write("shelf/first.mobi", "hang");
    fx_->write("shelf/second.mobi", "sleep 600");
    fx_->write("shelf/third.mobi", "convert");
    QProcess program;
    startWithoutDisplay(program, {"--convert", "--jobs", "2", "shelf"}, fx_->files());
    // The hanging fake and its child, and the sleeping fake.
    QVERIFY(QTest::qWaitFor([&] { return fx_->fakePids().size() >= 3; }, 20000));

    ::kill(pid_t(program.processId()), signalNumber);

    const ProgramEnd end = endOf(program);
    QCOMPARE(end.exitStatus, exitStatus);
    QCOMPARE(end.output, QString());
    QVERIFY(fx_->fakeProcessesGone());
    QCOMPARE(fx_->leftInTemporaryFolder(), QStringList());
    QCOMPARE(QDir(fx_->files() + "/shelf").entryList(QDir::Files | QDir::Hidden),
             (QStringList{"first.mobi", "second.mobi", "third.mobi"}));
}

void HeadlessRunTest::runsAgainWithSkipConverted() {
    fx_->useFakeCalibre();
    fx_->write("shelf/a.mobi", "convert");
    fx_->write("shelf/deep/b.mobi", "convert");
    QDir(fx_->files()).mkdir("out");
    const QStringList arguments{"--convert",         "--output",         "out",
                                "--keep-subfolders", "--skip-converted", "shelf"};
    QCOMPARE(runWithoutDisplay(arguments, fx_->files()).exitStatus, 0);

    const ProgramEnd again = runWithoutDisplay(arguments, fx_->files());

    QCOMPARE(again.exitStatus, 0);
    QVERIFY2(again.output.startsWith("Done.\n"), qPrintable(again.output));
    QCOMPARE(again.errorLines.size(), 2);
}

void HeadlessRunTest::printsAFailureOfTheProgramWithItsLocationAndStep() {
    PrintingDialogs dialogs;
    ProgramLifetime lifetime;
    HandledOperation op(dialogs, lifetime, locations::startConverting);
    Dialogs::Answer answer = Dialogs::Answer::Yes;

    const QString printed = standardErrorOf([&] {
        op.step(146, [] { throw Failure(FileNotFound, QStringLiteral("itemText")); });
        answer = static_cast<Dialogs&>(dialogs).messageBox(QStringLiteral("Stop?\r\rSure?"),
                                                           Dialogs::Buttons::YesNoDefaultNo);
    });

    QCOMPARE(printed, "Application Error: " +
                          displayedText(composeErrorReport(errorDescription(FileNotFound),
                                                           locations::startConverting, 146)) +
                          "\nStop?\n\nSure?\n");
    QVERIFY(printed.contains("at line 146"));
    QCOMPARE(answer, Dialogs::Answer::No);
    QCOMPARE(dialogs.printedCount(), 2);
    QCOMPARE(dialogs.inputBox("Extension?", {}, "mobi"), QString());
    QCOMPARE(dialogs.pickFolder("Folder?", "/"), QString());
}

QTEST_MAIN(HeadlessRunTest)
#include "tst_headlessrun.moc"
