#include "runandwait.h"

#include "failure.h"
#include "shelllaunch.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>

namespace quillbrook {

namespace {

// Start failures are reported in the range of application-defined error numbers.
constexpr int applicationErrorBase = -2147221504;

// POSIX shells end with these when the command they were given cannot be
// found, or is found but may not be run; a command that did start may end
// with them as well.
constexpr int shellCommandNotFound = 127;
constexpr int shellCommandNotRunnable = 126;

// A process ended by a signal is reported the way shells report it.
constexpr int signalExitBase = 128;

int startFailure(int errorNumber) {
    return errorNumber + applicationErrorBase;
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
    killProcessGroup(process.processId());
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

bool endsWord(QChar character) {
    return character == QLatin1Char(' ') || character == QLatin1Char('\t') ||
           character == QLatin1Char('\n') || QStringView(u";&|<>()").contains(character);
}

// Characters that make the shell expand or assign rather than take a word
// as it stands.
bool expands(QChar character) {
    return QStringView(u"$`*?[=~").contains(character);
}

// The command a command line starts with: its first word, when the shell
// takes that word literally (quotes and backslashes undone). Nothing when the
// line starts otherwise: with an expansion, an assignment or a redirection.
std::optional<QString> leadingWord(const QString& line) {
    qsizetype i = 0;
    while (i < line.size() && (line[i] == QLatin1Char(' ') || line[i] == QLatin1Char('\t')))
        ++i;
    QString word;
    while (i < line.size() && !endsWord(line[i])) {
        const QChar character = line[i];
        if (character == QLatin1Char('\'')) {
            const qsizetype closing = line.indexOf(QLatin1Char('\''), i + 1);
            if (closing < 0)
                return std::nullopt;
            word += line.mid(i + 1, closing - i - 1);
            i = closing + 1;
        } else if (character == QLatin1Char('\\') && i + 1 < line.size()) {
            word += line[i + 1];
            i += 2;
        } else if (character == QLatin1Char('"') || expands(character)) {
            // Double quotes may hold expansions: not worth telling apart here.
            return std::nullopt;
        } else {
            word += character;
            ++i;
        }
    }
    if (word.isEmpty())
        return std::nullopt;
    return word;
}

enum class CommandLookup { found, missing, notRunnable };

// Whether the shell can start the command a word names: a path must name a
// file it may run; any other word must be a builtin, a keyword or a program
// on PATH, which the shell itself is asked about.
CommandLookup lookUpCommand(const QString& word) {
    if (word.contains(QLatin1Char('/'))) {
        const QFileInfo file(word);
        if (!file.exists())
            return CommandLookup::missing;
        return file.isFile() && file.isExecutable() ? CommandLookup::found
                                                    : CommandLookup::notRunnable;
    }
    QProcess shell;
    setUpShell(shell, {QStringLiteral("-c"), QStringLiteral("command -v -- \"$1\""),
                       QStringLiteral("sh"), word});
    shell.start();
    const bool answered = shell.waitForFinished(-1) && shell.exitStatus() == QProcess::NormalExit;
    return answered && shell.exitCode() == 0 ? CommandLookup::found : CommandLookup::missing;
}

// Only a command line whose command could not be started is a start failure;
// a command that started returns whatever it ended with, 126 and 127 included.
int resultOf(const QProcess& process, const QString& commandLine, bool runsScript) {
    const int code = exitCodeOf(process);
    if (runsScript || process.exitStatus() == QProcess::CrashExit ||
        (code != shellCommandNotFound && code != shellCommandNotRunnable))
        return code;
    const std::optional<QString> command = leadingWord(commandLine);
    if (!command)
        return code;
    switch (lookUpCommand(*command)) {
    case CommandLookup::missing:
        return startFailure(FileNotFound);
    case CommandLookup::notRunnable:
        return startFailure(PermissionDenied);
    case CommandLookup::found:
        break;
    }
    return code;
}

} // namespace

int RunAndWait(const QString& commandLine, std::optional<int> /*windowStyle*/) {
    const QFileInfo named(commandLine);
    const bool runsScript = named.isFile();
    if (runsScript && !named.isReadable())
        return startFailure(PermissionDenied);
    QProcess process;
    setUpShell(process, runsScript ? QStringList{commandLine}
                                   : QStringList{QStringLiteral("-c"), commandLine});
    process.start();
    if (!process.waitForStarted(-1))
        return startFailure(FileNotFound);
    if (!waitForEnd(process))
        endProcessGroup(process);
    return resultOf(process, commandLine, runsScript);
}

} // namespace quillbrook
