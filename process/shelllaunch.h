#pragma once

#include <QStringList>

class QProcess;

namespace quillbrook {

// Sets a process up to run /bin/sh with the given arguments, the one way the
// program starts a child: with no terminal (its input is empty and what it
// prints goes nowhere unless its command line redirects it), in a process
// group of its own (so that ending the group ends everything it started),
// and with a parent-death signal (so that it dies with the program even when
// the program is killed outright). The caller starts it.
void setUpShell(QProcess& process, const QStringList& arguments);

// Kills every process left in the group a shell set up so was started as.
void killProcessGroup(qint64 group);

} // namespace quillbrook
