#include "conversionrun.h"

#include "apptitle.h"
#include "busystate.h"
#include "conversionsettings.h"
#include "converterprocess.h"
#include "cunzip.h"
#include "dialogs.h"
#include "failure.h"
#include "handledoperation.h"
#include "inputcheck.h"
#include "inputlist.h"
#include "mobicheck.h"
#include "munzip.h"
#include "outputnames.h"
#include "outputstamp.h"
#include "paths.h"
#include "runfolder.h"
#include "stagedoutput.h"
#include "textfile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace quillbrook {

namespace {

const QString lineBreak = QStringLiteral("\r\n");

QString closingSentence() {
    return QStringLiteral("were not converted. It may be that they are too big in filesize. "
                          "Please email ") +
           supportAddress +
           QStringLiteral(" a screenshot of this error message if you have any questions.");
}

const QString renamedHeading =
    QStringLiteral("These files were saved under another name, because an earlier file of this "
                   "run has the same name:");
const QString stopQuestion =
    QStringLiteral("Stop converting? The files being converted now are stopped, and the files not "
                   "yet started are not converted.");
const QString stoppedByUser = QStringLiteral(" Error: stopped by the user.");
const QString notStarted = QStringLiteral(" Error: not converted, the run was stopped.");

QByteArray readConverterResource() {
    QFile resource(QStringLiteral(":/CUSTOM/101"));
    if (!resource.open(QIODevice::ReadOnly))
        throw Failure(FileNotFound, QStringLiteral("LoadResData"));
    return resource.readAll();
}

// The archive goes into the run's new folder, so no file of that name can be
// there already; one that is would not be the program's own.
void writeNewFile(const QByteArray& bytes, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) ||
        file.write(bytes) != bytes.size() || !file.flush())
        throw Failure(
            PathFileAccessError,
            QStringLiteral("the converter archive cannot be written (%1)").arg(file.errorString()),
            QStringLiteral("WriteConverterArchive"));
}

// One piece of the batch line, taken literally by the shell whatever it holds.
QString shellQuoted(QString piece) {
    piece.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + piece + QLatin1Char('\'');
}

// The share of the list ended, for a bar that runs from 0 to 100; halves go
// to the even neighbour, as the bar was always fed.
int progressValue(int ended, int itemCount) {
    return static_cast<int>(std::lrint(std::min(100.0, double(ended) / itemCount * 100.0)));
}

QString withoutOuterSpaces(const QString& text) {
    qsizetype first = 0;
    qsizetype end = text.size();
    while (first < end && text[first] == QLatin1Char(' '))
        ++first;
    while (end > first && text[end - 1] == QLatin1Char(' '))
        --end;
    return text.mid(first, end - first);
}

// Runs the action; when it fails, returns the reason a failed input is listed with.
QString reasonIfFailing(const std::function<void()>& action) {
    try {
        action();
        return {};
    } catch (const Failure& failure) {
        return QStringLiteral(" Error: ") + failure.description() + QLatin1Char('.');
    }
}

// The program's own reason when the converter's log gives none.
QString reasonFromEnding(const ConverterProcess& converter) {
    if (converter.endedBySignal())
        return QStringLiteral(" Error: the converter was ended by signal SIG%1.")
            .arg(QLatin1String(sigabbrev_np(converter.exitStatus())));
    if (converter.exitStatus() != 0)
        return QStringLiteral(" Error: the converter ended with exit status %1.")
            .arg(converter.exitStatus());
    return QStringLiteral(" Error: the converter ended without writing the EPUB file.");
}

QString lastNonEmptyLine(const QStringList& lines) {
    for (auto line = lines.crbegin(); line != lines.crend(); ++line)
        if (!line->trimmed().isEmpty())
            return line->trimmed();
    return {};
}

