#include "addfolder.h"

#include "apptitle.h"
#include "attributes.h"
#include "busystate.h"
#include "dialogs.h"
#include "folderpicker.h"
#include "folderscan.h"
#include "handledoperation.h"
#include "inputlist.h"
#include "paths.h"
#include "settingskeys.h"

#include <QRegularExpression>

namespace quillbrook {

namespace {

const QString extensionPrompt =
    QStringLiteral("Enter file extension to load:\r\r(* for all files, txt for all txt files, doc "
                   "for all doc files, etc.)");

// A writable dot-file: what the folder commands leave out as a hidden file.
constexpr unsigned hiddenArchive = HiddenAttribute | ArchiveAttribute;

} // namespace

void runStepPlainly(int, const std::function<void()>& action) {
    action();
}

QStringList extensionPatterns(const QString& extensions) {
    static const QRegularExpression separators(QStringLiteral("[ ,]+"));
    QStringList patterns;
    for (const QString& extension : extensions.split(separators, Qt::SkipEmptyParts))
        patterns.append(QStringLiteral("*.") + extension);
    return patterns;
}

void forEachFileOfTree(const QString& folder, const QStringList& patterns, Dialogs& dialogs,
                       const ProgramLifetime& lifetime, const StepRunner& runStep,
                       const FileTaker& take) {
    FolderSet folders;
    runStep(114, [&] { folders = {folder + pathSeparator}; });
    runStep(116, [&] { GetSubDirectories2016(folders, true, dialogs, lifetime); });
    LiveWindow live;
    for (const QString& entry : folders) {
        live.keepLive();
        if (lifetime.ended())
            return;
        QString current;
        NameArray names;
        runStep(120, [&] { current = entry.left(entry.size() - 1); });
        runStep(122, [&] { names = ListFiles(current, patterns); });
        for (const QString& name : names) {
            live.keepLive();
            if (lifetime.ended())
                return;
            bool skipped = false;
            runStep(126, [&] { skipped = name.startsWith(QLatin1Char('~')); });
            if (skipped)
                continue;
            QString path;
            runStep(128, [&] { path = current + pathSeparator + name; });
            bool qualifies = true;
            runStep(132,
                    [&] { qualifies = IsExistingFile(path) && GetAttr(path) != hiddenArchive; });
            if (qualifies)
                runStep(132, [&] { take(CleanPath(path)); });
        }
    }
}

void appendFilesOfTree(const FolderCommandTarget& target, const QString& folder,
                       const QStringList& patterns, const StepRunner& runStep) {
    // Every path found is cleaned the same way, so this text begins each of them.
    const QString baseFolder = CleanPath(folder);
    forEachFileOfTree(
        folder, patterns, target.dialogs, target.lifetime, runStep,
        [&](const QString& path) { inputlist::append(target.list, path, baseFolder); });
}

void AddFolderCommand::PushButton4_Click() {
    HandledOperation op(target_.dialogs, target_.lifetime, locations::addFolder);
    // A folder add's listing lets window events through: a second one may not
    // start in it.
    if (op.exitIf(100, [&] { return isBusyWith(target_.window, BusyWork::folderAdd); }))
        return;
    QString extension;
    op.step(100, [&] {
        extension = target_.dialogs.inputBox(extensionPrompt, applicationTitle(),
                                             settingKeys::Extension.read());
        if (!extension.isEmpty())
            settingKeys::Extension.write(extension);
    });
    if (op.exitIf(102, [&] { return extension.isEmpty(); }))
        return;
    QString chosen;
    op.step(104, [&] {
        lastFolder_ = settingKeys::LastFolder.read();
        chosen = PickFolder(target_.dialogs, QStringLiteral("Please select folder:"), lastFolder_);
    });
    if (op.exitIf(106, [&] { return chosen.isEmpty(); }))
        return;
    op.step(333, [&] { lastFolder_ = chosen; });
    op.step(334, [&] { settingKeys::LastFolder.write(lastFolder_); });
    op.step(112, [&] { beginBusy(target_.window, BusyWork::folderAdd); });
    appendFilesOfTree(
        target_, chosen, extensionPatterns(extension),
        [&op](int step, const std::function<void()>& action) { op.step(step, action); });
    // The default pointer comes back only when no conversion run is going on.
    op.step(136, [&] { endBusy(target_.window, BusyWork::folderAdd); });
}

} // namespace quillbrook
