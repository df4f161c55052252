#include "inputconversion.h"

#include "converterprocess.h"
#include "converterserver.h"
#include "failure.h"
#include "handledoperation.h"
#include "logreason.h"
#include "paths.h"
#include "plainreasons.h"
#include "preparedconverter.h"
#include "runoutcomes.h"
#include "servedconversion.h"
#include "stagedoutput.h"

#include <QFile>
#include <QFileInfo>
#include <cstring>
#include <functional>

namespace quillbrook {

namespace {

// One piece of the batch line, taken literally by the shell whatever it holds.
QString shellQuoted(QString piece) {
    piece.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + piece + QLatin1Char('\'');
}

// Runs the action; when it fails, returns the reason the input is listed with.
QString reasonIfFailing(const std::function<void()>& action) {
    try {
        action();
        return {};
    } catch (const Failure& failure) {
        return failureReason(failure);
    }
}

// The program's own reason when the converter's log gives none.
QString reasonFromEnding(bool endedBySignal, int exitStatus) {
    if (endedBySignal)
        return failureReason(QStringLiteral("the converter was ended by signal SIG%1.")
                                 .arg(QLatin1String(sigabbrev_np(exitStatus))));
    if (exitStatus != 0)
        return failureReason(
            QStringLiteral("the converter ended with exit status %1.").arg(exitStatus));
    return failureReason(QStringLiteral("the converter ended without writing the EPUB file."));
}

// The book goes on through the per-book launcher; the reason goes to the error stream.
void reportFallBack(const QString& input, const QString& reason) {
    qWarning("Quillbrook: %s goes through the per-book launcher: %s", qUtf8Printable(input),
             qUtf8Printable(reason));
}

} // namespace

InputConversion::InputConversion(int position, QString input, QString output,
                                 const PreparedConverter& converter, HandledOperation& op)
    : position_(position), input_(std::move(input)), output_(std::move(output)), op_(op),
      launcher_(converter.launcher()), temporaryFolder_(converter.temporaryFolder()),
      logFile_(converter.workingFile(QStringLiteral("debug-%1.txt").arg(position))),
      batchFile_(converter.workingFile(QStringLiteral("Convert-%1.bat").arg(position))),
      stagedFile_(converter.workingFile(QStringLiteral("result-%1.epub").arg(position))),
      server_(converter.server()) {}

InputConversion::~InputConversion() = default;

// The batch file is written also for the warm converter: a book it loses
// goes through the launcher.
void InputConversion::start() {
    QString problem = writeBatchFile();
    if (op_.abandoned())
        return;
    if (problem.isEmpty() && server_ && server_->isStarting()) {
        state_ = State::awaitingServer;
        connect(server_, &ConverterServer::ready, this, &InputConversion::serverSettled);
        connect(server_, &ConverterServer::failed, this, &InputConversion::serverSettled);
        return;
    }
    if (problem.isEmpty())
        problem = startConverter(false);
    settle(problem);
}

void InputConversion::serverSettled() {
    if (state_ != State::awaitingServer)
        return;
    disconnect(server_, nullptr, this, nullptr);
    settle(startConverter(false));
}

// Running from now on, or ended for the reason the converter could not start.
void InputConversion::settle(const QString& problem) {
    if (op_.abandoned())
        return;
    quietFor_.start();
    logSize_ = -1;
    if (problem.isEmpty()) {
        state_ = State::running;
        return;
    }
    removeWorkingFiles();
    end({false, problem});
}

// The batch line is a shell line: every piece is quoted so that nothing in a
// path is run, the log takes both output streams, "exec" makes the converter
// the process that dies with the program, and the closing comment swallows
// the carriage return that ends every line the program writes.
QString InputConversion::writeBatchFile() {
    if (QString problem = reasonIfFailing(
            [&] { staged_ = std::make_unique<StagedOutput>(output_, stagedFile_); });
        !problem.isEmpty())
        return problem;
    QString command;
    QString arguments;
    op_.step(162, [&] { command = shellQuoted(launcher_); });
    op_.step(164, [&] {
        arguments = shellQuoted(input_) + QLatin1Char(' ') + shellQuoted(staged_->path());
    });
    op_.step(166, [&] {
        arguments += QStringLiteral(" > ") + shellQuoted(logFile_) + QStringLiteral(" 2>&1 #");
    });
    // A batch file that could not be written is never run: its path is not a command line.
    try {
        WriteTextFile(QStringLiteral("exec ") + command + QLatin1Char(' ') + arguments, batchFile_);
    } catch (const Failure& failure) {
        return failureReason(QStringLiteral("the batch file could not be written: ") +
                             failure.description() + QLatin1Char('.'));
    }
    return {};
}

QString InputConversion::startConverter(bool launcherOnly) {
    if (op_.abandoned())
        return {};
    QString problem;
    op_.step(172, [&] {
        if (launcherOnly || !server_ || !server_->isReady() || !startServed())
            problem = startLauncher();
    });
    if (!served_ && !converter_ && problem.isEmpty())
        problem = failureReason(QStringLiteral("the converter could not be started."));
    return problem;
}

bool InputConversion::startServed() {
    served_ = std::make_unique<ServedConversion>(
        *server_, ServedBook{position_, input_, staged_->path(), logFile_, temporaryFolder_});
    connect(served_.get(), &ServedConversion::ended, this, &InputConversion::servedEnded);
    if (served_->start())
        return true;
    reportFallBack(input_, served_->errorText());
    served_.reset();
    return false;
}

QString InputConversion::startLauncher() {
    converter_ = std::make_unique<ConverterProcess>(batchFile_, temporaryFolder_);
    connect(converter_.get(), &ConverterProcess::ended, this, &InputConversion::converterEnded);
    if (!converter_->start())
        return failureReason(QStringLiteral("the converter could not be started (%1).")
                                 .arg(converter_->errorText()));
    return {};
}

// A lost book starts afresh: a new staged output, so that nothing the lost
// child wrote can count as the launcher's result.
void InputConversion::servedEnded() {
    if (state_ != State::running || converter_)
        return;
    if (!served_->lost())
        return converterEnded();
    reportFallBack(input_, served_->errorText());
    state_ = State::judging;
    QString problem = writeBatchFile();
    if (problem.isEmpty())
        problem = startConverter(true);
    settle(problem);
}

void InputConversion::converterEnded() {
    if (state_ != State::running)
        return;
    state_ = State::judging;
    bool converted = false;
    op_.exitIf(174, [&] {
        converted = !endedBySignal() && exitStatus() == 0 && staged_->written();
        return converted;
    });
    QString reason = converted ? reasonIfFailing([&] { staged_->moveOverOutput(); }) : QString();
    // A failed move is the program's own; the converter's log then tells of a success.
    const bool converterFailed = !converted;
    converted = converted && reason.isEmpty();
    if (!converted && reason.isEmpty())
        reason = reasonFromLog();
    removeWorkingFiles(converterFailed);
    end({converted, reason, converterFailed ? logFile_ : QString()});
}

// The last log line that mentions an error; without one, the last line the
// converter wrote; with an empty log, how the converter ended. The log is read
// as a stream: a log of any size costs no more memory than one cut line.
QString InputConversion::reasonFromLog() {
    QString errorText;
    LogReasonLines lines;
    op_.step(176, [&] { errorText.clear(); });
    if (!op_.exitIf(178, [&] { return !PathExists(logFile_); }))
        op_.step(180, [&] { lines = reasonLinesOfLog(logFile_); });
    if (!lines.lastErrorLine.isEmpty())
        op_.step(186, [&] { errorText = failureReason(plainReason(lines.lastErrorLine)); });
    if (errorText.isEmpty())
        op_.step(304, [&] {
            errorText = lines.lastNonEmptyLine.isEmpty()
                            ? reasonFromEnding(endedBySignal(), exitStatus())
                            : failureReason(plainReason(lines.lastNonEmptyLine));
        });
    return errorText;
}

// The launcher's end when it ran, otherwise the warm converter's child's.
bool InputConversion::endedBySignal() const {
    return converter_ ? converter_->endedBySignal() : served_->endedBySignal();
}

int InputConversion::exitStatus() const {
    return converter_ ? converter_->exitStatus() : served_->exitStatus();
}

bool InputConversion::silentFor(qint64 milliseconds) {
    if (state_ != State::running)
        return false;
    const qint64 logSize = QFileInfo(logFile_).size();
    if (logSize != logSize_) {
        logSize_ = logSize;
        quietFor_.restart();
        return false;
    }
    return quietFor_.elapsed() >= milliseconds;
}

// The log of a hung converter shows what it was doing when it stopped writing.
void InputConversion::endAsHung(const QString& reason) {
    if (!endConverter(true))
        return;
    end({false, reason, logFile_});
}

bool InputConversion::stop() {
    return endConverter(false);
}

bool InputConversion::endConverter(bool keepingLog) {
    if (state_ != State::running && state_ != State::awaitingServer)
        return false;
    state_ = State::judging;
    if (server_)
        disconnect(server_, nullptr, this, nullptr);
    if (served_)
        served_->endTree();
    if (converter_)
        converter_->endTree();
    removeWorkingFiles(keepingLog);
    state_ = State::ended;
    return true;
}

// Plain removals: the usual quiet delete lets window events through, which
// would let further converter ends run in the middle of this one.
void InputConversion::removeWorkingFiles(bool keepingLog) {
    if (!keepingLog)
        op_.step(192, [&] { QFile::remove(logFile_); });
    op_.step(194, [&] { QFile::remove(batchFile_); });
}

void InputConversion::end(const ConversionEnd& end) {
    state_ = State::ended;
    emit done(end);
}

} // namespace quillbrook
