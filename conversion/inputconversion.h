#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <memory>

namespace quillbrook {

class ConverterProcess;
class HandledOperation;
class PreparedConverter;
class StagedOutput;

// How one input's conversion ended: converted, or the reason it was not.
struct ConversionEnd {
    bool converted = false;
    QString reason;
};

// One input's conversion: its batch file, log and staged output in the run
// folder, and the converter process that runs
// the batch file. However it ends (the converter could not be started, the
// converter ended, or it was ended as hung) it reports that once, by done();
// only a stop() asked for by the run ends it without one. Its numbered steps
// run in the run's handled operation.
class InputConversion : public QObject {
    Q_OBJECT

public:
    InputConversion(int position, QString input, QString output, const PreparedConverter& converter,
                    HandledOperation& op);
    // A converter still running is ended with everything it started.
    ~InputConversion() override;

    int position() const { return position_; }
    const QString& input() const { return input_; }

    // Starts the converter. A start that fails is reported by done() before
    // this returns. Once the program has ended, nothing starts and nothing is
    // reported.
    void start();
    bool hasEnded() const { return state_ == State::ended; }

    // True when the converter has been running for the given time since its
    // log last grew.
    bool silentFor(qint64 milliseconds);
    // Ends a running converter as hung; done() reports the reason.
    void endAsHung(const QString& reason);
    // Ends a running converter and removes its working files, with no done():
    // the run names the reason itself. False, and nothing done, when the
    // converter is not running (its end is being judged, or it has ended).
    bool stop();

signals:
    void done(const ConversionEnd& end);

private:
    // running: the converter is going; judging: it has ended and its result
    // is being judged (which may show an error report and let the event loop run).
    enum class State { waiting, running, judging, ended };

    QString startConverter();
    void converterEnded();
    QString reasonFromLog();
    void removeWorkingFiles();
    void end(const ConversionEnd& end);

    const int position_;
    const QString input_;
    const QString output_;
    HandledOperation& op_;
    const QString launcher_;
    const QString temporaryFolder_;
    const QString logFile_;
    const QString batchFile_;
    const QString stagedFile_;
    State state_ = State::waiting;
    // Declared before the converter: the converter ends before its staged output goes.
    std::unique_ptr<StagedOutput> staged_;
    std::unique_ptr<ConverterProcess> converter_;
    qint64 logSize_ = -1;
    QElapsedTimer quietFor_;
};

} // namespace quillbrook
