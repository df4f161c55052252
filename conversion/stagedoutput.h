#pragma once

#include "outputstamp.h"

#include <QString>

namespace quillbrook {

// A new, hidden file beside an output path that the converter writes instead
// of the output itself: only a successful conversion is moved over the output
// path, so a conversion that fails half-way leaves what was there untouched.
// Its name ends in ".epub", so the converter still picks the format from it.
class StagedOutput {
public:
    // Makes the file; a failure says in plain words why it could not be made.
    explicit StagedOutput(const QString& output);
    // Removes the file unless it was moved over the output path.
    ~StagedOutput();
    StagedOutput(const StagedOutput&) = delete;
    StagedOutput& operator=(const StagedOutput&) = delete;

    const QString& path() const { return path_; }
    // True when the converter has written the file since it was made.
    bool written() const { return writtenSince(madeEmpty_, path_); }
    // Moves the file over the output path; a failure says why it could not.
    void moveOverOutput();
    void discard();

private:
    QString output_;
    QString path_;
    OutputStamp madeEmpty_;
};

} // namespace quillbrook
