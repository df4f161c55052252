#include "form1.h"
#include "outputdestination.h"

#include <QPushButton>

namespace quillbrook {

void Form1::connectConversionCommands() {
    const auto window = [this] {
        return ConversionWindow{*this,           dialogs(),
                                lifetime(),      programFolder(),
                                *ListView1,      *ProgressBar1,
                                *Option1,        *Option2,
                                *Text1,          [this](const QString& text) { setText1(text); },
                                conversionState_};
    };
    connect(PushButton2, &QPushButton::clicked, this, [window] { PushButton2_Click(window()); });
    connect(PushButton9, &QPushButton::clicked, this, [window] { PushButton9_Click(window()); });
}

} // namespace quillbrook
