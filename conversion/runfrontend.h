#pragma once

#include "settingskeys.h"

#include <QString>
#include <chrono>

namespace quillbrook {

class ConversionRun;
struct InputOutcome;
class Dialogs;
class ProgramLifetime;

// Everything a conversion run reads and shows around it: its inputs, where
// the results go, its progress and its messages. The main window is one such
// front end (conversionwindow.cpp); the run itself needs no widgets.
class RunFrontEnd {
public:
    virtual ~RunFrontEnd() = default;

    // Where the run's steps report a failure (the error report).
    virtual Dialogs& dialogs() = 0;
    // Ends when the program does; from then on no step runs.
    virtual const ProgramLifetime& lifetime() const = 0;
    // The folder the zip-extraction component is loaded from.
    virtual QString programFolder() const = 0;

    // The input list, read as it is now: items may be added during a run.
    virtual int itemCount() const = 0;
    // The input at a position from 1 to itemCount().
    virtual QString itemText(int position) const = 0;
    // The folder the input at a position came into the list with; empty for a
    // book added on its own.
    virtual QString itemBaseFolder(int position) const = 0;

    // The two save options and the output-folder text, read anew each time.
    virtual bool savesToFolder() const = 0;
    virtual bool savesBesideOriginal() const = 0;
    virtual QString outputFolderText() const = 0;
    // "Keep sub-folders": a book that came with a folder is saved under its
    // path relative to that folder, below the output folder.
    virtual bool keepsSubfolders() const = 0;
    // "Skip books already converted".
    virtual bool skipsConverted() const = 0;
    // How many converters the run keeps going at once.
    virtual int simultaneousConversions() const { return SimultaneousConversions(); }

    // True while a folder add is listing files; a run may not start then.
    virtual bool folderAddGoingOn() const = 0;
    // The run a further "Start Converting" and a closing window go to; null
    // once it has ended.
    virtual void setCurrentRun(ConversionRun* run) = 0;
    virtual void beginBusy() = 0;
    virtual void endBusy() = 0;
    virtual void showWaitPointer() = 0;

    // The share of the list ended, from 0 to 100.
    virtual void showProgress(int percent) = 0;
    // The progress text: the inputs being converted, or the resting text.
    virtual void showProgressText(const QString& text) = 0;
    virtual void showRestingProgressText() = 0;
    // One input's outcome is final: the endedCount-th of the takenCount
    // inputs the run has taken so far.
    virtual void inputFinished([[maybe_unused]] int endedCount, [[maybe_unused]] int takenCount,
                               [[maybe_unused]] const InputOutcome& outcome) {}

    // The run has ended, just before its final message: it took so many
    // inputs, converted so many of them and went on for so long.
    virtual void runEnded([[maybe_unused]] int converted, [[maybe_unused]] int taken,
                          [[maybe_unused]] std::chrono::milliseconds runTime) {}

    // A message with an OK button: the checks' messages and the final one.
    virtual void showMessage(const QString& text) = 0;
    // The question whether to stop the run; its safe answer, No, is the default.
    virtual bool confirmStop(const QString& question) = 0;
};

} // namespace quillbrook
