#pragma once

#include <QString>

class QTreeWidget;

namespace quillbrook {

class Dialogs;

// Appends every file of the folder "Samples" beside the program that the list
// does not already hold, letter case counting, then asks whether to open that
// folder and opens it on Yes. Failures go to the caller; the samples appended
// before one stay in the list.
void LoadSampleFiles(QTreeWidget& ListView1, Dialogs& dialogs, const QString& programFolder);

} // namespace quillbrook