// What became of one input of the run.
struct InputOutcome {
    QString input;
    bool converted = false;
    // The reason it was not converted, as the failure list shows it.
    QString error;
    // The file name it was saved under when an earlier input took its own.
    QString renamedTo;
    // Why the input looks damaged, told only when it was converted.
    QString damage;
};

// One input whose converter is running.
struct Conversion {
    int position = 0;
    QString input;
    QString logFile;
    QString batchFile;
    std::unique_ptr<StagedOutput> staged;
    std::unique_ptr<ConverterProcess> converter;
    qint64 logSize = -1;
    QElapsedTimer quietFor;
};

// One press of "Start Converting" and what it keeps until its final message.
// It is driven by the converters' ends and the stall watch's ticks, and
// handlers can nest (an error report runs the event loop), so every handler
// ends in advance(), which starts what may start and finishes once.
class ConversionRun : public QObject {
public:
    explicit ConversionRun(const ConversionWindow& window)
        : QObject(&window.window), w_(window),
          op_(window.dialogs, window.lifetime, locations::startConverting) {}

    void start();
    void askToStop();
    bool mayClose();
    void abandon();

private:
    QString destinationProblem();
    bool prepare();
    void prepareStep(const std::function<void()>& action);
    void unpackConverter();
    void readRunSettings();
    void advance();
    void begin(int position);
    QString formOutput(int position, const QString& input);
    QString startConverter(Conversion& conversion, const QString& output);
    void converterEnded(Conversion* conversion);
    std::unique_ptr<Conversion> takeRunning(Conversion* conversion);
    QString failureReason(const Conversion& conversion);
    void removeWorkingFiles(const Conversion& conversion);
    void inputEnded(int position, bool converted, const QString& error);
    void watchForStalls();
    bool userStops();
    void stop();
    void finish();
    QString finalMessage();
    void end();
    void showMessage(const QString& text) { w_.dialogs.messageBox(text); }
    QString inRunFolder(const QString& name) const { return runFolder_->file(name); }
    QString launcher() const { return inRunFolder(QStringLiteral("calibre/ebook-convert.exe")); }

    ConversionWindow w_;
    HandledOperation op_;
    std::optional<RunFolder> runFolder_;
    QByteArray archive_;
    std::optional<cUnzip> unzip_;
    QString setupProblem_;
    OutputNames outputNames_;
    std::vector<InputOutcome> outcomes_;
    // Declared after the run folder: converters end before their folder goes.
    std::vector<std::unique_ptr<Conversion>> running_;
    int itemCount_ = 0;
    int nextPosition_ = 1;
    int endedCount_ = 0;
    int simultaneous_ = 1;
    double stalledMinutes_ = 0;
    QTimer stallWatch_;
    bool advancing_ = false;
    bool asking_ = false;
    bool stopped_ = false;
    bool finished_ = false;
    bool abandoned_ = false;
};

void ConversionRun::start() {
    // A folder add's listing lets window events through; a run may not start in it.
    if (op_.exitIf(100, [&] { return isBusyWith(w_.window, BusyWork::folderAdd); }))
        return end();
    op_.step(102, [&] { w_.state.run = this; });
    if (op_.exitIf(104, [&] { return inputlist::count(w_.ListView1) == 0; })) {
        op_.step(214, [&] { showMessage(QStringLiteral("No files added.")); });
        return end();
    }
    if (const QString problem = destinationProblem(); !problem.isEmpty()) {
        op_.step(212, [&] { showMessage(problem); });
        return end();
    }
    op_.step(108, [&] { beginBusy(w_.window, BusyWork::conversionRun); });
    op_.step(110, [&] { outcomes_.clear(); });
    if (!prepare()) {
        runFolder_.reset();
        op_.step(200, [&] { endBusy(w_.window, BusyWork::conversionRun); });
        op_.step(306, [&] {
            showMessage(QStringLiteral("The converter could not be prepared: ") + setupProblem_);
        });
        return end();
    }
    op_.step(140, [&] {
        itemCount_ = inputlist::count(w_.ListView1);
        outcomes_.resize(itemCount_);
    });
    readRunSettings();
    advance();
}

