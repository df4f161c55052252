#pragma once

#include "form1.h"
#include "scripteddialogs.h"
#include "testenvironment.h"

#include <QByteArray>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace quillbrook::test {

// A main window ready to convert: a temporary folder (TEMP), a state folder
// for the kept converter logs (XDG_STATE_HOME) and a folder for input files
// of the test's own, and on request a fake calibre first on PATH.
// The environment is put back when the fixture goes.
class ConversionFixture {
public:
    explicit ConversionFixture(const QString& programFolder = builtProgramFolder());
    ~ConversionFixture();

    Form1& form() { return *form_; }
    ScriptedDialogs& dialogs() { return dialogs_; }
    QString temporaryFolder() const { return temporary_.path(); }
    QString files() const { return files_.path(); }
    // The folder of kept converter logs of the run that started last, or
    // nothing when no run kept any.
    QString keptLogs() const;

    // Writes a file under the test's folder (sub-folders are made) and returns its path.
    QString write(const QString& relativePath, const QByteArray& content);
    // Adds paths to the input list.
    void add(const QStringList& paths);
    // Presses "Start Converting" and waits until the run it starts has ended.
    void press();
    // Runs the window's events until the conversion run going on has ended.
    void waitForTheRunToEnd();
    // The paths of everything left under the temporary folder.
    QStringList leftInTemporaryFolder() const;

    // Puts a stand-in for calibre's ebook-convert first on PATH. The first line
    // of an input says what it does: "convert" copies the input to the output,
    // "fail" fails, "succeed-without-writing" exits 0 writing nothing, "crash"
    // dies of a segmentation fault, "write-then-killed" writes the output and is
    // killed, "sleep S" waits S seconds and converts, "trickle N S" writes a
    // line to its log every S seconds, N times, and converts, "fail after S"
    // waits S seconds and fails, "half-written" writes part of the output and
    // fails as on a full disk, "hang" writes part of the output and a file in
    // its TMPDIR and waits for a child of its own that never ends, silently;
    // the following lines are printed on its error stream first. An input it
    // cannot read fails with an error line.
    void useFakeCalibre();
    // The input and output paths the fake was given, one pair per call; the
    // random part of the run folder's name reads "XXXXXX" (see stagedFor).
    QList<QStringList> fakeCalls() const;
    // The process ids of every fake started and of the children they started;
    // a "hang" fake's own comes before its child's.
    QList<qint64> fakePids() const;
    // Waits a little for every process of fakePids() to be gone; false when one is left.
    bool fakeProcessesGone() const;
    // The most "sleep" fakes that were running at the same time.
    int mostFakesAtOnce() const;
    // The TMPDIR each "hang" fake was given.
    QStringList fakeTemporaryFolders() const;
    // The path the converter is given for the input at a position of the list,
    // as fakeCalls() shows it: a file in the run's own folder, which the
    // program puts in place on success.
    QString stagedFor(int position) const;

private:
    QByteArray savedPath_;
    QByteArray savedTemp_;
    QByteArray savedStateHome_;
    QTemporaryDir temporary_;
    QTemporaryDir stateHome_;
    QTemporaryDir files_;
    QTemporaryDir fakeFolder_;
    ScriptedDialogs dialogs_;
    std::unique_ptr<Form1> form_;
};

// The final message of a run that converted every one of the inputs it took.
QString doneAllConverted(int taken);
// The final message of a run whose failure list is the given text: a line
// break, the input and its reason for each failed input. The run converted
// so many inputs besides, and kept the converter's logs of the failures in
// the given folder when one is given.
QString doneWithFailures(const QString& failureList, int converted = 0,
                         const QString& keptLogs = {});
// The same for a list of entries, each an input with its reason.
QString doneWithFailureEntries(const QStringList& entries, int converted = 0,
                               const QString& keptLogs = {});

// Waits a little for the process to be gone; false when it is still there.
bool processEnds(qint64 pid);

} // namespace quillbrook::test
