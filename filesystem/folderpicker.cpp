#include "folderpicker.h"

#include "dialogs.h"

namespace quillbrook {

QString PickFolder(Dialogs& dialogs, const QString& prompt, const QString& startingFolder) {
    return dialogs.pickFolder(prompt, startingFolder);
}

} // namespace quillbrook
