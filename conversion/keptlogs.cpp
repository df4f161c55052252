#include "keptlogs.h"

#include "failure.h"
#include "paths.h"
#include "privatefolder.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <utility>

namespace quillbrook {

namespace {

// Two runs that start in the same second (two windows) get "-2", "-3" and so on.
const QRegularExpression
    runFolderName(QStringLiteral(R"(^(\d{4}-\d{2}-\d{2}_\d{2}-\d{2}-\d{2})(?:-(\d+))?$)"));
constexpr int mostRunsInOneSecond = 100;
// The longest file name the file systems the program meets take, in bytes.
constexpr qsizetype longestFileName = 255;
constexpr qint64 copyChunk = 64 * 1024;

QString stateFolder() {
    const QString configured = qEnvironmentVariable("XDG_STATE_HOME");
    // A relative path is not a state folder by the desktop's rules: it is ignored.
    if (!configured.isEmpty() && QDir::isAbsolutePath(configured))
        return configured;
    return QDir::homePath() + QStringLiteral("/.local/state");
}

// Runs in the order they started: by date and time, then by number.
bool startedEarlier(const QString& left, const QString& right) {
    const QRegularExpressionMatch l = runFolderName.match(left);
    const QRegularExpressionMatch r = runFolderName.match(right);
    if (l.captured(1) != r.captured(1))
        return l.captured(1) < r.captured(1);
    return l.captured(2).toInt() < r.captured(2).toInt();
}

// The book's name with the ending, shortened where the whole would be too
// long a file name; a character is never cut in half.
QString fittedFileName(QString stem, const QString& ending) {
    while (!stem.isEmpty() && QFile::encodeName(stem + ending).size() > longestFileName) {
        stem.chop(1);
        if (!stem.isEmpty() && stem.back().isHighSurrogate())
            stem.chop(1);
    }
    return stem + ending;
}

bool copyInto(QFile& source, QFile& target) {
    while (!source.atEnd()) {
        const QByteArray chunk = source.read(copyChunk);
        if (chunk.isEmpty() || target.write(chunk) != chunk.size())
            return false;
    }
    return target.flush();
}

} // namespace

QString keptLogsFolder() {
    return stateFolder() + QStringLiteral("/quillbrook/logs");
}

KeptLogs::KeptLogs(QString parentFolder, const QDateTime& runStart)
    : parentFolder_(std::move(parentFolder)),
      runName_(runStart.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"))) {}

bool KeptLogs::keep(const QString& log, const QString& bookName) {
    QFile source(log);
    if (!source.open(QIODevice::ReadOnly) || source.size() == 0 || !makeFolder())
        return false;
    for (;;) {
        QFile target(folder_ + pathSeparator + nextFileName(bookName));
        if (target.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
            if (copyInto(source, target))
                return true;
            target.remove();
            return false;
        }
        if (!target.exists())
            return false;
    }
}

// Made in one step with mode 0700, so it is new and the run's own.
bool KeptLogs::makeFolder() {
    if (!folder_.isEmpty())
        return true;
    if (unavailable_)
        return false;
    unavailable_ = true;
    try {
        QDir().mkpath(FolderOf(parentFolder_));
        if (!MakeOwnPrivateFolder(parentFolder_, S_IWGRP | S_IWOTH, QStringLiteral("KeptLogs")))
            return false;
    } catch (const Failure&) {
        return false;
    }
    for (int number = 1; number <= mostRunsInOneSecond; ++number) {
        const QString name = number == 1 ? runName_ : runName_ + QStringLiteral("-%1").arg(number);
        const QString folder = parentFolder_ + pathSeparator + name;
        if (::mkdir(QFile::encodeName(folder).constData(), S_IRWXU) == 0) {
            folder_ = folder;
            unavailable_ = false;
            removeOldRuns();
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

void KeptLogs::removeOldRuns() const {
    QStringList runs;
    for (const QString& name :
         QDir(parentFolder_).entryList(QDir::Dirs | QDir::NoSymLinks | QDir::NoDotAndDotDot))
        if (runFolderName.match(name).hasMatch())
            runs << name;
    if (runs.size() <= keptLogRuns)
        return;
    std::sort(runs.begin(), runs.end(), startedEarlier);
    for (qsizetype i = 0; i < runs.size() - keptLogRuns; ++i)
        QDir(parentFolder_ + pathSeparator + runs[i]).removeRecursively();
}

// "<book>.log", then "<book> (2).log" and so on for later books of the same name.
QString KeptLogs::nextFileName(const QString& bookName) {
    const int given = namesGiven_[bookName]++;
    const QString ending =
        given == 0 ? QStringLiteral(".log") : QStringLiteral(" (%1).log").arg(given + 1);
    return fittedFileName(bookName, ending);
}

} // namespace quillbrook
