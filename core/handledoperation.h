#pragma once

#include <QString>
#include <functional>

namespace quillbrook {

class Dialogs;

// Where a handled operation stands in the program: the text the error report
// names it by, and whether the report asks the user to write to support.
struct OperationLocation {
    QString text;
    bool supportSentence;
};

namespace locations {
extern const OperationLocation formLoad;
extern const OperationLocation addFiles;
extern const OperationLocation startConverting;
extern const OperationLocation addFolder;
extern const OperationLocation clearList;
extern const OperationLocation loadSamples;
extern const OperationLocation chooseOutputFolder;
extern const OperationLocation folderScan;
} // namespace locations

// The error report's text for a failure with the given description at a step.
QString composeErrorReport(const QString& description, const OperationLocation& location, int step);

// Set once when the main window closes: from then on no step of any running
// operation runs, and waits give up.
class ProgramLifetime {
public:
    bool ended() const { return ended_; }
    void end() { ended_ = true; }

private:
    bool ended_ = false;
};

// One run of a handled operation. Each numbered step runs through it: a step
// that fails shows the error report and the operation goes on after the step.
// Once the program has ended, no further step runs.
class HandledOperation {
public:
    HandledOperation(Dialogs& dialogs, const ProgramLifetime& lifetime,
                     const OperationLocation& location);

    // Runs a step. Returns false when it failed (and was reported) or did not run.
    bool step(int number, const std::function<void()>& action);

    // Tests the condition of a step that guards statements: a failed test goes
    // on into what it guards, as if the condition held.
    bool when(int number, const std::function<bool()>& condition);

    // Tests the condition of a step that guards only an exit or a jump: a failed
    // test goes on after the condition, as if it did not hold.
    bool exitIf(int number, const std::function<bool()>& condition);

    // True once the program has ended; the operation should return at once.
    bool abandoned() const { return lifetime_.ended(); }

    // Runs a step whose failures of the given number the caller handles itself:
    // such a failure is not reported but raised again.
    bool stepPassing(int number, int passedFailure, const std::function<void()>& action);

private:
    bool run(int number, int passedFailure, const std::function<void()>& action);

    Dialogs& dialogs_;
    const ProgramLifetime& lifetime_;
    const OperationLocation& location_;
};

} // namespace quillbrook
