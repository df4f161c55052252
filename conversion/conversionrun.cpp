#include "conversionrun.h"

#include "dialogs.h"
#include "inputcheck.h"
#include "mobicheck.h"
#include "paths.h"
#include "settingskeys.h"

#include <algorithm>
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
      op_(frontEnd_->dialogs(), frontEnd_->lifetime(), locations::startConverting) {}

ConversionRun::~ConversionRun() = default;

void ConversionRun::start() {
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
    op_.step(140, [&] {
        itemCount_ = frontEnd_->itemCount();
        outcomes_.resize(itemCount_);
    });
    readRunSettings();
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
        simultaneous_ = SimultaneousConversions();
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
    while (starting() && nextPosition_ <= itemCount_ && int(running_.size()) < simultaneous_)
        begin(nextPosition_++);
    advancing_ = false;
    const bool allBegun =
        phase_ == Phase::stopped || (phase_ == Phase::converting && nextPosition_ > itemCount_);
    if (allBegun && running_.empty())
        finish();
}

// Starts the conversion of one input, or fails the input at once when it or
// its output cannot be handed to a converter.
void ConversionRun::begin(int position) {
    QString input;
    op_.step(144, [&] { frontEnd_->showWaitPointer(); });
    op_.step(146, [&] { input = frontEnd_->itemText(position); });
    outcomes_[position - 1].input = input;
    op_.step(150, [&] {
        frontEnd_->showProgressText(QStringLiteral("Processing: ") + FileNameOf(input));
    });
    QString problem;
    op_.step(302, [&] { problem = inputProblem(input); });
    QString output;
    if (problem.isEmpty()) {
        output = formOutput(position, input);
        if (output.isEmpty())
            problem = failureReason(QStringLiteral("no save option is selected."));
    }
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
            outcomes_[position - 1].damage = damageOf(input).value_or(QString());
    });
    running_.push_back(std::move(conversion));
}

// Output names are decided here, in list order, whatever order the
// conversions end in.
QString ConversionRun::formOutput(int position, const QString& input) {
    QString output;
    const auto epubName = [&] {
        return StripExtension(FileNameOf(input)) + QStringLiteral(".epub");
    };
    if (op_.when(154, [&] { return frontEnd_->savesToFolder(); }))
        op_.step(156, [&] {
            output = CleanPath(frontEnd_->outputFolderText() + pathSeparator + epubName());
        });
    else if (op_.when(158, [&] { return frontEnd_->savesBesideOriginal(); }))
        op_.step(160, [&] { output = CleanPath(FolderOf(input) + pathSeparator + epubName()); });
    if (output.isEmpty())
        return {};
    knowInputs();
    const QString claimed = outputNames_.claim(output);
    if (claimed != output)
        outcomes_[position - 1].renamedTo = FileNameOf(claimed);
    return claimed;
}

// Every item of the list is an input no output may replace, also one added
// while the run goes on, though the run does not convert it.
void ConversionRun::knowInputs() {
    for (const int count = frontEnd_->itemCount(); inputsKnown_ < count;)
        outputNames_.addInput(frontEnd_->itemText(++inputsKnown_));
}

// A conversion that fails to start reports here from inside begin(), before
// it is one of the running ones.
void ConversionRun::conversionDone(InputConversion* conversion, const ConversionEnd& end) {
    letGo(conversion);
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

// Items added during the run are not converted by it, yet they count here.
void ConversionRun::inputEnded(int position, const ConversionEnd& end) {
    op_.step(190, [&] {
        outcomes_[position - 1].converted = end.converted;
        outcomes_[position - 1].error = end.reason;
    });
    ++endedCount_;
    op_.step(148,
             [&] { frontEnd_->showProgress(progressValue(endedCount_, frontEnd_->itemCount())); });
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
    for (const int position : stopRunning())
        outcomes_[position - 1].error = stoppedByUserReason();
    for (; nextPosition_ <= itemCount_; ++nextPosition_) {
        op_.step(146,
                 [&] { outcomes_[nextPosition_ - 1].input = frontEnd_->itemText(nextPosition_); });
        outcomes_[nextPosition_ - 1].error = notStartedReason();
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
    QString message;
    op_.step(208, [&] { message = finalMessage(outcomes_); });
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
