#include "conversionrun.h"

#include "dialogs.h"
#include "inputcheck.h"
#include "keptlogs.h"
#include "libraryoutputs.h"
#include "mobicheck.h"
#include "paths.h"
#include "settingskeys.h"

#include <QDateTime>
#include <QFile>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <utility>

namespace quillbrook {

namespace {

const QString stopQuestion =
    QStringLiteral("Stop converting? The files being converted now are stopped, and the files not "
                   "yet started are not converted.");

// The share of the list ended, for a bar that runs from 0 to 100; halves go
// to the even neighbour, as the bar was always fed.
int progressValue(int ended, int itemCount) {
    return static_cast<int>(std::lrint(std::min(100.0, double(ended) / itemCount * 100.0)));
}

} // namespace

ConversionRun::ConversionRun(std::unique_ptr<RunFrontEnd> frontEnd, QObject* parent)
    : QObject(parent), frontEnd_(std::move(frontEnd)),
      op_(frontEnd_->dialogs(), frontEnd_->lifetime(), locations::startConverting),
      keptLogs_(keptLogsFolder(), QDateTime::currentDateTime()) {}

ConversionRun::~ConversionRun() = default;

void ConversionRun::start() {
    runTime_.start();
    // A folder add's listing lets window events through; a run may not start in it.
    if (op_.exitIf(100, [&] { return frontEnd_->folderAddGoingOn(); }))
        return end();
    op_.step(102, [&] { frontEnd_->setCurrentRun(this); });
    if (op_.exitIf(104, [&] { return frontEnd_->itemCount() == 0; })) {
        op_.step(214, [&] { frontEnd_->showMessage(QStringLiteral("No files added.")); });
        return end();
    }
    if (const QString problem = destinationProblem(); !problem.isEmpty()) {
        op_.step(212, [&] { frontEnd_->showMessage(problem); });
        return end();
    }
    op_.step(108, [&] { frontEnd_->beginBusy(); });
    op_.step(110, [&] { outcomes_.clear(); });
    const QString setupProblem =
        converter_.prepare(frontEnd_->programFolder(), frontEnd_->lifetime());
    if (!setupProblem.isEmpty() || op_.abandoned()) {
        converter_.remove();
        op_.step(200, [&] { frontEnd_->endBusy(); });
        op_.step(306, [&] {
            frontEnd_->showMessage(QStringLiteral("The converter could not be prepared: ") +
                                   setupProblem);
        });
        return end();
    }
    op_.step(140, [&] { outcomes_.resize(frontEnd_->itemCount()); });
    readRunSettings();
    op_.step(310, [&] { frontEnd_->showProgress(0); });
    phase_ = Phase::converting;
    advance();
}

// The output folder is looked at only here; with neither save option selected
// there is no place to put results, and the user is asked to choose one.
QString ConversionRun::destinationProblem() {
    QString problem;
    op_.step(106, [&] {
        if (!frontEnd_->savesToFolder() && !frontEnd_->savesBesideOriginal())
            problem = QStringLiteral(
                "No save option is selected. Please select where to save the results.");
        else if (!frontEnd_->savesBesideOriginal() && !FolderExists(frontEnd_->outputFolderText()))
            problem = QStringLiteral("Folder does not exist. Please select another folder.");
    });
    return problem;
}

void ConversionRun::readRunSettings() {
    op_.step(300, [&] {
        simultaneous_ = frontEnd_->simultaneousConversions();
        stalledMinutes_ = StalledConverterMinutes();
    });
    if (stalledMinutes_ <= 0)
        return;
    // Often enough that a stall is seen within a few percent of the limit.
    const double limit = stalledMinutes_ * 60000;
    stallWatch_.setInterval(int(std::clamp(limit / 20, 50.0, 1000.0)));
    connect(&stallWatch_, &QTimer::timeout, this, &ConversionRun::watchForStalls);
    stallWatch_.start();
}

void ConversionRun::advance() {
    const auto starting = [&] { return phase_ == Phase::converting || phase_ == Phase::asking; };
    if (advancing_ || (!starting() && phase_ != Phase::stopped))
        return;
    advancing_ = true;
    // The list is read as it is now: items added during the run are taken too.
    while (starting() && nextPosition_ <= frontEnd_->itemCount() &&
           int(running_.size()) < simultaneous_)
        begin(nextPosition_++);
    advancing_ = false;
    const bool allBegun = phase_ == Phase::stopped ||
                          (phase_ == Phase::converting && nextPosition_ > frontEnd_->itemCount());
    if (allBegun && running_.empty())
        finish();
}

// Starts the conversion of one input, or fails the input at once when it or
// its output cannot be handed to a converter.
void ConversionRun::begin(int position) {
    QString input;
    op_.step(144, [&] { frontEnd_->showWaitPointer(); });
    op_.step(146, [&] { input = frontEnd_->itemText(position); });
    outcomeOf(position).input = input;
    op_.step(150, [&] { showProcessing(input); });
    QString problem;
    op_.step(302, [&] { problem = inputProblem(input); });
    QString subfolder;
    QString output;
    if (problem.isEmpty()) {
        subfolder = keptSubfolderOf(position, input);
        output = formOutput(position, input, subfolder);
        if (output.isEmpty())
            problem = failureReason(QStringLiteral("no save option is selected."));
    }
    if (problem.isEmpty() && frontEnd_->skipsConverted() && isConvertedAlready(output, input))
        return skip(position);
    if (problem.isEmpty() && !subfolder.isEmpty())
        problem = makeSubfolders(FolderOf(output).chopped(subfolder.size()), subfolder);
    if (!problem.isEmpty())
        return inputEnded(position, {false, problem});
    auto conversion = std::make_unique<InputConversion>(position, input, output, converter_, op_);
    connect(conversion.get(), &InputConversion::done, this,
            [this, c = conversion.get()](const ConversionEnd& end) { conversionDone(c, end); });
    conversion->start();
    if (phase_ == Phase::abandoned || conversion->hasEnded())
        return;
    // Read while the converters work, so the check adds nothing to the run's time.
    op_.step(308, [&] {
        if (isMobiBook(input))
            outcomeOf(position).damage = damageOf(input).value_or(QString());
    });
    running_.push_back(std::move(conversion));
}

// The outcome of an input; the vector grows with items added during the run.
InputOutcome& ConversionRun::outcomeOf(int position) {
    if (std::size_t(position) > outcomes_.size())
        outcomes_.resize(position);
    return outcomes_[position - 1];
}

// Under "Keep sub-folders", a book saved to the output folder goes into the
// sub-folder it had below the folder it came with.
QString ConversionRun::keptSubfolderOf(int position, const QString& input) {
    if (!frontEnd_->savesToFolder() || !frontEnd_->keepsSubfolders())
        return {};
    return keptSubfolder(input, frontEnd_->itemBaseFolder(position));
}

// The book's output is newer than the book: it counts as skipped, not as a failure.
void ConversionRun::skip(int position) {
    outcomeOf(position).skipped = true;
    inputEnded(position, {false, QString()});
}

// Output names are decided here, in list order, whatever order the
// conversions end in; the "(2)" rule holds within each sub-folder.
QString ConversionRun::formOutput(int position, const QString& input, const QString& subfolder) {
    QString output;
    const auto epubName = [&] {
        return StripExtension(FileNameOf(input)) + QStringLiteral(".epub");
    };
    if (op_.when(154, [&] { return frontEnd_->savesToFolder(); }))
        op_.step(156, [&] {
            output =
                CleanPath(frontEnd_->outputFolderText() + pathSeparator + subfolder + epubName());
        });
    else if (op_.when(158, [&] { return frontEnd_->savesBesideOriginal(); }))
        op_.step(160, [&] { output = CleanPath(FolderOf(input) + pathSeparator + epubName()); });
    if (output.isEmpty())
        return {};
    knowInputs();
    const QString claimed = outputNames_.claim(output);
    if (claimed != output)
        outcomeOf(position).renamedTo = FileNameOf(claimed);
    return claimed;
}

// Every item of the list is an input no output may replace, also one added
// while the run goes on, before its own turn comes.
void ConversionRun::knowInputs() {
    for (const int count = frontEnd_->itemCount(); inputsKnown_ < count;)
        outputNames_.addInput(frontEnd_->itemText(++inputsKnown_));
}

// A conversion that fails to start reports here from inside begin(), before
// it is one of the running ones.
void ConversionRun::conversionDone(InputConversion* conversion, const ConversionEnd& end) {
    letGo(conversion);
    keepLog(*conversion, end);
    inputEnded(conversion->position(), end);
    advance();
}

// The conversion may still be sending the signal that got here, or be
// judging its end under an open dialog: it goes once the event loop is back.
void ConversionRun::letGo(InputConversion* conversion) {
    const auto found = std::find_if(running_.begin(), running_.end(),
                                    [&](const auto& each) { return each.get() == conversion; });
    if (found == running_.end())
        return;
    found->release()->setParent(this);
    conversion->deleteLater();
    running_.erase(found);
}

// Copied at once, so that the run folder holds no more logs than converters.
void ConversionRun::keepLog(const InputConversion& conversion, const ConversionEnd& end) {
    if (end.log.isEmpty())
        return;
    op_.step(312, [&] { keptLogs_.keep(end.log, FileNameOf(conversion.input())); });
    QFile::remove(end.log);
}

// The bar counts every item of the list as it is now.
void ConversionRun::inputEnded(int position, const ConversionEnd& end) {
    op_.step(190, [&] {
        outcomeOf(position).converted = end.converted;
        outcomeOf(position).error = end.reason;
    });
    ++endedCount_;
    op_.step(148,
             [&] { frontEnd_->showProgress(progressValue(endedCount_, frontEnd_->itemCount())); });
    if (!running_.empty())
        op_.step(150, [&] { showProcessing(std::nullopt); });
    tellFinished(position);
}

// Counted apart from the ended inputs: a stop finishes inputs that never end.
void ConversionRun::tellFinished(int position) {
    ++finishedCount_;
    op_.step(196, [&] {
        frontEnd_->inputFinished(finishedCount_, frontEnd_->itemCount(), outcomeOf(position));
    });
}

// "Processing: " and the input converting longest (the one starting, when
// none is running), then " (and N more)" for the others beside it.
void ConversionRun::showProcessing(const std::optional<QString>& starting) {
    const QString longest =
        running_.empty() ? starting.value_or(QString()) : running_.front()->input();
    const qsizetype others = qsizetype(running_.size()) - (starting ? 0 : 1);
    QString text = QStringLiteral("Processing: ") + FileNameOf(longest);
    if (others > 0)
        text += QStringLiteral(" (and %1 more)").arg(others);
    frontEnd_->showProgressText(text);
}

// Starts are held back until every hung converter of this look is ended.
void ConversionRun::watchForStalls() {
    const qint64 limit = std::llround(stalledMinutes_ * 60000);
    std::vector<InputConversion*> stalled;
    for (const auto& conversion : running_)
        if (conversion->silentFor(limit))
            stalled.push_back(conversion.get());
    if (stalled.empty())
        return;
    const bool held = std::exchange(advancing_, true);
    for (InputConversion* conversion : stalled)
        conversion->endAsHung(stalledReason(stalledMinutes_));
    advancing_ = held;
    advance();
}

// The stop question; the run does not finish while it is asked.
bool ConversionRun::userStops() {
    phase_ = Phase::asking;
    bool stopping = false;
    op_.step(218, [&] { stopping = frontEnd_->confirmStop(stopQuestion); });
    if (phase_ == Phase::asking)
        phase_ = Phase::converting;
    return stopping;
}

void ConversionRun::askToStop() {
    if (phase_ != Phase::converting)
        return;
    const bool stopping = userStops();
    if (phase_ == Phase::abandoned)
        return;
    if (stopping)
        op_.step(220, [&] { stop(); });
    advance();
}

// Once the run no longer converts, only its final message or its last ends
// are left, and the window may close; while the question is open it stays.
bool ConversionRun::mayClose() {
    if (phase_ == Phase::asking)
        return false;
    if (phase_ != Phase::converting)
        return true;
    if (userStops() || phase_ == Phase::abandoned)
        return true;
    advance();
    return false;
}

// Stopped inputs keep what was at their output path: their staged files go.
void ConversionRun::stop() {
    phase_ = Phase::stopped;
    for (const int position : stopRunning()) {
        outcomeOf(position).error = stoppedByUserReason();
        tellFinished(position);
    }
    for (; nextPosition_ <= frontEnd_->itemCount(); ++nextPosition_) {
        op_.step(146, [&] { outcomeOf(nextPosition_).input = frontEnd_->itemText(nextPosition_); });
        outcomeOf(nextPosition_).error = notStartedReason();
        tellFinished(nextPosition_);
    }
}

// A conversion whose end is being judged may be waiting under an open dialog
// further down the stack: it stays, and reports its end as it does.
std::vector<int> ConversionRun::stopRunning() {
    std::vector<int> stopped;
    for (auto it = running_.begin(); it != running_.end();) {
        if ((*it)->stop()) {
            stopped.push_back((*it)->position());
            it = running_.erase(it);
        } else {
            ++it;
        }
    }
    return stopped;
}

void ConversionRun::finish() {
    phase_ = Phase::finished;
    stallWatch_.stop();
    op_.step(198, [&] { converter_.remove(); });
    op_.step(200, [&] { frontEnd_->endBusy(); });
    op_.step(202, [&] { frontEnd_->showProgress(0); });
    op_.step(204, [&] { frontEnd_->showRestingProgressText(); });
    op_.step(314, [&] {
        frontEnd_->runEnded(convertedCount(outcomes_), int(outcomes_.size()),
                            std::chrono::milliseconds(runTime_.elapsed()));
    });
    QString message;
    op_.step(208, [&] { message = finalMessage(outcomes_, keptLogs_.folder()); });
    op_.step(210, [&] { frontEnd_->showMessage(message); });
    if (phase_ != Phase::abandoned)
        end();
}

void ConversionRun::end() {
    frontEnd_->setCurrentRun(nullptr);
    deleteLater();
}

// No step runs any more, so nothing here is one.
void ConversionRun::abandon() {
    const bool finished = phase_ == Phase::finished;
    phase_ = Phase::abandoned;
    stallWatch_.stop();
    stopRunning();
    converter_.remove();
    if (!finished)
        frontEnd_->endBusy();
    frontEnd_->setCurrentRun(nullptr);
}

} // namespace quillbrook
