#pragma once

#include "fileidentity.h"

#include <QHash>
#include <QSet>
#include <QString>

namespace quillbrook {

// The output paths one run has handed out. Two inputs of a run never share
// one output: a path taken earlier in the run makes a later input's output
// "name (2).epub", "name (3).epub", ..., the first one the run has not taken.
// What was on disk before the run does not count: a new conversion replaces
// it, unless it is one of the run's inputs.
//
// An output never replaces an input of the run. The run calls addInput for
// every input it will convert, before it claims that input's output and also
// for inputs added while it goes on; from then on an output path that names
// the input counts as taken exactly like one the run has handed out, so the
// book gets the next free numbered name:
//
//     OutputNames names;
//     for (const QString& input : inputs)
//         names.addInput(input);
//     const QString output = names.claim(wantedOutput);
//
// A path names an input when it is the same text, or when it leads to the same
// file (device and inode, links followed): a hard link, a symbolic link or a
// differently spelt path to the input.
//
// Each claim costs the same however many equal names came before, and each
// input is looked at on disk once.
class OutputNames {
public:
    // Takes the path, or the first free numbered variant of it, and returns it.
    QString claim(const QString& output);

    // Counts the input among the paths no output may take. An input that does
    // not exist is known by its path alone.
    void addInput(const QString& input);

private:
    bool isTaken(const QString& path) const;
    bool namesAnInputFile(const QString& path) const;

    QSet<QString> taken_;
    // For each output asked for more than once, the number its next numbered
    // variant starts from: every lower number is taken already.
    QHash<QString, int> nextNumber_;
    QSet<QString> inputPaths_;
    QSet<FileIdentity> inputFiles_;
};

} // namespace quillbrook
