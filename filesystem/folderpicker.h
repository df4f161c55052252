#pragma once

#include <QString>

namespace quillbrook {

class Dialogs;

// The program's named folder picker, kept as a function of its own over the dialogs.
// Asks the user to choose one folder in the folder picker, modal over the main
// window that owns the dialogs, showing the prompt and with the starting
// folder selected when it names one; only folders can be chosen. Returns the
// chosen folder's full path, or the empty text when the user cancels.
QString PickFolder(Dialogs& dialogs, const QString& prompt, const QString& startingFolder);

} // namespace quillbrook
