#include "inputcheck.h"

#include "runoutcomes.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillbrook {

QString inputProblem(const QString& input) {
    const QByteArray path = QFile::encodeName(input);
    struct stat status {};
    if (stat(path.constData(), &status) != 0)
        return errno == EACCES ? failureReason(QStringLiteral("the file cannot be read."))
                               : failureReason(QStringLiteral("the file is missing."));
    if (!S_ISREG(status.st_mode))
        return failureReason(QStringLiteral("not a regular file."));
    // Non-blocking, in case the file was swapped for a FIFO since the look.
    const int descriptor = open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return failureReason(QStringLiteral("the file cannot be read."));
    close(descriptor);
    return {};
}

} // namespace quillbrook
