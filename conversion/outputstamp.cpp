#include "outputstamp.h"

#include <QFile>
#include <sys/stat.h>

namespace quillbrook {

OutputStamp stampOf(const QString& path) {
    struct stat status {};
    if (path.isEmpty() || stat(QFile::encodeName(path).constData(), &status) != 0)
        return {};
    return {true, static_cast<long long>(status.st_size), status.st_mtim};
}

bool writtenSince(const OutputStamp& before, const QString& path) {
    const OutputStamp now = stampOf(path);
    if (!now.exists)
        return false;
    return !before.exists || now.size != before.size ||
           now.modified.tv_sec != before.modified.tv_sec ||
           now.modified.tv_nsec != before.modified.tv_nsec;
}

} // namespace quillbrook
