#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <chrono>
#include <functional>

class QCheckBox;
class QLineEdit;
class QProgressBar;
class QRadioButton;
class QTreeWidget;
class QWidget;

namespace quillbrook {

class Dialogs;
class ProgramLifetime;

// What the main window keeps for its conversion commands.
struct ConversionWindowState {
    // The conversion run going on, from the press of "Start Converting" until
    // its final message has been closed; a further press offers to stop it.
    QPointer<QObject> run;
    // The folder "..." preselects; kept so that a failed read of the stored one
    // still starts at the folder chosen earlier.
    QString lastFolderDot;
};

// The parts of the main window that the conversion commands read and drive.
struct ConversionWindow {
    QWidget& window;
    Dialogs& dialogs;
    const ProgramLifetime& lifetime;
    QString programFolder;
    QTreeWidget& ListView1;
    QProgressBar& ProgressBar1;
    QRadioButton& Option1;
    QRadioButton& Option2;
    QLineEdit& Text1;
    QCheckBox& KeepSubfolders;
    QCheckBox& SkipConverted;
    // Sets the output-folder text the way the window always does: stored at once.
    std::function<void(const QString&)> setText1;
    ConversionWindowState& state;
    // A run's progress in the window's title, put back when the run ends and
    // its end is announced (see RunFrontEnd::runEnded); both are the
    // application's own, and either may be left out.
    std::function<void(int percent)> showProgressInTitle{};
    std::function<void(int converted, int taken, std::chrono::milliseconds runTime)> runEnded{};
};

// "Start Converting": starts a conversion run with the window as its front
// end (see ConversionRun). The run goes on from the event loop after this
// returns; the window stays live. Pressed during a run, it asks whether to
// stop the run.
void PushButton2_Click(const ConversionWindow& window);

// The window is asked to close: while a run is going on, asks the question a
// press of "Start Converting" asks then. True when the window may close (no
// run, or the user chose to stop it, which endConversionRun then does); false
// keeps the window and the run going.
bool askToStopConversionRunBeforeClosing(ConversionWindowState& state);

// The window is closing: ends every converter of a run that is going on, with
// everything it started, and removes the run's working folder. No message.
void endConversionRun(ConversionWindowState& state);

} // namespace quillbrook
