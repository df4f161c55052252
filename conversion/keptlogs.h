#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>

namespace quillbrook {

// Where the converter's logs of failed books are kept, one folder per run:
// "quillbrook/logs" in the user's state folder ($XDG_STATE_HOME, or else
// ~/.local/state).
QString keptLogsFolder();

// How many runs' folders of kept logs stay; older ones go when a new one is made.
inline constexpr int keptLogRuns = 20;

// The converter's logs of one run's failed books, copied out of the run's
// working folder before that goes. The run's own folder (mode 0700) is made
// at the first log kept, named after the run's start, and then the folders
// of older runs beyond the newest keptLogRuns are removed: only folders
// named as runs' folders are, never links. Every log is a new file named
// after its book; books of the same name get numbered names, never one
// another's file.
class KeptLogs {
public:
    // The run's folder is named after the date and time the run started.
    KeptLogs(QString parentFolder, const QDateTime& runStart);

    // Copies the log as the book's file. False when it was not kept: an
    // empty log has nothing to tell, and a run whose folder cannot be made
    // keeps nothing and stops trying.
    bool keep(const QString& log, const QString& bookName);
    // The run's folder once a log has been kept there; empty before.
    const QString& folder() const { return folder_; }

private:
    bool makeFolder();
    void removeOldRuns() const;
    QString nextFileName(const QString& bookName);

    const QString parentFolder_;
    const QString runName_;
    QString folder_;
    bool unavailable_ = false;
    // How many files each book name has been given, so that a name shared
    // by many books costs no search.
    QHash<QString, int> namesGiven_;
};

} // namespace quillbrook
