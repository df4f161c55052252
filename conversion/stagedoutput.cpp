#include "stagedoutput.h"

#include "failure.h"
#include "fileidentity.h"
#include "paths.h"

#include <QFile>
#include <QRandomGenerator>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillbrook {

namespace {

constexpr int hiddenNameTries = 100;

Failure fileFailure(int errnoValue, const QString& what) {
    return Failure(failureFromErrno(errnoValue).number(),
                   what + QStringLiteral(" (") + QString::fromLocal8Bit(strerror(errnoValue)) +
                       QLatin1Char(')'),
                   QStringLiteral("StagedOutput"));
}

Failure replacedFailure(const QString& what) {
    return Failure(PathFileAccessError, what, QStringLiteral("StagedOutput"));
}

QByteArray hiddenName() {
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray name = QByteArrayLiteral(".quillbrook-XXXXXX.epub");
    for (qsizetype i = 12; i < 18; ++i)
        name[i] = letters[QRandomGenerator::global()->bounded(int(sizeof letters - 1))];
    return name;
}

bool copyBytes(int from, int to) {
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = read(from, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got == 0;
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = write(to, buffer + done, size_t(got - done));
            if (put < 0 && errno == EINTR)
                continue;
            if (put < 0)
                return false;
            done += put;
        }
    }
}

} // namespace

// One putting in place: a new hidden file of the program's own in the output
// folder that the result fills, and that goes again unless it becomes the output.
class StagedOutput::Placing {
public:
    explicit Placing(StagedOutput& staged) : staged_(staged) {}
    ~Placing() {
        if (!name_.isEmpty() && identityOfNameAt(folder(), name_) == ours_)
            unlinkat(folder(), name_.constData(), 0);
    }

    void run() {
        const Descriptor result(
            open(QFile::encodeName(staged_.path_).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        if (!result.isOpen())
            throw fileFailure(errno, QStringLiteral("the converter's result cannot be read"));
        makeHiddenFile();
        const Descriptor& placed = fill(result);
        ours_ = identityOfOpen(placed.get());
        if (fsync(placed.get()) != 0)
            throw cannotSave(errno);
        if (!ours_ || identityOfNameAt(folder(), name_) != ours_)
            throw replacedFailure(QStringLiteral("the result was replaced by another file while it "
                                                 "was saved as %1")
                                      .arg(staged_.output_));
        if (renameat(folder(), name_.constData(), folder(), staged_.outputName_.constData()) != 0)
            throw cannotSave(errno);
        name_.clear();
        if (identityOfNameAt(folder(), staged_.outputName_) != ours_)
            throw replacedFailure(
                QStringLiteral("the saved result %1 was replaced by another file at once")
                    .arg(staged_.output_));
    }

private:
    int folder() const { return staged_.folder_.get(); }

    Failure cannotSave(int errnoValue) const {
        return fileFailure(
            errnoValue, QStringLiteral("the result could not be saved as %1").arg(staged_.output_));
    }

    // O_EXCL and O_NOFOLLOW: the name is new, so it is no one else's file and no link.
    void makeHiddenFile() {
        for (int tries = 0; tries < hiddenNameTries; ++tries) {
            name_ = hiddenName();
            hidden_ =
                Descriptor(openat(folder(), name_.constData(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
            if (hidden_.isOpen()) {
                ours_ = identityOfOpen(hidden_.get());
                return;
            }
            if (errno != EEXIST)
                break;
        }
        const int error = errno;
        name_.clear();
        throw cannotSave(error);
    }

    // A rename within one file system moves the result over the hidden file
    // without following a link at either end; across file systems the bytes
    // are copied into the hidden file itself.
    const Descriptor& fill(const Descriptor& result) {
        if (renameat(AT_FDCWD, QFile::encodeName(staged_.path_).constData(), folder(),
                     name_.constData()) == 0) {
            staged_.path_.clear();
            return result;
        }
        if (errno != EXDEV)
            throw cannotSave(errno);
        if (!copyBytes(result.get(), hidden_.get()))
            throw cannotSave(errno);
        return hidden_;
    }

    StagedOutput& staged_;
    QByteArray name_;
    Descriptor hidden_;
    std::optional<FileIdentity> ours_;
};

StagedOutput::StagedOutput(const QString& output, QString staged)
    : output_(output), outputName_(QFile::encodeName(FileNameOf(output))),
      path_(std::move(staged)) {
    const QString folder = FolderOf(output);
    // The folder the user named is followed, links and all; inside it nothing is.
    folder_ =
        Descriptor(open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder_.isOpen() || faccessat(folder_.get(), ".", W_OK, AT_EACCESS) != 0)
        throw fileFailure(errno,
                          QStringLiteral("the output folder %1 cannot be written").arg(folder));
}

StagedOutput::~StagedOutput() {
    discard();
}

bool StagedOutput::written() const {
    struct stat status {};
    return !path_.isEmpty() && lstat(QFile::encodeName(path_).constData(), &status) == 0 &&
           S_ISREG(status.st_mode);
}

void StagedOutput::moveOverOutput() {
    Placing(*this).run();
}

void StagedOutput::discard() {
    if (!path_.isEmpty())
        unlink(QFile::encodeName(path_).constData());
    path_.clear();
}

} // namespace quillbrook
