#pragma once

#include "handledoperation.h"
#include "inputconversion.h"
#include "keptlogs.h"
#include "outputnames.h"
#include "preparedconverter.h"
#include "runfrontend.h"
#include "runoutcomes.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <memory>
#include <optional>
#include <vector>

namespace quillbrook {

// One press of "Start Converting", until its final message has been closed:
// it checks the list and the destination, prepares the converter, converts
// every input of the list, those added while it runs included, several at
// once (SimultaneousConversions), skips books already converted when asked to,
// ends a converter whose log stays silent too long (StalledConverterMinutes),
// and shows one message that names what was not converted. It is driven from
// the event loop by the conversions' ends and the stall watch, and handlers
// can nest (an error report or a question runs the event loop), so every
// handler ends in advance(), which starts what may start and finishes once.
// It reads and shows everything through its front end, and deletes itself
// when it has ended.
class ConversionRun : public QObject {
    Q_OBJECT

public:
    ConversionRun(std::unique_ptr<RunFrontEnd> frontEnd, QObject* parent);
    ~ConversionRun() override;

    void start();
    // "Start Converting" pressed during the run: asks whether to stop it.
    void askToStop();
    // The window is asked to close: while converting, asks the Stop question.
    // True when the window may close (then abandon() follows); false keeps the
    // window and the run going.
    bool mayClose();
    // The program is ending: every converter is ended and the working folder
    // removed, at once and without a message; nothing of the run happens after.
    void abandon();

private:
    enum class Phase {
        preparing,  // the checks and the converter's preparation
        converting, // inputs are started as places free up
        asking,     // converting, while the Stop question is open
        stopped,    // the user stopped the run; conversions being judged still end
        finished,   // the final message is shown or has been closed
        abandoned,  // the program ended during the run
    };

    QString destinationProblem();
    void readRunSettings();
    void advance();
    void begin(int position);
    InputOutcome& outcomeOf(int position);
    QString keptSubfolderOf(int position, const QString& input);
    void skip(int position);
    QString formOutput(int position, const QString& input, const QString& subfolder);
    void knowInputs();
    void conversionDone(InputConversion* conversion, const ConversionEnd& end);
    void letGo(InputConversion* conversion);
    void keepLog(const InputConversion& conversion, const ConversionEnd& end);
    void inputEnded(int position, const ConversionEnd& end);
    // The input starting, if one is, counts among those being converted.
    void showProcessing(const std::optional<QString>& starting);
    void tellFinished(int position);
    void watchForStalls();
    bool userStops();
    void stop();
    std::vector<int> stopRunning();
    void finish();
    void end();

    std::unique_ptr<RunFrontEnd> frontEnd_;
    HandledOperation op_;
    Phase phase_ = Phase::preparing;
    // Set while starts are held back: advance() then starts and finishes nothing.
    bool advancing_ = false;
    PreparedConverter converter_;
    OutputNames outputNames_;
    std::vector<InputOutcome> outcomes_;
    KeptLogs keptLogs_;
    QElapsedTimer runTime_;
    // Declared after the converter: conversions end before their folder goes.
    std::vector<std::unique_ptr<InputConversion>> running_;
    // The items of the list counted among the inputs so far, from the top.
    int inputsKnown_ = 0;
    int nextPosition_ = 1;
    int endedCount_ = 0;
    int finishedCount_ = 0;
    int simultaneous_ = 1;
    double stalledMinutes_ = 0;
    QTimer stallWatch_;
};

} // namespace quillbrook
