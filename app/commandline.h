#pragma once

#include <QStringList>
#include <optional>

namespace quillbrook {

class Form1;
class PathBatchQueue;

// What --convert asks for: the books of the paths converted without a window.
struct ConvertRequest {
    // Absolute; empty when each EPUB goes beside its book.
    QString outputFolder;
    bool keepSubfolders = false;
    bool skipConverted = false;
    // How many converters at once, when given instead of the stored setting.
    std::optional<int> jobs;
    // The extensions of the files taken from a folder's tree, as given: one,
    // or several separated by spaces or commas.
    QString extension;
};

// What the program's command line asks for: either an answer that ends the
// program before it has a window (help, version, a mistake in the options),
// the window with these files and folders added to its list, or a conversion
// of them without a window.
struct CommandLineRequest {
    // Set when the program ends at once with this status.
    std::optional<int> exitStatus;
    QString standardOutput;
    QString standardError;
    // Absolute paths, in the order given.
    QStringList paths;
    // A window of its own, even when a copy of the program already runs.
    bool newWindow = false;
    // Set for --convert.
    std::optional<ConvertRequest> convert;
};

// Reads the arguments, the program's own name first. It needs no application
// object, so it answers without a display. Relative paths are taken from the
// working folder the program was started in.
CommandLineRequest readCommandLine(const QStringList& arguments, const QString& workingFolder);

// Adds the paths to the window's list as a drop of them on the list does, in
// their order; a folder adds the files of its tree that have one of the
// extensions last entered for a folder ("Extension").
void addCommandLinePaths(Form1& window, const QStringList& paths);

// Adds batches of paths as addCommandLinePaths does, one after another in the
// order they arrive: the program's own command line, then what later starts
// hand over. The queue belongs to the window.
PathBatchQueue* commandLinePathQueue(Form1& window);

} // namespace quillbrook
