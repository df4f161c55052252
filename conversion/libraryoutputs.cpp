#include "libraryoutputs.h"

#include "descriptor.h"
#include "paths.h"
#include "runoutcomes.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>

namespace quillbrook {

namespace {

std::optional<timespec> regularFileTime(const QString& path) {
    struct stat status {};
    if (stat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    return status.st_mtim;
}

bool isLater(const timespec& one, const timespec& other) {
    return one.tv_sec != other.tv_sec ? one.tv_sec > other.tv_sec : one.tv_nsec > other.tv_nsec;
}

// A link or a file where a sub-folder belongs is refused as a folder.
QString subfolderReason(const QString& folder, int error) {
    const QString why = error == ENOTDIR || error == ELOOP
                            ? QStringLiteral("something that is no folder stands in its place")
                            : QString::fromLocal8Bit(std::strerror(error));
    return failureReason(
        QStringLiteral("the folder \"%1\" could not be made (%2).").arg(folder, why));
}

// The output folder the user chose may be reached through a link; the
// sub-folders the run makes below it may not.
constexpr int chosenFolder = O_PATH | O_DIRECTORY | O_CLOEXEC;
constexpr int folderOnly = chosenFolder | O_NOFOLLOW;

} // namespace

QString keptSubfolder(const QString& input, const QString& baseFolder) {
    if (baseFolder.isEmpty())
        return {};
    const QString prefix = CleanPath(baseFolder + pathSeparator);
    const QString folder = FolderOf(input);
    if (!folder.startsWith(prefix))
        return {};
    return folder.mid(prefix.size());
}

QString makeSubfolders(const QString& folder, const QString& relativePath) {
    Descriptor current(open(QFile::encodeName(folder).constData(), chosenFolder));
    if (!current.isOpen())
        return subfolderReason(folder, errno);
    QString reached = CleanPath(folder + pathSeparator);
    for (const QString& name : relativePath.split(pathSeparator, Qt::SkipEmptyParts)) {
        reached += name + pathSeparator;
        const QByteArray nativeName = QFile::encodeName(name);
        if (mkdirat(current.get(), nativeName.constData(), 0777) != 0 && errno != EEXIST)
            return subfolderReason(reached, errno);
        Descriptor below(openat(current.get(), nativeName.constData(), folderOnly));
        if (!below.isOpen())
            return subfolderReason(reached, errno);
        current = std::move(below);
    }
    return {};
}

bool isConvertedAlready(const QString& output, const QString& input) {
    const std::optional<timespec> outputTime = regularFileTime(output);
    if (!outputTime)
        return false;
    const std::optional<timespec> inputTime = regularFileTime(input);
    return inputTime && isLater(*outputTime, *inputTime);
}

} // namespace quillbrook
