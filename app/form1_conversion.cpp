#include "busystate.h"
#include "form1.h"
#include "outputdestination.h"
#include "runendnotice.h"

#include <QPushButton>

namespace quillbrook {

// The button that started a run stops it, and "Clear List", which a run and
// a folder add refuse, shows that it does.
void Form1::showBusyState() {
    const bool converting = isBusyWith(*this, BusyWork::conversionRun);
    PushButton2->setText(converting ? QStringLiteral("Stop Converting")
                                    : QStringLiteral("Start Converting"));
    PushButton6->setEnabled(!converting && !isBusyWith(*this, BusyWork::folderAdd));
}

// The title as it was before the run comes back when the run ends.
void Form1::showRunProgressInTitle(int percent) {
    if (!runTitle_)
        runTitle_.emplace(*this);
    runTitle_->show(percent);
}

void Form1::connectConversionCommands() {
    const auto window = [this] {
        ConversionWindow window{
            *this,           dialogs(),      lifetime(),
            programFolder(), *ListView1,     *ProgressBar1,
            *Option1,        *Option2,       *Text1,
            *KeepSubfolders, *SkipConverted, [this](const QString& text) { setText1(text); },
            conversionState_};
        window.showProgressInTitle = [this](int percent) { showRunProgressInTitle(percent); };
        window.runEnded = [this](int converted, int taken, std::chrono::milliseconds runTime) {
            runTitle_.reset();
            announceRunEnd(*this, converted, taken, runTime);
        };
        return window;
    };
    connect(PushButton2, &QPushButton::clicked, this, [window] { PushButton2_Click(window()); });
    connect(PushButton9, &QPushButton::clicked, this, [window] { PushButton9_Click(window()); });
}

} // namespace quillbrook
