#include "samples.h"

#include "dialogs.h"
#include "failure.h"
#include "folderscan.h"
#include "inputlist.h"
#include "paths.h"

namespace quillbrook {

namespace {

const QString openFolderQuestion = QStringLiteral(
    "Would you like this software to open the folder where these sample files are stored (so "
    "that you can view them before working with them)?");

// The file manager's answer is not looked at: a folder it cannot show, even a
// missing one, ends the command quietly.
void openFolderQuietly(Dialogs& dialogs, const QString& folder) {
    try {
        dialogs.openLocation(folder);
    } catch (const Failure&) {
    }
}

} // namespace

void LoadSampleFiles(QTreeWidget& ListView1, Dialogs& dialogs, const QString& programFolder) {
    const QString samplesFolder = programFolder + pathSeparator + QStringLiteral("Samples");
    for (const QString& name : ListFiles(samplesFolder, QStringLiteral("*.*"))) {
        const QString samplePath = samplesFolder + pathSeparator + name;
        if (!IsInList(ListView1, samplePath))
            inputlist::append(ListView1, samplePath);
    }
    if (dialogs.messageBox(openFolderQuestion, Dialogs::Buttons::YesNo) == Dialogs::Answer::Yes)
        openFolderQuietly(dialogs, samplesFolder + pathSeparator);
}

} // namespace quillbrook
