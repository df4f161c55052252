#include "runfolder.h"

#include "failure.h"
#include "fileidentity.h"
#include "paths.h"
#include "temporaryfolder.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quillbrook {

namespace {

const QByteArray runFolderPrefix = QByteArrayLiteral("quillbrook-run-");
// mkdtemp's random part: six letters or digits.
constexpr qsizetype randomPartLength = 6;
const char lockName[] = "run.lock";
const char lockBeingMadeName[] = "run.lock.new";

bool isRunFolderName(const QByteArray& name) {
    if (name.size() != runFolderPrefix.size() + randomPartLength ||
        !name.startsWith(runFolderPrefix))
        return false;
    return std::all_of(name.cbegin() + runFolderPrefix.size(), name.cend(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    });
}

// The names in an open folder, read through a descriptor of its own.
std::vector<QByteArray> namesIn(int folder) {
    std::vector<QByteArray> names;
    const int listingDescriptor = dup(folder);
    DIR* listing = listingDescriptor < 0 ? nullptr : fdopendir(listingDescriptor);
    if (!listing) {
        if (listingDescriptor >= 0)
            close(listingDescriptor);
        return names;
    }
    while (const dirent* entry = readdir(listing)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.push_back(name);
    }
    closedir(listing);
    return names;
}

// Everything inside the open folder goes; a link is removed as a link, so
// nothing outside the folder is touched.
void removeContents(int folder) {
    for (const QByteArray& name : namesIn(folder)) {
        const Descriptor inner(
            openat(folder, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (inner.isOpen()) {
            removeContents(inner.get());
            unlinkat(folder, name.constData(), AT_REMOVEDIR);
        } else {
            unlinkat(folder, name.constData(), 0);
        }
    }
}

// A run folder is left over from a run that ended without removing it (killed
// outright, or the machine went down) when it is this user's own real folder
// and no run holds its lock. Its lock is held while it goes, so two new runs
// never remove one folder together.
void removeIfLeftOver(int temporary, const QByteArray& name) {
    const Descriptor run(
        openat(temporary, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat status {};
    if (!run.isOpen() || fstat(run.get(), &status) != 0 || status.st_uid != geteuid())
        return;
    const Descriptor lock(openat(run.get(), lockName, O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!lock.isOpen() || flock(lock.get(), LOCK_EX | LOCK_NB) != 0)
        return;
    removeContents(run.get());
    if (identityOfNameAt(temporary, name) == identityOfOpen(run.get()))
        unlinkat(temporary, name.constData(), AT_REMOVEDIR);
}

void removeLeftOverRunFolders(const QString& temporary) {
    const Descriptor folder(
        open(QFile::encodeName(temporary).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.isOpen())
        return;
    for (const QByteArray& name : namesIn(folder.get()))
        if (isRunFolderName(name))
            removeIfLeftOver(folder.get(), name);
}

// The lock file gets its name only once it is locked, so a run starting at
// the same time never finds it free. Where no lock can be taken the folder
// has no lock file, and no run counts it as left over.
Descriptor lockedFile(const QString& folder) {
    const QByteArray beingMade =
        QFile::encodeName(folder + pathSeparator + QLatin1String(lockBeingMadeName));
    Descriptor lock(
        open(beingMade.constData(), O_RDONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!lock.isOpen())
        return {};
    if (flock(lock.get(), LOCK_EX | LOCK_NB) != 0 ||
        rename(beingMade.constData(),
               QFile::encodeName(folder + pathSeparator + QLatin1String(lockName)).constData()) !=
            0) {
        unlink(beingMade.constData());
        return {};
    }
    return lock;
}

} // namespace

RunFolder::RunFolder() {
    const QString temporary = TemporaryFolder();
    removeLeftOverRunFolders(temporary);
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
    lock_ = lockedFile(path_);
}

RunFolder::~RunFolder() {
    remove();
}

QString RunFolder::file(const QString& name) const {
    return path_ + pathSeparator + name;
}

// Links inside are removed as links: nothing outside the folder is touched.
// The lock goes last, so no new run takes the folder for a left-over one.
void RunFolder::remove() {
    if (!path_.isEmpty())
        QDir(path_).removeRecursively();
    path_.clear();
    lock_ = Descriptor();
}

} // namespace quillbrook
