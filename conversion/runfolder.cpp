#include "runfolder.h"

#include "failure.h"
#include "paths.h"
#include "temporaryfolder.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace quillbrook {

RunFolder::RunFolder() {
    const QString temporary = TemporaryFolder();
    QByteArray pattern =
        QFile::encodeName(temporary + pathSeparator + QStringLiteral("quillbrook-run-XXXXXX"));
    if (mkdtemp(pattern.data()) == nullptr) {
        const int error = errno;
        throw Failure(failureFromErrno(error).number(),
                      QStringLiteral("no working folder can be made in %1 (%2)")
                          .arg(temporary, QString::fromLocal8Bit(strerror(error))),
                      QStringLiteral("RunFolder"));
    }
    path_ = QFile::decodeName(pattern);
}

RunFolder::~RunFolder() {
    remove();
}

QString RunFolder::file(const QString& name) const {
    return path_ + pathSeparator + name;
}

// Links inside are removed as links: nothing outside the folder is touched.
void RunFolder::remove() {
    if (!path_.isEmpty())
        QDir(path_).removeRecursively();
    path_.clear();
}

} // namespace quillbrook
