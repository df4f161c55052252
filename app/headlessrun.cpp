#include "headlessrun.h"

#include "addfolder.h"
#include "commandline.h"
#include "conversionrun.h"
#include "dialogs.h"
#include "filedrop.h"
#include "handledoperation.h"
#include "paths.h"
#include "runoutcomes.h"
#include "terminationsignals.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <cstdio>

namespace quillbrook {

namespace {

void printOn(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

// The run's inputs in list order, each with the folder it came in with
// (empty for a file given on its own).
struct HeadlessInputs {
    QStringList paths;
    QStringList baseFolders;
};

// What the run left behind for the exit status; it outlives the front end,
// which the run owns.
struct HeadlessRunState {
    ConversionRun* run = nullptr;
    bool going = false;
    int finished = 0;
    int failed = 0;
    int signalNumber = 0;
};

// The run's front end without a window: the list is the paths' files, the
// output goes to one folder or beside each book, progress is one line per
// finished book, and the messages are printed.
class HeadlessFrontEnd : public RunFrontEnd {
public:
    HeadlessFrontEnd(const ConvertRequest& request, HeadlessInputs inputs, PrintingDialogs& dialogs,
                     const ProgramLifetime& lifetime, HeadlessRunState& state, QEventLoop& loop)
        : request_(request), inputs_(std::move(inputs)), dialogs_(dialogs), lifetime_(lifetime),
          state_(state), loop_(loop) {}

    Dialogs& dialogs() override { return dialogs_; }
    const ProgramLifetime& lifetime() const override { return lifetime_; }
    QString programFolder() const override { return QCoreApplication::applicationDirPath(); }

    int itemCount() const override { return int(inputs_.paths.size()); }
    QString itemText(int position) const override { return inputs_.paths.at(position - 1); }
    QString itemBaseFolder(int position) const override {
        return inputs_.baseFolders.at(position - 1);
    }

    bool savesToFolder() const override { return !request_.outputFolder.isEmpty(); }
    bool savesBesideOriginal() const override { return request_.outputFolder.isEmpty(); }
    QString outputFolderText() const override { return request_.outputFolder; }
    bool keepsSubfolders() const override { return request_.keepSubfolders; }
    bool skipsConverted() const override { return request_.skipConverted; }
    int simultaneousConversions() const override {
        return request_.jobs.value_or(RunFrontEnd::simultaneousConversions());
    }

    bool folderAddGoingOn() const override { return false; }
    void setCurrentRun(ConversionRun* run) override {
        state_.run = run;
        state_.going = run != nullptr;
        if (!run)
            loop_.quit();
    }
    void beginBusy() override {}
    void endBusy() override {}
    void showWaitPointer() override {}

    void showProgress(int) override {}
    void showProgressText(const QString&) override {}
    void showRestingProgressText() override {}
    void inputFinished(int endedCount, int takenCount, const InputOutcome& outcome) override {
        ++state_.finished;
        const QString count = QStringLiteral("[%1/%2] ").arg(endedCount).arg(takenCount);
        if (outcome.converted)
            return printOn(stderr, count + QStringLiteral("converted ") + outcome.input + '\n');
        if (outcome.skipped)
            return printOn(stderr, count + QStringLiteral("skipped ") + outcome.input + '\n');
        ++state_.failed;
        printOn(stderr, count + QStringLiteral("failed ") + outcome.input + QStringLiteral(": ") +
                            plainFailureText(outcome.error) + '\n');
    }

    void showMessage(const QString& text) override {
        printOn(stdout, displayedText(text) + QLatin1Char('\n'));
    }
    bool confirmStop(const QString&) override { return false; }

private:
    // The reason as the final message lists it, without its lead-in.
    static QString plainFailureText(const QString& reason) {
        const QString leadIn = failureReason(QString());
        return reason.startsWith(leadIn) ? reason.mid(leadIn.size()) : reason;
    }

    const ConvertRequest& request_;
    const HeadlessInputs inputs_;
    PrintingDialogs& dialogs_;
    const ProgramLifetime& lifetime_;
    HeadlessRunState& state_;
    QEventLoop& loop_;
};

// The list the window would get from the same paths: files as given, folders
// with the files of their trees that have one of the extensions.
HeadlessInputs inputsOf(const QStringList& paths, const QString& extension, Dialogs& dialogs,
                        const ProgramLifetime& lifetime) {
    HeadlessInputs inputs;
    QString baseFolder;
    const FileTaker take = [&](const QString& file) {
        inputs.paths.append(file);
        inputs.baseFolders.append(baseFolder);
    };
    const QStringList patterns = extensionPatterns(extension);
    for (const QString& path : paths) {
        if (lifetime.ended())
            break;
        takePathAsDropped(path, dialogs, take, [&](const QString& folder) {
            // The window's list keeps the folder as its paths begin with it.
            baseFolder = CleanPath(folder);
            forEachFileOfTree(folder, patterns, dialogs, lifetime, runStepPlainly, take);
            baseFolder.clear();
        });
    }
    return inputs;
}

int exitStatusOf(const HeadlessRunState& state, int inputCount, const PrintingDialogs& dialogs) {
    if (state.signalNumber != 0)
        return 128 + state.signalNumber;
    const bool allDone = state.failed == 0 && state.finished == inputCount;
    return allDone && dialogs.printedCount() == 0 ? 0 : 1;
}

} // namespace

int convertWithoutWindow(const CommandLineRequest& request) {
    const ConvertRequest& convert = *request.convert;
    PrintingDialogs dialogs;
    ProgramLifetime lifetime;
    HeadlessRunState state;
    QEventLoop loop;
    // The run and its conversions go with it, ending whatever is still running.
    QObject runOwner;
    handleTerminationSignals(runOwner, [&](int signalNumber) {
        state.signalNumber = signalNumber;
        lifetime.end();
        if (state.run)
            state.run->abandon();
        loop.quit();
    });
    HeadlessInputs inputs = inputsOf(request.paths, convert.extension, dialogs, lifetime);
    const int inputCount = int(inputs.paths.size());
    if (!lifetime.ended()) {
        auto* run =
            new ConversionRun(std::make_unique<HeadlessFrontEnd>(convert, std::move(inputs),
                                                                 dialogs, lifetime, state, loop),
                              &runOwner);
        run->start();
        if (state.going)
            loop.exec();
    }
    return exitStatusOf(state, inputCount, dialogs);
}

} // namespace quillbrook
