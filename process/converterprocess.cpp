#include "converterprocess.h"

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

QProcessEnvironment environmentWithTemporaryFolder(const QString& folder) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"TMPDIR", "TEMP", "TMP"})
        environment.insert(QLatin1String(name), folder);
    return environment;
}

} // namespace

ConverterProcess::ConverterProcess(const QString& batchFile, const QString& temporaryFolder,
                                   QObject* parent)
    : QObject(parent) {
    process_.setProgram(QStringLiteral("/bin/sh"));
    process_.setArguments({batchFile});
    process_.setProcessEnvironment(environmentWithTemporaryFolder(temporaryFolder));
    process_.setStandardInputFile(QProcess::nullDevice());
    process_.setStandardOutputFile(QProcess::nullDevice());
    process_.setStandardErrorFile(QProcess::nullDevice());
    const pid_t program = getpid();
    process_.setChildProcessModifier([program] { detachIntoOwnGroup(program); });
    connect(&process_, &QProcess::finished, this, &ConverterProcess::converterFinished);
}

ConverterProcess::~ConverterProcess() {
    endTree();
}

bool ConverterProcess::start() {
    process_.start();
    if (!process_.waitForStarted(-1))
        return false;
    group_ = process_.processId();
    return true;
}

void ConverterProcess::endTree() {
    endingOnRequest_ = true;
    killGroup();
    if (process_.state() != QProcess::NotRunning)
        process_.waitForFinished(-1);
}

// Also after the converter's own end: a process it left running in its group
// (a worker, a child of a fake) must not outlive it.
void ConverterProcess::killGroup() {
    if (group_ > 0)
        ::kill(-static_cast<pid_t>(group_), SIGKILL);
}

void ConverterProcess::converterFinished() {
    killGroup();
    group_ = 0;
    if (!endingOnRequest_)
        emit ended();
}

} // namespace quillbrook
