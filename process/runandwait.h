#pragma once

#include <QString>
#include <optional>

namespace quillbrook {

// Runs a command line and returns its exit code once it has ended, keeping the
// window live meanwhile. The program's named synchronous call; converters now
// run from the event loop (ConverterProcess), so only its tests call it.
//
// A command line that names an existing file runs as a shell script
// (/bin/sh <file>); anything else runs as a shell command (/bin/sh -c <line>),
// unchanged. The child never gets a terminal: its input is empty and what it
// prints goes nowhere unless the command line redirects it, so the window
// style, which chooses how a started program's window shows, has nothing to
// act on here and is accepted only for callers written with one.
//
// A command that cannot be started returns its error number plus
// -2147221504: 53 for a program that does not exist, 70 for one that may not
// be run. A command that started returns its own exit code, 126 and 127
// included; a process ended by a signal returns 128 + the signal's number. When
// the application quits during the wait, the child and everything it started
// are ended and the call returns at once. The wait runs the application's
// events, so a QCoreApplication must exist.
int RunAndWait(const QString& commandLine, std::optional<int> windowStyle = std::nullopt);

} // namespace quillbrook
