#include "outputdestination.h"

#include "folderpicker.h"
#include "handledoperation.h"
#include "paths.h"
#include "settingskeys.h"

namespace quillbrook {

void PushButton9_Click(const ConversionWindow& window) {
    HandledOperation op(window.dialogs, window.lifetime, locations::chooseOutputFolder);
    QString chosen;
    op.step(100, [&] { window.state.lastFolderDot = settingKeys::LastFolderDot.read(); });
    op.step(100, [&] {
        chosen = PickFolder(window.dialogs, QStringLiteral("Please select folder:"),
                            window.state.lastFolderDot);
    });
    if (op.exitIf(102, [&] { return chosen.isEmpty(); }))
        return;
    op.step(104, [&] {
        settingKeys::LastFolderDot.write(chosen);
        window.state.lastFolderDot = chosen;
    });
    if (op.when(104, [&] { return !chosen.endsWith(pathSeparator); }))
        op.step(106, [&] { window.setText1(chosen + pathSeparator); });
    else
        op.step(108, [&] { window.setText1(chosen); });
}

} // namespace quillbrook
