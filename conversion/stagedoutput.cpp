#include "stagedoutput.h"

#include "failure.h"
#include "paths.h"

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace quillbrook {

namespace {

const QString extension = QStringLiteral(".epub");

Failure fileFailure(int errnoValue, const QString& what) {
    return Failure(failureFromErrno(errnoValue).number(),
                   what + QStringLiteral(" (") + QString::fromLocal8Bit(strerror(errnoValue)) +
                       QLatin1Char(')'),
                   QStringLiteral("StagedOutput"));
}

// The mode a file made the ordinary way would get, rather than mkstemps' 0600.
mode_t ordinaryFileMode() {
    const mode_t mask = umask(022);
    umask(mask);
    return 0666 & ~mask;
}

} // namespace

StagedOutput::StagedOutput(const QString& output) : output_(output) {
    const QString folder = FolderOf(output);
    QByteArray pattern =
        QFile::encodeName(folder + QStringLiteral(".quillbrook-XXXXXX") + extension);
    const int descriptor = mkstemps(pattern.data(), int(extension.size()));
    if (descriptor < 0)
        throw fileFailure(errno,
                          QStringLiteral("the output folder %1 cannot be written").arg(folder));
    fchmod(descriptor, ordinaryFileMode());
    close(descriptor);
    path_ = QFile::decodeName(pattern);
    madeEmpty_ = stampOf(path_);
}

StagedOutput::~StagedOutput() {
    discard();
}

void StagedOutput::moveOverOutput() {
    if (rename(QFile::encodeName(path_).constData(), QFile::encodeName(output_).constData()) != 0)
        throw fileFailure(errno,
                          QStringLiteral("the result could not be saved as %1").arg(output_));
    path_.clear();
}

void StagedOutput::discard() {
    if (!path_.isEmpty())
        unlink(QFile::encodeName(path_).constData());
    path_.clear();
}

} // namespace quillbrook