// The output folder is looked at only here; with neither save option selected
// there is no place to put results, and the user is asked to choose one.
QString ConversionRun::destinationProblem() {
    QString problem;
    op_.step(106, [&] {
        if (!w_.Option1.isChecked() && !w_.Option2.isChecked())
            problem = QStringLiteral(
                "No save option is selected. Please select where to save the results.");
        else if (!w_.Option2.isChecked() && !FolderExists(w_.Text1.text()))
            problem = QStringLiteral("Folder does not exist. Please select another folder.");
    });
    return problem;
}

// Everything the converters need, in a folder of the run's own: the first
// failure says why, and then nothing is converted.
bool ConversionRun::prepare() {
    prepareStep([&] { archive_ = readConverterResource(); });
    prepareStep([&] {
        runFolder_.emplace();
        if (!QDir().mkdir(inRunFolder(QStringLiteral("tmp"))))
            throw Failure(PathFileAccessError,
                          QStringLiteral("no folder can be made in %1").arg(runFolder_->path()),
                          QStringLiteral("RunFolder"));
    });
    prepareStep([&] { writeNewFile(archive_, inRunFolder(QStringLiteral("calibre.zip"))); });
    archive_.clear();
    prepareStep([&] { mUnzip::setComponentFolder(w_.programFolder); });
    unpackConverter();
    prepareStep([&] {
        if (!QFileInfo(launcher()).isFile() || !QFileInfo(launcher()).isExecutable())
            throw Failure(
                FileNotFound,
                QStringLiteral("the converter %1 is missing after unpacking").arg(launcher()),
                QStringLiteral("Unzip"));
    });
    if (runFolder_)
        QFile::remove(inRunFolder(QStringLiteral("calibre.zip")));
    return setupProblem_.isEmpty() && !op_.abandoned();
}

void ConversionRun::prepareStep(const std::function<void()>& action) {
    if (!setupProblem_.isEmpty() || op_.abandoned())
        return;
    try {
        action();
    } catch (const Failure& failure) {
        setupProblem_ = failure.description();
    }
}

void ConversionRun::unpackConverter() {
    prepareStep([&] {
        unzip_.emplace();
        unzip_->setZipFile(inRunFolder(QStringLiteral("calibre.zip")));
        unzip_->setUseFolderNames(true);
        unzip_->setUnzipFolder(inRunFolder(QStringLiteral("calibre")));
        if (unzip_->Unzip())
            throw Failure(PathFileAccessError,
                          QStringLiteral("the converter could not be unpacked"),
                          QStringLiteral("Unzip"));
    });
    unzip_.reset();
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
    if (advancing_ || finished_ || abandoned_)
        return;
    advancing_ = true;
    while (!stopped_ && !abandoned_ && nextPosition_ <= itemCount_ &&
           int(running_.size()) < simultaneous_)
        begin(nextPosition_++);
    advancing_ = false;
    if (!abandoned_ && running_.empty() && !asking_ && (stopped_ || nextPosition_ > itemCount_))
        finish();
}

