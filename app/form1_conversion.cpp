#include "busystate.h"
#include "form1.h"
#include "outputdestination.h"

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

void Form1::connectConversionCommands() {
    const auto window = [this] {
        return ConversionWindow{
            *this,           dialogs(),      lifetime(),
            programFolder(), *ListView1,     *ProgressBar1,
            *Option1,        *Option2,       *Text1,
            *KeepSubfolders, *SkipConverted, [this](const QString& text) { setText1(text); },
            conversionState_};
    };
    connect(PushButton2, &QPushButton::clicked, this, [window] { PushButton2_Click(window()); });
    connect(PushButton9, &QPushButton::clicked, this, [window] { PushButton9_Click(window()); });
}

} // namespace quillbrook
