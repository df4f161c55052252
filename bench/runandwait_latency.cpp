// How soon RunAndWait returns once its child has ended. Prints the mean and
// the largest figure over a number of runs; the target is well under 100 ms.

#include "runandwait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <ctime>

using namespace quillbrook;

namespace {

constexpr int runs = 50;

struct Figures {
    double meanMs = 0;
    double largestMs = 0;

    void add(double ms) {
        meanMs += ms / runs;
        largestMs = std::max(largestMs, ms);
    }
};

qint64 wallClockNs() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// The whole call for `true`: starting the shell, the command, and the return.
Figures callTimes() {
    Figures figures;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        RunAndWait(QStringLiteral("true"), 0);
        figures.add(timer.nsecsElapsed() / 1e6);
    }
    return figures;
}

// From the child's last act (writing the wall-clock time) to the return.
Figures delaysAfterTheEnd(const QString& stampFile) {
    Figures figures;
    const QString command = QStringLiteral("date +%s%N > '%1'").arg(stampFile);
    for (int i = 0; i < runs; ++i) {
        RunAndWait(command, 0);
        const qint64 returned = wallClockNs();
        QFile stamp(stampFile);
        if (!stamp.open(QIODevice::ReadOnly))
            qFatal("the child wrote no time stamp");
        figures.add((returned - stamp.readAll().trimmed().toLongLong()) / 1e6);
    }
    return figures;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    const Figures calls = callTimes();
    const Figures delays = delaysAfterTheEnd(folder.filePath(QStringLiteral("stamp")));
    QTextStream out(stdout);
    out << QStringLiteral("RunAndWait(\"true\") over %1 runs: mean %2 ms, largest %3 ms\n")
               .arg(runs)
               .arg(calls.meanMs, 0, 'f', 2)
               .arg(calls.largestMs, 0, 'f', 2);
    out << QStringLiteral("return delay after the child's end: mean %1 ms, largest %2 ms\n")
               .arg(delays.meanMs, 0, 'f', 2)
               .arg(delays.largestMs, 0, 'f', 2);
    return 0;
}
