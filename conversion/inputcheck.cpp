#include "inputcheck.h"

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
        return errno == EACCES ? QStringLiteral(" Error: the file cannot be read.")
                               : QStringLiteral(" Error: the file is missing.");
    if (!S_ISREG(status.st_mode))
        return QStringLiteral(" Error: not a regular file.");
    // Non-blocking, in case the file was swapped for a FIFO since the look.
    const int descriptor = open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return QStringLiteral(" Error: the file cannot be read.");
    close(descriptor);
    return {};
}

} // namespace quillbrook
