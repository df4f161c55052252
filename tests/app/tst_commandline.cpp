#include "commandline.h"
#include "filetree.h"
#include "listfixture.h"
#include "quillbrookversion.h"
#include "testenvironment.h"

#include <QProcess>
#include <QTest>
#include <QTimer>

using namespace quillbrook;

// The program's command line: what it answers by itself, and the files and
// folders it adds to the list.
class CommandLineTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void readsTheArguments_data();
    void readsTheArguments();
    void asksForANewWindow_data();
    void asksForANewWindow();
    void answersWithoutADisplay_data();
    void answersWithoutADisplay();
    void addsPathsAsADropWithTheStoredExtension_data();
    void addsPathsAsADropWithTheStoredExtension();
    void itemsRememberTheFolderGiven();
    void stopsAddingWhenTheWindowIsClosed();

private:
    std::unique_ptr<test::ListFixture> fixture_;
};

void CommandLineTest::init() {
    test::clearSettingsStore();
    fixture_ = std::make_unique<test::ListFixture>();
    test::makeTree(fixture_->root(),
                   {"notes.txt", "a.mobi", "~draft.mobi", "tree/b.mobi", "tree/~tmp.mobi",
                    "tree/.hidden.mobi", "tree/c.txt", "tree/sub/d.MOBI", "-dash.mobi"});
}

void CommandLineTest::cleanup() {
    QCOMPARE(fixture_->dialogs.unusedAnswers(), QString());
    QVERIFY(fixture_->dialogs.shown().isEmpty());
    fixture_.reset();
}

void CommandLineTest::readsTheArguments_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitStatus"); // -1: the window starts
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QStringList>("paths");
    const QString version = QStringLiteral("Quillbrook " QUILLBROOK_VERSION "\n");
    const QString tryHelp = QStringLiteral(" Try 'quillbrook --help'.\n");

    QTest::newRow("nothing") << QStringList{} << -1 << ""
                             << "" << QStringList{};
    QTest::newRow("paths in their order, relative ones from the working folder")
        << QStringList{"b.mobi", "/books/a.mobi", "./tree/../c.mobi", "shelf/"} << -1 << ""
        << "" << QStringList{"/work/b.mobi", "/books/a.mobi", "/work/c.mobi", "/work/shelf"};
    QTest::newRow("absolute paths as given") << QStringList{"/books//a.mobi", "/books/"} << -1 << ""
                                             << "" << QStringList{"/books//a.mobi", "/books/"};
    QTest::newRow("everything after -- is a path")
        << QStringList{"--", "-dash.mobi", "--version"} << -1 << ""
        << "" << QStringList{"/work/-dash.mobi", "/work/--version"};
    QTest::newRow("--version") << QStringList{"--version"} << 0 << version << "" << QStringList{};
    QTest::newRow("-v beside a file")
        << QStringList{"a.mobi", "-v"} << 0 << version << "" << QStringList{};
    QTest::newRow("--help") << QStringList{"--help"} << 0
                            << "Usage: quillbrook [--new-window] [FILE|FOLDER]..."
                            << "" << QStringList{};
    QTest::newRow("-h before --version") << QStringList{"-h", "--version"} << 0
                                         << "Usage: quillbrook [--new-window] [FILE|FOLDER]..."
                                         << "" << QStringList{};
    QTest::newRow("unknown long option")
        << QStringList{"a.mobi", "--convert-now"} << 2 << ""
        << "quillbrook: Unknown option 'convert-now'." + tryHelp << QStringList{};
    QTest::newRow("unknown short options")
        << QStringList{"-xy"} << 2 << ""
        << "quillbrook: Unknown options: x, y." + tryHelp << QStringList{};
    QTest::newRow("a value for an option that takes none")
        << QStringList{"--version=2"} << 2 << ""
        << "quillbrook: Unexpected value after '--version'." + tryHelp << QStringList{};
}

void CommandLineTest::readsTheArguments() {
    QFETCH(QStringList, arguments);
    QFETCH(int, exitStatus);
    QFETCH(QString, output);
    QFETCH(QString, error);
    QFETCH(QStringList, paths);
    const CommandLineRequest request =
        readCommandLine(QStringList{"/usr/bin/quillbrook"} + arguments, "/work");
    QCOMPARE(request.exitStatus.value_or(-1), exitStatus);
    if (output.startsWith("Usage:")) {
        QVERIFY2(request.standardOutput.startsWith(output), qPrintable(request.standardOutput));
        QVERIFY(request.standardOutput.contains("--version"));
    } else {
        QCOMPARE(request.standardOutput, output);
    }
    QCOMPARE(request.standardError, error);
    QCOMPARE(request.paths, paths);
}

void CommandLineTest::asksForANewWindow_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("newWindow");
    QTest::addColumn<QStringList>("paths");
    QTest::newRow("paths alone") << QStringList{"a.mobi"} << false << QStringList{"/work/a.mobi"};
    QTest::newRow("--new-window before the paths")
        << QStringList{"--new-window", "a.mobi"} << true << QStringList{"/work/a.mobi"};
    QTest::newRow("--new-window after them")
        << QStringList{"a.mobi", "--new-window"} << true << QStringList{"/work/a.mobi"};
    QTest::newRow("a file named --new-window")
        << QStringList{"--", "--new-window"} << false << QStringList{"/work/--new-window"};
}

