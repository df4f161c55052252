#pragma once

#include <QStringList>

class QTreeWidget;

namespace quillbrook {

class Dialogs;
class ProgramLifetime;

// The length of the one string the Windows file dialog returned for the same
// selection: a single path whole, or the folder and each name with one
// separator each. Its buffer held 30,000 characters.
qsizetype selectionResultLength(const QStringList& paths);

// "Add MOBI File(s)": lets the user choose files in the open-files dialog and
// appends them to the list: a single file as chosen, several each cleaned of
// doubled separators. A handled operation.
void PushButton1_Click(QTreeWidget& list, Dialogs& dialogs, const ProgramLifetime& lifetime);

} // namespace quillbrook