// Starts the converter for one input, or fails the input at once when it or
// its output cannot be handed to a converter.
void ConversionRun::begin(int position) {
    auto conversion = std::make_unique<Conversion>();
    conversion->position = position;
    QString& input = conversion->input;
    op_.step(144, [&] { showWaitPointer(w_.window); });
    op_.step(146, [&] { input = inputlist::itemText(w_.ListView1, position); });
    outcomes_[position - 1].input = input;
    op_.step(150, [&] {
        w_.ProgressBar1.setFormat(QStringLiteral("Processing: ") + FileNameOf(input));
    });
    QString problem;
    op_.step(302, [&] { problem = inputProblem(input); });
    QString output;
    if (problem.isEmpty()) {
        output = formOutput(position, input);
        if (output.isEmpty())
            problem = QStringLiteral(" Error: no save option is selected.");
    }
    if (problem.isEmpty())
        problem = startConverter(*conversion, output);
    if (abandoned_)
        return;
    if (!problem.isEmpty()) {
        removeWorkingFiles(*conversion);
        return inputEnded(position, false, problem);
    }
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
    if (op_.when(154, [&] { return w_.Option1.isChecked(); }))
        op_.step(156, [&] { output = CleanPath(w_.Text1.text() + pathSeparator + epubName()); });
    else if (op_.when(158, [&] { return w_.Option2.isChecked(); }))
        op_.step(160, [&] { output = CleanPath(FolderOf(input) + pathSeparator + epubName()); });
    if (output.isEmpty())
        return {};
    const QString claimed = outputNames_.claim(output);
    if (claimed != output)
        outcomes_[position - 1].renamedTo = FileNameOf(claimed);
    return claimed;
}

// The batch line is a shell line: every piece is quoted so that nothing in a
// path is run, the log takes both output streams, "exec" makes the converter
// the process that dies with the program, and the closing comment swallows
// the carriage return that ends every line the program writes.
QString ConversionRun::startConverter(Conversion& conversion, const QString& output) {
    const QString number = QString::number(conversion.position);
    conversion.logFile = inRunFolder(QStringLiteral("debug-%1.txt").arg(number));
    conversion.batchFile = inRunFolder(QStringLiteral("Convert-%1.bat").arg(number));
    if (QString problem =
            reasonIfFailing([&] { conversion.staged = std::make_unique<StagedOutput>(output); });
        !problem.isEmpty())
        return problem;
    QString command;
    QString arguments;
    op_.step(162, [&] { command = shellQuoted(launcher()); });
    op_.step(164, [&] {
        arguments = shellQuoted(conversion.input) + QLatin1Char(' ') +
                    shellQuoted(conversion.staged->path());
    });
    op_.step(166, [&] {
        arguments +=
            QStringLiteral(" > ") + shellQuoted(conversion.logFile) + QStringLiteral(" 2>&1 #");
    });
    // A batch file that could not be written is never run: its path is not a command line.
    try {
        WriteTextFile(QStringLiteral("exec ") + command + QLatin1Char(' ') + arguments,
                      conversion.batchFile);
    } catch (const Failure& failure) {
        return QStringLiteral(" Error: the batch file could not be written: ") +
               failure.description() + QLatin1Char('.');
    }
    if (abandoned_)
        return {};
    QString problem;
    op_.step(172, [&] {
        conversion.converter = std::make_unique<ConverterProcess>(
            conversion.batchFile, inRunFolder(QStringLiteral("tmp")));
        connect(conversion.converter.get(), &ConverterProcess::ended, this,
                [this, c = &conversion] { converterEnded(c); });
        if (!conversion.converter->start())
            problem = QStringLiteral(" Error: the converter could not be started (%1).")
                          .arg(conversion.converter->errorText());
    });
    if (!conversion.converter && problem.isEmpty())
        problem = QStringLiteral(" Error: the converter could not be started.");
    conversion.quietFor.start();
    return problem;
}

void ConversionRun::converterEnded(Conversion* running) {
    std::unique_ptr<Conversion> conversion = takeRunning(running);
    if (!conversion)
        return;
    bool converted = false;
    op_.exitIf(174, [&] {
        converted = !conversion->converter->endedBySignal() &&
                    conversion->converter->exitStatus() == 0 && conversion->staged->written();
        return converted;
    });
    QString error =
        converted ? reasonIfFailing([&] { conversion->staged->moveOverOutput(); }) : QString();
    converted = converted && error.isEmpty();
    if (!converted && error.isEmpty())
        error = failureReason(*conversion);
    removeWorkingFiles(*conversion);
    // The converter is still sending the signal that got here.
    conversion->converter.release()->deleteLater();
    inputEnded(conversion->position, converted, error);
    advance();
}

