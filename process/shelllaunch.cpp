#include "shelllaunch.h"

#include <QProcess>
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace quillbrook {

namespace {

// Runs in the child between fork and exec.
void detachIntoOwnGroup(pid_t parent) {
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The program may have died before the signal was armed.
    if (getppid() != parent)
        _exit(127);
}

} // namespace

void killProcessGroup(qint64 group) {
    if (group > 0)
        ::kill(-static_cast<pid_t>(group), SIGKILL);
}

void setUpShell(QProcess& process, const QStringList& arguments) {
    process.setProgram(QStringLiteral("/bin/sh"));
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    setUpOwnGroup(process);
}

void setUpOwnGroup(QProcess& process) {
    const pid_t program = getpid();
    process.setChildProcessModifier([program] { detachIntoOwnGroup(program); });
}

QProcessEnvironment environmentWithTemporaryFolder(const QString& folder) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"TMPDIR", "TEMP", "TMP"})
        environment.insert(QLatin1String(name), folder);
    return environment;
}

} // namespace quillbrook
