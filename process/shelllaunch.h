#pragma once

#include <QProcessEnvironment>
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

// Gives a process, once started, a group of its own and the parent-death
// signal, as setUpShell does, for a program started without the shell.
void setUpOwnGroup(QProcess& process);

// The program's environment with TMPDIR, TEMP and TMP naming the folder, so
// that what a child leaves behind stays where the caller removes it.
QProcessEnvironment environmentWithTemporaryFolder(const QString& folder);

// Kills every process left in the group a shell set up so was started as.
void killProcessGroup(qint64 group);

} // namespace quillbrook