std::unique_ptr<Conversion> ConversionRun::takeRunning(Conversion* conversion) {
    const auto found = std::find_if(running_.begin(), running_.end(),
                                    [&](const auto& each) { return each.get() == conversion; });
    if (found == running_.end())
        return nullptr;
    std::unique_ptr<Conversion> taken = std::move(*found);
    running_.erase(found);
    return taken;
}

// The last log line that mentions an error; without one, the last line the
// converter wrote; with an empty log, how the converter ended.
QString ConversionRun::failureReason(const Conversion& conversion) {
    QString errorText;
    QStringList logLines;
    op_.step(176, [&] { errorText.clear(); });
    if (!op_.exitIf(178, [&] { return !PathExists(conversion.logFile); })) {
        op_.step(180, [&] { logLines = ReadTextLines(conversion.logFile); });
        for (qsizetype j = 0; j < logLines.size(); ++j) {
            if (op_.when(184, [&] {
                    return logLines[j].contains(QLatin1String("error"), Qt::CaseInsensitive);
                }))
                op_.step(186, [&] {
                    errorText = QStringLiteral(" Error: ") + withoutOuterSpaces(logLines[j]);
                });
        }
    }
    if (errorText.isEmpty())
        op_.step(304, [&] {
            const QString lastLine = lastNonEmptyLine(logLines);
            errorText = lastLine.isEmpty() ? reasonFromEnding(*conversion.converter)
                                           : QStringLiteral(" Error: ") + lastLine;
        });
    return errorText;
}

// Plain removals: the usual quiet delete lets window events through, which
// would let further converter ends run in the middle of this one.
void ConversionRun::removeWorkingFiles(const Conversion& conversion) {
    op_.step(192, [&] { QFile::remove(conversion.logFile); });
    op_.step(194, [&] { QFile::remove(conversion.batchFile); });
}

// Items added during the run are not converted by it, yet they count here.
void ConversionRun::inputEnded(int position, bool converted, const QString& error) {
    op_.step(190, [&] {
        outcomes_[position - 1].converted = converted;
        outcomes_[position - 1].error = error;
    });
    ++endedCount_;
    op_.step(148, [&] {
        w_.ProgressBar1.setValue(progressValue(endedCount_, inputlist::count(w_.ListView1)));
    });
}

void ConversionRun::watchForStalls() {
    const qint64 limit = std::llround(stalledMinutes_ * 60000);
    std::vector<Conversion*> stalled;
    for (const auto& conversion : running_) {
        const OutputStamp log = stampOf(conversion->logFile);
        if (log.size != conversion->logSize) {
            conversion->logSize = log.size;
            conversion->quietFor.restart();
        } else if (conversion->quietFor.elapsed() >= limit) {
            stalled.push_back(conversion.get());
        }
    }
    for (Conversion* each : stalled) {
        std::unique_ptr<Conversion> conversion = takeRunning(each);
        conversion->converter->endTree();
        removeWorkingFiles(*conversion);
        inputEnded(conversion->position, false,
                   QStringLiteral(" Error: the converter wrote nothing for %1 minutes and was "
                                  "stopped.")
                       .arg(QString::number(stalledMinutes_)));
    }
    if (!stalled.empty())
        advance();
}

// The stop question; the run does not finish while it is asked.
bool ConversionRun::userStops() {
    asking_ = true;
    Dialogs::Answer answer = Dialogs::Answer::No;
    op_.step(218, [&] {
        answer = w_.dialogs.messageBox(stopQuestion, Dialogs::Buttons::YesNoDefaultNo,
                                       Dialogs::Icon::Question);
    });
    asking_ = false;
    return answer == Dialogs::Answer::Yes;
}

