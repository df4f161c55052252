#pragma once

#include "runfolder.h"

#include <QString>
#include <optional>

namespace quillbrook {

class ProgramLifetime;

// The converter one run starts, made ready in a folder of the run's own: the
// run folder made new, the program's converter archive written into it and
// unpacked there, and the unpacked launcher checked. The folder goes with
// this object, or earlier through remove().
class PreparedConverter {
public:
    // Prepares everything, one part after the other, until the program ends.
    // Returns the empty text when the converter is ready, otherwise the one
    // reason it is not, in plain words; then nothing of it is left.
    QString prepare(const QString& programFolder, const ProgramLifetime& lifetime);

    // The unpacked launcher the batch files run.
    QString launcher() const;
    // A file of the run's own, beside the unpacked converter.
    QString workingFile(const QString& name) const;
    // The folder the converters' TMPDIR, TEMP and TMP name.
    QString temporaryFolder() const;

    // Removes the run folder with everything in it.
    void remove() { folder_.reset(); }

private:
    void makeFolder();
    void unpack();
    void checkLauncher() const;

    std::optional<RunFolder> folder_;
};

} // namespace quillbrook
