#pragma once

namespace quillbrook {

struct CommandLineRequest;

// quillbrook --convert: builds the input list from the request's paths as the
// command line does for the window, runs the same conversion run with no
// window, prints a line per book on standard error as it ends and the final
// message on standard output, and returns the program's exit status: 0 when
// every book was converted or skipped, 1 when one was not (or the program
// itself reported a failure), 128 plus the signal's number when SIGTERM,
// SIGINT or SIGHUP ended the run, after its converters have ended and its
// working folder is gone. Needs a QCoreApplication and no display. The
// window's settings are neither read nor written.
int convertWithoutWindow(const CommandLineRequest& request);

} // namespace quillbrook