void ConversionRun::askToStop() {
    if (finished_ || asking_)
        return;
    const bool stops = userStops();
    if (abandoned_)
        return;
    if (stops)
        op_.step(220, [&] { stop(); });
    advance();
}

// Once the run has finished only its final message is left, and the window
// may close; while the question is open the window stays.
bool ConversionRun::mayClose() {
    if (finished_ || abandoned_)
        return true;
    if (asking_)
        return false;
    if (userStops() || abandoned_)
        return true;
    advance();
    return false;
}

// Stopped inputs keep what was at their output path: their staged files go.
void ConversionRun::stop() {
    stopped_ = true;
    for (auto& conversion : running_) {
        conversion->converter->endTree();
        removeWorkingFiles(*conversion);
        outcomes_[conversion->position - 1].error = stoppedByUser;
    }
    running_.clear();
    for (; nextPosition_ <= itemCount_; ++nextPosition_) {
        op_.step(146, [&] {
            outcomes_[nextPosition_ - 1].input = inputlist::itemText(w_.ListView1, nextPosition_);
        });
        outcomes_[nextPosition_ - 1].error = notStarted;
    }
}

void ConversionRun::finish() {
    finished_ = true;
    stallWatch_.stop();
    op_.step(198, [&] { runFolder_.reset(); });
    op_.step(200, [&] { endBusy(w_.window, BusyWork::conversionRun); });
    op_.step(202, [&] { w_.ProgressBar1.setValue(0); });
    op_.step(204, [&] { w_.ProgressBar1.setFormat(QStringLiteral("Progress Bar")); });
    QString message;
    op_.step(208, [&] { message = finalMessage(); });
    op_.step(210, [&] { showMessage(QStringLiteral("Done.") + message); });
    if (!abandoned_)
        end();
}

// After "Done.": the failures, then the inputs saved under another name, then
// the converted inputs that look damaged, each in list order.
QString ConversionRun::finalMessage() {
    QString failures;
    QString renamed;
    QString damaged;
    for (const InputOutcome& outcome : outcomes_) {
        if (!outcome.converted) {
            failures += lineBreak + outcome.input + outcome.error;
            continue;
        }
        if (!outcome.renamedTo.isEmpty())
            renamed += lineBreak + outcome.input + QStringLiteral(" -> ") + outcome.renamedTo;
        if (!outcome.damage.isEmpty())
            damaged += lineBreak + damagedInputLine(outcome.input, outcome.damage);
    }
    QString message;
    if (!failures.isEmpty())
        message += lineBreak + lineBreak + QStringLiteral("These files:") + lineBreak + failures +
                   lineBreak + lineBreak + closingSentence();
    if (!renamed.isEmpty())
        message += lineBreak + lineBreak + renamedHeading + renamed;
    if (!damaged.isEmpty())
        message += lineBreak + lineBreak + damagedInputsHeading + damaged;
    return message;
}

void ConversionRun::end() {
    if (w_.state.run == this)
        w_.state.run = nullptr;
    deleteLater();
}

// The window is closing: no step runs any more, so nothing here is one.
void ConversionRun::abandon() {
    abandoned_ = true;
    stallWatch_.stop();
    running_.clear();
    runFolder_.reset();
    if (!finished_)
        endBusy(w_.window, BusyWork::conversionRun);
    w_.state.run = nullptr;
}

} // namespace

void PushButton2_Click(const ConversionWindow& window) {
    if (auto* run = static_cast<ConversionRun*>(window.state.run.data()))
        return run->askToStop();
    (new ConversionRun(window))->start();
}

bool askToStopConversionRunBeforeClosing(ConversionWindowState& state) {
    auto* run = static_cast<ConversionRun*>(state.run.data());
    return !run || run->mayClose();
}

void endConversionRun(ConversionWindowState& state) {
    if (auto* run = static_cast<ConversionRun*>(state.run.data()))
        run->abandon();
}

} // namespace quillbrook
