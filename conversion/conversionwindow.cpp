#include "conversionwindow.h"

#include "busystate.h"
#include "conversionrun.h"
#include "dialogs.h"
#include "inputlist.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>

namespace quillbrook {

namespace {

// The main window as a conversion run's front end: the list, the save
// options and the folder text are read from its controls, the progress shows
// on ProgressBar1, and the busy state and pointers are the window's own.
class WindowFrontEnd : public RunFrontEnd {
public:
    explicit WindowFrontEnd(const ConversionWindow& window) : w_(window) {}

    Dialogs& dialogs() override { return w_.dialogs; }
    const ProgramLifetime& lifetime() const override { return w_.lifetime; }
    QString programFolder() const override { return w_.programFolder; }

    int itemCount() const override { return inputlist::count(w_.ListView1); }
    QString itemText(int position) const override {
        return inputlist::itemText(w_.ListView1, position);
    }
    QString itemBaseFolder(int) const override { return {}; }

    bool savesToFolder() const override { return w_.Option1.isChecked(); }
    bool savesBesideOriginal() const override { return w_.Option2.isChecked(); }
    QString outputFolderText() const override { return w_.Text1.text(); }
    bool keepsSubfolders() const override { return false; }
    bool skipsConverted() const override { return false; }

    bool folderAddGoingOn() const override { return isBusyWith(w_.window, BusyWork::folderAdd); }
    void setCurrentRun(ConversionRun* run) override { w_.state.run = run; }
    void beginBusy() override { quillbrook::beginBusy(w_.window, BusyWork::conversionRun); }
    void endBusy() override { quillbrook::endBusy(w_.window, BusyWork::conversionRun); }
    void showWaitPointer() override { quillbrook::showWaitPointer(w_.window); }

    void showProgress(int percent) override { w_.ProgressBar1.setValue(percent); }
    void showProgressText(const QString& text) override { w_.ProgressBar1.setFormat(text); }
    void showRestingProgressText() override {
        w_.ProgressBar1.setFormat(QStringLiteral("Progress Bar"));
    }

    void showMessage(const QString& text) override { w_.dialogs.messageBox(text); }
    bool confirmStop(const QString& question) override {
        return w_.dialogs.messageBox(question, Dialogs::Buttons::YesNoDefaultNo,
                                     Dialogs::Icon::Question) == Dialogs::Answer::Yes;
    }

private:
    ConversionWindow w_;
};

} // namespace

void PushButton2_Click(const ConversionWindow& window) {
    if (auto* run = qobject_cast<ConversionRun*>(window.state.run.data()))
        return run->askToStop();
    (new ConversionRun(std::make_unique<WindowFrontEnd>(window), &window.window))->start();
}

bool askToStopConversionRunBeforeClosing(ConversionWindowState& state) {
    auto* run = qobject_cast<ConversionRun*>(state.run.data());
    return !run || run->mayClose();
}

void endConversionRun(ConversionWindowState& state) {
    if (auto* run = qobject_cast<ConversionRun*>(state.run.data()))
        run->abandon();
}

} // namespace quillbrook
