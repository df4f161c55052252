#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <sys/types.h>

namespace quillbrook {

// For a child between fork and exec: a process group of its own, so that
// ending the group ends everything it starts, and the parent-death signal, so
// that it dies with the program even when the program is killed outright.
// program is the pid of the program that forked it.
void detachIntoOwnGroup(pid_t program);

// The program's environment with TMPDIR, TEMP and TMP naming the folder, so
// that what a child leaves behind stays where the caller removes it.
QProcessEnvironment environmentWithTemporaryFolder(const QString& folder);

} // namespace quillbrook
