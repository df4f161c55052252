#pragma once

#include "runfolder.h"

#include <QString>
#include <memory>
#include <optional>

namespace quillbrook {

class ConverterServer;
class ProgramLifetime;

// The converter one run starts, made ready in a folder of the run's own: the
// run folder made new, the program's converter archive written into it and
// unpacked there, and the unpacked launcher checked. Unless "WarmConverter"
// is False, the warm converter's server is then started from the archive; it
// gets ready while the run goes on. The server and the folder go with this
// object, or earlier through remove().
class PreparedConverter {
public:
    PreparedConverter();
    ~PreparedConverter();

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
    // The warm converter, whether it is starting, ready, failed or lost; null
    // when the run goes without it.
    ConverterServer* server() const { return server_.get(); }

    // Ends the server with every child, and removes the run folder with
    // everything in it.
    void remove();

private:
    void makeFolder();
    void unpack();
    void checkLauncher() const;
    void startServer();

    std::optional<RunFolder> folder_;
    // Declared after the folder: the server and its children end before the folder goes.
    std::unique_ptr<ConverterServer> server_;
};

} // namespace quillbrook
