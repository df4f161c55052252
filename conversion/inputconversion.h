#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

namespace quillbrook {

class ConverterProcess;
class ConverterServer;
class HandledOperation;
class PreparedConverter;
class ServedConversion;
class StagedOutput;

// How one input's conversion ended: converted, or the reason it was not.
struct ConversionEnd {
    bool converted = false;
    QString reason;
    // When a converter ran and did not convert the input: its log, left in
    // the run folder for the run to keep; the run removes it.
    QString log{};
};

// One input's conversion: its batch file, log and staged output in the run
// folder, and the converter: a child of the
// run's warm converter when that is ready, otherwise the converter process
// that runs the batch file (the per-book launcher). While the warm converter
// is starting, the input waits for it. A book that the warm converter loses
// (its server ended, or it could not start the book's child) is converted
// once more through the launcher. However it ends (the converter could not
// be started, the converter ended, or it was ended as hung) it reports that
// once, by done(); only a stop() asked for by the run ends it without one.
// Its numbered steps run in the run's handled operation.
class InputConversion : public QObject {
    Q_OBJECT

public:
    InputConversion(int position, QString input, QString output, const PreparedConverter& converter,
                    HandledOperation& op);
    // A converter still running is ended with everything it started.
    ~InputConversion() override;

    int position() const { return position_; }
    const QString& input() const { return input_; }

    // Starts the converter, or waits for the warm converter when it is still
    // starting. A start that fails is reported by done(), before this returns
    // unless the input waited. Once the program has ended, nothing starts and
    // nothing is reported.
    void start();
    bool hasEnded() const { return state_ == State::ended; }

    // True when the converter has been running for the given time since its
    // log last grew.
    bool silentFor(qint64 milliseconds);
    // Ends a running converter as hung; done() reports the reason.
    void endAsHung(const QString& reason);
    // Ends a running or waiting converter and removes its working files, with
    // no done(): the run names the reason itself. False, and nothing done,
    // when the converter is not running (its end is being judged, or it has ended).
    bool stop();

signals:
    void done(const ConversionEnd& end);

private:
    // awaitingServer: waits for the warm converter to be ready or fail;
    // running: the converter is going; judging: it has ended and its result
    // is being judged (which may show an error report and let the event loop run).
    enum class State { waiting, awaitingServer, running, judging, ended };

    QString writeBatchFile();
    void serverSettled();
    QString startConverter(bool launcherOnly);
    bool startServed();
    QString startLauncher();
    void settle(const QString& problem);
    void servedEnded();
    void converterEnded();
    bool endedBySignal() const;
    int exitStatus() const;
    QString reasonFromLog();
    bool endConverter(bool keepingLog);
    void removeWorkingFiles(bool keepingLog = false);
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
    // The run's warm converter; null when the run goes without it.
    const QPointer<ConverterServer> server_;
    State state_ = State::waiting;
    // Declared before the converters: they end before their staged output goes.
    std::unique_ptr<StagedOutput> staged_;
    std::unique_ptr<ServedConversion> served_;
    std::unique_ptr<ConverterProcess> converter_;
    qint64 logSize_ = -1;
    QElapsedTimer quietFor_;
};

} // namespace quillbrook
