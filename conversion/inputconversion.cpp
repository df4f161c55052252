#include "inputconversion.h"

#include "converterprocess.h"
#include "failure.h"
#include "handledoperation.h"
#include "logreason.h"
#include "outputstamp.h"
#include "paths.h"
#include "preparedconverter.h"
#include "runoutcomes.h"
#include "stagedoutput.h"

#include <QFile>
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
QString reasonFromEnding(const ConverterProcess& converter) {
    if (converter.endedBySignal())
        return failureReason(QStringLiteral("the converter was ended by signal SIG%1.")
                                 .arg(QLatin1String(sigabbrev_np(converter.exitStatus()))));
    if (converter.exitStatus() != 0)
        return failureReason(
            QStringLiteral("the converter ended with exit status %1.").arg(converter.exitStatus()));
    return failureReason(QStringLiteral("the converter ended without writing the EPUB file."));
}

} // namespace

InputConversion::InputConversion(int position, QString input, QString output,
                                 const PreparedConverter& converter, HandledOperation& op)
    : position_(position), input_(std::move(input)), output_(std::move(output)), op_(op),
      launcher_(converter.launcher()), temporaryFolder_(converter.temporaryFolder()),
      logFile_(converter.workingFile(QStringLiteral("debug-%1.txt").arg(position))),
      batchFile_(converter.workingFile(QStringLiteral("Convert-%1.bat").arg(position))),
      stagedFile_(converter.workingFile(QStringLiteral("result-%1.epub").arg(position))) {}

InputConversion::~InputConversion() = default;

void InputConversion::start() {
    const QString problem = startConverter();
    if (op_.abandoned())
        return;
    quietFor_.start();
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
QString InputConversion::startConverter() {
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
    if (op_.abandoned())
        return {};
    QString problem;
    op_.step(172, [&] {
        converter_ = std::make_unique<ConverterProcess>(batchFile_, temporaryFolder_);
        connect(converter_.get(), &ConverterProcess::ended, this, &InputConversion::converterEnded);
        if (!converter_->start())
            problem = failureReason(QStringLiteral("the converter could not be started (%1).")
                                        .arg(converter_->errorText()));
    });
    if (!converter_ && problem.isEmpty())
        problem = failureReason(QStringLiteral("the converter could not be started."));
    return problem;
}

void InputConversion::converterEnded() {
    if (state_ != State::running)
        return;
    state_ = State::judging;
    bool converted = false;
    op_.exitIf(174, [&] {
        converted =
            !converter_->endedBySignal() && converter_->exitStatus() == 0 && staged_->written();
        return converted;
    });
    QString reason = converted ? reasonIfFailing([&] { staged_->moveOverOutput(); }) : QString();
    converted = converted && reason.isEmpty();
    if (!converted && reason.isEmpty())
        reason = reasonFromLog();
    removeWorkingFiles();
    end({converted, reason});
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
        op_.step(186, [&] { errorText = failureReason(lines.lastErrorLine); });
    if (errorText.isEmpty())
        op_.step(304, [&] {
            errorText = lines.lastNonEmptyLine.isEmpty() ? reasonFromEnding(*converter_)
                                                         : failureReason(lines.lastNonEmptyLine);
        });
    return errorText;
}

bool InputConversion::silentFor(qint64 milliseconds) {
    if (state_ != State::running)
        return false;
    const OutputStamp log = stampOf(logFile_);
    if (log.size != logSize_) {
        logSize_ = log.size;
        quietFor_.restart();
        return false;
    }
    return quietFor_.elapsed() >= milliseconds;
}

void InputConversion::endAsHung(const QString& reason) {
    if (!stop())
        return;
    end({false, reason});
}

bool InputConversion::stop() {
    if (state_ != State::running)
        return false;
    state_ = State::judging;
    converter_->endTree();
    removeWorkingFiles();
    state_ = State::ended;
    return true;
}

// Plain removals: the usual quiet delete lets window events through, which
// would let further converter ends run in the middle of this one.
void InputConversion::removeWorkingFiles() {
    op_.step(192, [&] { QFile::remove(logFile_); });
    op_.step(194, [&] { QFile::remove(batchFile_); });
}

void InputConversion::end(const ConversionEnd& end) {
    state_ = State::ended;
    emit done(end);
}

} // namespace quillbrook
