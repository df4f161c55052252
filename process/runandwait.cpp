#include "runandwait.h"

#include "failure.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <csignal>
#include <unistd.h>

namespace quillbrook {

namespace {

// Start failures are reported in the range of application-defined error numbers.
constexpr int applicationErrorBase = -2147221504;

// POSIX shells end with these when the command they were given cannot be
// found, or is found but may not be run: the command line did not start.
constexpr int shellCommandNotFound = 127;
constexpr int shellCommandNotRunnable = 126;

// A process ended by a signal is reported the way shells report it.
constexpr int signalExitBase = 128;

int startFailure(int errorNumber) {
    return errorNumber + applicationErrorBase;
}

void prepare(QProcess& process, const QString& commandLine, bool runsScript) {
    process.setProgram(QStringLiteral("/bin/sh"));
    process.setArguments(runsScript ? QStringList{commandLine}
                                    : QStringList{QStringLiteral("-c"), commandLine});
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    // A group of its own, so that ending the child also ends what it started
    // (the converter behind the shell).
    process.setChildProcessModifier([] { setpgid(0, 0); });
}

// Returns false when the wait ended before the process did: the application
// is quitting, and Qt has left every event loop.
bool waitForEnd(QProcess& process) {
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    if (process.state() != QProcess::NotRunning)
        loop.exec();
    return process.state() == QProcess::NotRunning;
}

void endProcessGroup(QProcess& process) {
    const qint64 group = process.processId();
    if (group > 0)
        ::kill(-static_cast<pid_t>(group), SIGKILL);
    process.waitForFinished(-1);
}

// Exit statuses here have eight bits, so no process can end with 259, the
// value Windows reports for a process that is still running; the wait above
// follows the process's end itself, so no exit code is taken for "running".
int exitCodeOf(const QProcess& process) {
    if (process.exitStatus() == QProcess::CrashExit)
        return signalExitBase + process.exitCode();
    return process.exitCode();
}

int resultOf(const QProcess& process, bool runsScript) {
    const int code = exitCodeOf(process);
    if (runsScript || process.exitStatus() == QProcess::CrashExit)
        return code;
    if (code == shellCommandNotFound)
        return startFailure(FileNotFound);
    if (code == shellCommandNotRunnable)
        return startFailure(PermissionDenied);
    return code;
}

} // namespace

int RunAndWait(const QString& commandLine, std::optional<int> /*windowStyle*/) {
    const QFileInfo named(commandLine);
    const bool runsScript = named.isFile();
    if (runsScript && !named.isReadable())
        return startFailure(PermissionDenied);
    QProcess process;
    prepare(process, commandLine, runsScript);
    process.start();
    if (!process.waitForStarted(-1))
        return startFailure(FileNotFound);
    if (!waitForEnd(process))
        endProcessGroup(process);
    return resultOf(process, runsScript);
}

} // namespace quillbrook
