// Linked into every test program. QtTest's watchdog and Qt's D-Bus connection
// run on detached threads, so the program can reach its exit while such a
// thread is still ending. Among the exit work, Qt deletes the thread-local key
// through which an ending thread gives back its share of Qt's thread data; a
// thread that gets there only afterwards never gives it back, and
// LeakSanitizer's check at exit fails the test for 152 bytes that are no leak
// of the program's. Waiting here, after main() and before Qt's own exit work,
// until those threads are gone keeps the check about the program's memory.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTest>

namespace {

// Threads that Qt ends on its own at the program's exit.
bool isEndingQtThread(const QByteArray& name) {
    return name == "QtTest Watchdog" || name == "QDBusConnection";
}

bool endingQtThreadLeft() {
    const QStringList tasks =
        QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& task : tasks) {
        QFile comm(QStringLiteral("/proc/self/task/%1/comm").arg(task));
        if (comm.open(QIODevice::ReadOnly) && isEndingQtThread(comm.readAll().trimmed()))
            return true;
    }
    return false;
}

struct WaitForQtThreadsAtExit {
    ~WaitForQtThreadsAtExit() {
        if (!QTest::qWaitFor([] { return !endingQtThreadLeft(); }, 5000))
            qWarning("A thread of Qt's was still ending at the test program's exit.");
    }
};

// Made after Qt's library is set up and before main(): destroyed after the
// statics that Qt makes later (the D-Bus connection ends its thread there) and
// before Qt's own exit work.
const WaitForQtThreadsAtExit waitForQtThreadsAtExit;

} // namespace
