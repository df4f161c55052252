#include "converterprocess.h"

#include "shelllaunch.h"

namespace quillbrook {

ConverterProcess::ConverterProcess(const QString& batchFile, const QString& temporaryFolder,
                                   QObject* parent)
    : QObject(parent) {
    setUpShell(process_, {batchFile});
    process_.setProcessEnvironment(environmentWithTemporaryFolder(temporaryFolder));
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
    killProcessGroup(group_);
}

void ConverterProcess::converterFinished() {
    killGroup();
    group_ = 0;
    if (!endingOnRequest_)
        emit ended();
}

} // namespace quillbrook
