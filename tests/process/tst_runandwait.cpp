#include "failure.h"
#include "runandwait.h"
#include "testfiles.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <csignal>
#include <unistd.h>

using namespace quillbrook;

namespace {

constexpr int applicationErrorBase = -2147221504;

// The process's id once the child has written it to the file, or 0.
pid_t writtenProcessId(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return static_cast<pid_t>(file.readAll().trimmed().toLongLong());
}

// A process that has ended but was not yet reaped counts as gone.
bool processIsAlive(pid_t pid) {
    QFile status(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = status.readAll();
    const qsizetype afterName = line.lastIndexOf(')');
    return afterName >= 0 && line.mid(afterName + 2, 1) != "Z";
}

} // namespace

class RunAndWaitTest : public QObject {
    Q_OBJECT

private slots:
    void returnsTheExitCode_data();
    void returnsTheExitCode();
    void reportsAStartFailureByValue_data();
    void reportsAStartFailureByValue();
    void runsAScriptNamedByItsPath();
    void unreadableScriptMayNotBeRun();
    void everyWindowStyleRunsTheCommandAlike();
    void windowStaysLiveDuringTheWait();
    void killedChildIsNotSuccess();
    void quittingEndsTheChildAndTheWait();

private:
    QTemporaryDir folder_;
};

void RunAndWaitTest::returnsTheExitCode_data() {
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<int>("exitCode");

    QTest::newRow("success") << QStringLiteral("true") << 0;
    QTest::newRow("three") << QStringLiteral("exit 3") << 3;
    QTest::newRow("largest") << QStringLiteral("exit 255") << 255;
    // Exit statuses keep eight bits: 259 arrives as 3 and the wait still ends.
    QTest::newRow("259") << QStringLiteral("exit 259") << 3;
    QTest::newRow("shell syntax") << QStringLiteral("x=4; test -d / && exit $((x + 1))") << 5;
    QTest::newRow("input is empty") << QStringLiteral("read line || exit 9") << 9;

    // The shell's own codes for a command it cannot find or run are real exit
    // codes when the command did start.
    const QString ends126 = folder_.filePath(QStringLiteral("ends with 126"));
    test::writeFile(ends126, "#!/bin/sh\nexit 126\n");
    QVERIFY(QFile::setPermissions(ends126, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QTest::newRow("127 from the shell") << QStringLiteral("exit 127") << 127;
    QTest::newRow("126 from the shell") << QStringLiteral("exit 126") << 126;
    QTest::newRow("127 from a program on PATH") << QStringLiteral("sh -c 'exit 127'") << 127;
    QTest::newRow("126 from a program named by its path")
        << QStringLiteral("'%1' --help").arg(ends126) << 126;
    QTest::newRow("127 from a command after the first")
        << QStringLiteral("true; quillbrook-no-such-program") << 127;
}

void RunAndWaitTest::returnsTheExitCode() {
    QFETCH(QString, commandLine);
    QFETCH(int, exitCode);
    QCOMPARE(RunAndWait(commandLine, 0), exitCode);
}

void RunAndWaitTest::reportsAStartFailureByValue_data() {
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<int>("errorNumber");

    const QString notRunnable = folder_.filePath(QStringLiteral("not-runnable"));
    test::writeFile(notRunnable, "#!/bin/sh\nexit 0\n");
    QVERIFY(QFile::setPermissions(notRunnable, QFile::ReadOwner | QFile::WriteOwner));

    QTest::newRow("missing path") << folder_.filePath(QStringLiteral("missing.bat")) << 53;
    QTest::newRow("missing program") << QStringLiteral("quillbrook-no-such-program --help") << 53;
    QTest::newRow("may not be run") << notRunnable + QStringLiteral(" --help") << 70;
    QTest::newRow("quoted path of a missing program")
        << QStringLiteral("  '/no/such folder/prog' --help") << 53;
    QTest::newRow("a folder") << QStringLiteral("%1 --help").arg(folder_.path()) << 70;
}

void RunAndWaitTest::reportsAStartFailureByValue() {
    QFETCH(QString, commandLine);
    QFETCH(int, errorNumber);
    QCOMPARE(RunAndWait(commandLine, 0), errorNumber + applicationErrorBase);
}

void RunAndWaitTest::runsAScriptNamedByItsPath() {
    QTemporaryDir blankFolder(folder_.filePath(QStringLiteral("with blank XXXXXX")));
    QVERIFY(blankFolder.isValid());
    const QString script = blankFolder.filePath(QStringLiteral("Convert.bat"));
    const QString output = blankFolder.filePath(QStringLiteral("out é.txt"));
    test::writeFile(script, "echo converted > \"$(dirname \"$0\")/out \xc3\xa9.txt\"\nexit 4\n");

    QCOMPARE(RunAndWait(script, 0), 4);
    QFile written(output);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), QByteArray("converted\n"));
}

void RunAndWaitTest::unreadableScriptMayNotBeRun() {
    if (geteuid() == 0)
        QSKIP("the superuser may read every file");
    const QString script = folder_.filePath(QStringLiteral("unreadable.bat"));
    test::writeFile(script, "exit 0\n");
    QVERIFY(QFile::setPermissions(script, QFile::WriteOwner));
    QCOMPARE(RunAndWait(script, 0), PermissionDenied + applicationErrorBase);
}

void RunAndWaitTest::everyWindowStyleRunsTheCommandAlike() {
    for (const std::optional<int> style : {std::optional<int>(), std::optional(0), std::optional(1),
                                           std::optional(5), std::optional(7), std::optional(-1)})
        QCOMPARE(RunAndWait(QStringLiteral("echo shown nowhere; exit 6"), style), 6);
}

void RunAndWaitTest::windowStaysLiveDuringTheWait() {
    QTimer ticker;
    int ticks = 0;
    connect(&ticker, &QTimer::timeout, this, [&ticks] { ++ticks; });
    ticker.start(20);
    QCOMPARE(RunAndWait(QStringLiteral("sleep 0.5"), 0), 0);
    QVERIFY2(ticks > 0, "no timer fired while the command ran");
}

void RunAndWaitTest::killedChildIsNotSuccess() {
    const QString pidFile = folder_.filePath(QStringLiteral("killed.pid"));
    QTimer killer;
    connect(&killer, &QTimer::timeout, this, [&] {
        if (const pid_t pid = writtenProcessId(pidFile))
            ::kill(pid, SIGKILL);
    });
    killer.start(20);
    QCOMPARE(RunAndWait(QStringLiteral("echo $$ > '%1'; exec sleep 30").arg(pidFile), 0),
             128 + SIGKILL);
}

// Closing the last window quits the application while the conversion waits:
// the converter and what it started must not live on.
void RunAndWaitTest::quittingEndsTheChildAndTheWait() {
    const QString pidFile = folder_.filePath(QStringLiteral("started.pid"));
    QWidget window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    int result = 0;
    QTimer::singleShot(0, this, [&] {
        result = RunAndWait(QStringLiteral("sleep 30 & echo $! > '%1'; wait").arg(pidFile), 0);
    });
    QTimer closer;
    connect(&closer, &QTimer::timeout, this, [&] {
        if (writtenProcessId(pidFile))
            window.close();
    });
    closer.start(20);
    QApplication::exec();

    QCOMPARE(result, 128 + SIGKILL);
    const pid_t grandchild = writtenProcessId(pidFile);
    QVERIFY(grandchild > 0);
    QTRY_VERIFY(!processIsAlive(grandchild));
}

QTEST_MAIN(RunAndWaitTest)
#include "tst_runandwait.moc"
