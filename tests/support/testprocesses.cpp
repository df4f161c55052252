#include "testprocesses.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace quillbrook::test {

namespace {

// What /proc/<pid>/stat says after the process's name: its state, its
// parent, its process group and more. Empty when the process is gone.
QList<QByteArray> statusAfterName(qint64 pid) {
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray stat = file.readAll();
    const qsizetype afterName = stat.lastIndexOf(')');
    return afterName < 0 ? QList<QByteArray>() : stat.mid(afterName + 2).split(' ');
}

bool running(const QList<QByteArray>& status) {
    return status.size() > 2 && status[0] != "Z";
}

} // namespace

bool processGone(qint64 pid) {
    return !running(statusAfterName(pid));
}

QList<qint64> processesInGroups(const QList<qint64>& groups) {
    QList<qint64> found;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        if (!isPid)
            continue;
        const QList<QByteArray> status = statusAfterName(pid);
        if (running(status) && groups.contains(status[2].toLongLong()))
            found << pid;
    }
    return found;
}

bool groupsEnd(const QList<qint64>& groups) {
    return QTest::qWaitFor([&] { return processesInGroups(groups).isEmpty(); }, 5000);
}

} // namespace quillbrook::test