void CommandLineTest::asksForANewWindow() {
    QFETCH(QStringList, arguments);
    QFETCH(bool, newWindow);
    QFETCH(QStringList, paths);
    const CommandLineRequest request =
        readCommandLine(QStringList{"/usr/bin/quillbrook"} + arguments, "/work");
    QVERIFY(!request.exitStatus);
    QCOMPARE(request.newWindow, newWindow);
    QCOMPARE(request.paths, paths);
}

void CommandLineTest::answersWithoutADisplay_data() {
    QTest::addColumn<QString>("argument");
    QTest::addColumn<int>("exitStatus");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("error");
    QTest::newRow("--help") << "--help" << 0
                            << "Usage: quillbrook [--new-window] [FILE|FOLDER]...\n"
                            << "";
    QTest::newRow("--version") << "--version" << 0 << "Quillbrook " QUILLBROOK_VERSION "\n"
                               << "";
    QTest::newRow("unknown option")
        << "--bogus" << 2 << ""
        << "quillbrook: Unknown option 'bogus'. Try 'quillbrook --help'.\n";
}

void CommandLineTest::answersWithoutADisplay() {
    QFETCH(QString, argument);
    QFETCH(int, exitStatus);
    QFETCH(QString, output);
    QFETCH(QString, error);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(QLatin1String(name));
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(test::builtProgramFolder() + "/quillbrook", {argument});
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), exitStatus);
    const QString printed = QString::fromUtf8(program.readAllStandardOutput());
    QVERIFY2(output.isEmpty() ? printed.isEmpty() : printed.startsWith(output),
             qPrintable(printed));
    QCOMPARE(QString::fromUtf8(program.readAllStandardError()), error);
}

void CommandLineTest::addsPathsAsADropWithTheStoredExtension_data() {
    QTest::addColumn<QString>("extension"); // empty: none stored yet
    QTest::addColumn<QStringList>("given");
    QTest::addColumn<QStringList>("expected");
    const QStringList given{"notes.txt", "tree", "missing.mobi", "~draft.mobi", "a.mobi", "a.mobi"};
    QTest::newRow("mobi at first")
        << "" << given << QStringList{"notes.txt",   "tree/b.mobi", "tree/sub/d.MOBI",
                                      "~draft.mobi", "a.mobi",      "a.mobi"};
    QTest::newRow("the extension last entered")
        << "txt" << given
        << QStringList{"notes.txt", "tree/c.txt", "~draft.mobi", "a.mobi", "a.mobi"};
    QTest::newRow("several extensions, one listing per folder")
        << "txt, mobi" << QStringList{"tree"}
        << QStringList{"tree/b.mobi", "tree/c.txt", "tree/sub/d.MOBI"};
    QTest::newRow("every file") << "*" << QStringList{"tree"}
                                << QStringList{"tree/b.mobi", "tree/c.txt", "tree/sub/d.MOBI"};
    QTest::newRow("a folder given with a trailing separator")
        << "" << QStringList{"tree/sub/", "-dash.mobi"}
        << QStringList{"tree/sub/d.MOBI", "-dash.mobi"};
}

void CommandLineTest::addsPathsAsADropWithTheStoredExtension() {
    QFETCH(QString, extension);
    QFETCH(QStringList, given);
    QFETCH(QStringList, expected);
    if (!extension.isEmpty())
        test::storeSetting("Extension", extension);
    QStringList arguments{"quillbrook", "--"};
    arguments += given;
    const CommandLineRequest request = readCommandLine(arguments, fixture_->root());
    QVERIFY(!request.exitStatus);
    addCommandLinePaths(*fixture_->form, request.paths);
    QCOMPARE(fixture_->items(), fixture_->below(expected));
}

// "Keep sub-folders" saves a book below the output folder by its place in the folder given.
void CommandLineTest::itemsRememberTheFolderGiven() {
    const CommandLineRequest request =
        readCommandLine({"quillbrook", "tree", "a.mobi"}, fixture_->root());
    addCommandLinePaths(*fixture_->form, request.paths);
    QCOMPARE(fixture_->items(), fixture_->below({"tree/b.mobi", "tree/sub/d.MOBI", "a.mobi"}));
    const QTreeWidget& list = *fixture_->form->ListView1;
    QCOMPARE(inputlist::itemBaseFolder(list, 1), fixture_->root() + "/tree");
    QCOMPARE(inputlist::itemBaseFolder(list, 2), fixture_->root() + "/tree");
    QCOMPARE(inputlist::itemBaseFolder(list, 3), QString());
}

void CommandLineTest::stopsAddingWhenTheWindowIsClosed() {
    // The folder scan keeps the window live; a close meanwhile ends the adding.
    fixture_->form->show();
    QTimer::singleShot(0, fixture_->form.get(), [this] { fixture_->form->close(); });
    addCommandLinePaths(*fixture_->form, fixture_->below({"tree", "a.mobi"}));
    QVERIFY(!fixture_->items().contains(fixture_->root() + "/a.mobi"));
}

QTEST_MAIN(CommandLineTest)
#include "tst_commandline.moc"
