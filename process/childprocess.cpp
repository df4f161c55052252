#include "childprocess.h"

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace quillbrook {

void detachIntoOwnGroup(pid_t program) {
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The program may have died before the signal was armed.
    if (getppid() != program)
        _exit(127);
}

QProcessEnvironment environmentWithTemporaryFolder(const QString& folder) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"TMPDIR", "TEMP", "TMP"})
        environment.insert(QLatin1String(name), folder);
    return environment;
}

} // namespace quillbrook
