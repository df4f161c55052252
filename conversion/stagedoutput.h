#pragma once

#include "descriptor.h"

#include <QByteArray>
#include <QString>

namespace quillbrook {

// Where the converter writes one input's EPUB: a file in the run's own folder,
// which no one else can enter, never a name in the output folder, which other
// users may be able to write. Only a successful conversion is then put in
// place by the program itself, relative to the output folder as it was opened
// when the conversion began: the result goes into a new hidden file of its
// own there, is flushed, and is renamed over the output name once that hidden
// file is checked to still be the program's. So nothing is ever written
// through a link someone put in the output folder, and a conversion that
// fails half-way, or a result that cannot be written in full, leaves what was
// at the output path untouched.
class StagedOutput {
public:
    // Opens the output folder; a failure says in plain words why it cannot be
    // written. The staged path's name ends in ".epub", so the converter picks
    // the format from it.
    StagedOutput(const QString& output, QString staged);
    // Removes the staged file unless it was put in place.
    ~StagedOutput();
    StagedOutput(const StagedOutput&) = delete;
    StagedOutput& operator=(const StagedOutput&) = delete;

    const QString& path() const { return path_; }
    // True when the converter has written the staged file.
    bool written() const;
    // Puts the result at the output path; a failure says why it could not.
    void moveOverOutput();
    void discard();

private:
    class Placing;

    QString output_;
    QByteArray outputName_;
    QString path_;
    Descriptor folder_;
};

} // namespace quillbrook
