#pragma once

#include <QSet>
#include <QString>

namespace quillbrook {

// The output paths one run has handed out. Two inputs of a run never share
// one output: a path taken earlier in the run makes a later input's output
// "name (2).epub", "name (3).epub", ..., the first one the run has not taken.
// What was on disk before the run does not count: a new conversion replaces it.
class OutputNames {
public:
    // Takes the path, or the first free numbered variant of it, and returns it.
    QString claim(const QString& output);

private:
    QSet<QString> taken_;
};

} // namespace quillbrook
