#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QTreeWidget;
class QWidget;

namespace quillbrook {

class Dialogs;
class ProgramLifetime;

// What the folder commands work on: the main window (which shows the busy
// state), its list, its dialogs and its lifetime.
struct FolderCommandTarget {
    QWidget& window;
    QTreeWidget& list;
    Dialogs& dialogs;
    const ProgramLifetime& lifetime;
};

// Runs one numbered step of a folder command: under the command's error
// report, or letting failures go to the caller.
using StepRunner = std::function<void(int step, const std::function<void()>& action)>;

// The step runner that lets failures go to the caller: it runs the action as it is.
void runStepPlainly(int step, const std::function<void()>& action);

// Takes one file a folder command found.
using FileTaker = std::function<void(const QString& path)>;

// Hands to take every file of the folder and of all folders below it whose
// name matches any of the patterns, folder by folder in the scan's level order and
// within a folder in listing order. Names beginning with "~", and files whose
// attribute set is exactly hidden plus archive, are passed over; every path
// is cleaned of doubled separators; nothing is checked for duplicates. The
// event loop stays live meanwhile; it stops once the program has ended.
void forEachFileOfTree(const QString& folder, const QStringList& patterns, Dialogs& dialogs,
                       const ProgramLifetime& lifetime, const StepRunner& runStep,
                       const FileTaker& take);

// Appends to the list every file forEachFileOfTree finds; each item remembers
// the folder as the one it came with.
void appendFilesOfTree(const FolderCommandTarget& target, const QString& folder,
                       const QStringList& patterns, const StepRunner& runStep);

// The file patterns of the extensions as the user enters them for a folder:
// one or several, separated by spaces or commas ("mobi azw3, azw prc" gives
// "*.mobi", "*.azw3", "*.azw" and "*.prc"); "*" stands for every file.
QStringList extensionPatterns(const QString& extensions);

// "Add All MOBI File(s) In Folder": asks for an extension and a folder, then
// appends every file of that extension in the folder's tree. The window is busy
// with a folder add while the tree is listed; a press during another folder
// add's listing does nothing.
class AddFolderCommand {
public:
    explicit AddFolderCommand(FolderCommandTarget target) : target_(target) {}

    void PushButton4_Click();

private:
    FolderCommandTarget target_;
    // The folder last chosen, as the picker is given it.
    QString lastFolder_;
};

} // namespace quillbrook
