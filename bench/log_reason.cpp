// Finding a failed conversion's reason in a 300 MB converter log (or the size
// in MB given): the log read as a stream, against the whole log read into a
// list of lines as it once was. Prints the time of each and the process's peak
// memory after each; the streaming reading goes first, so its peak is its own.

#include "logreason.h"
#include "textfile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

using namespace quillbrook;

namespace {

double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

// Ordinary lines, one line of a tenth of the log that ends in an error, and a last line.
void writeLog(const QString& path, qint64 megabytes) {
    QFile log(path);
    if (!log.open(QIODevice::WriteOnly))
        qFatal("cannot write the log");
    const QByteArray line = "INFO: converting chapter with no trouble at all, all is well\n";
    const qint64 total = megabytes * 1024 * 1024;
    for (qint64 written = 0; written < total * 9 / 10; written += line.size())
        log.write(line);
    const QByteArray longPiece(1024 * 1024, 'z');
    for (qint64 written = 0; written < total / 10; written += longPiece.size())
        log.write(longPiece);
    log.write(" error at the end\ndone.\n");
}

} // namespace

int main(int argc, char** argv) {
    const qint64 megabytes = argc > 1 ? QByteArray(argv[1]).toLongLong() : 300;
    QTemporaryDir work;
    const QString path = work.filePath(QStringLiteral("debug-1.txt"));
    writeLog(path, megabytes);
    std::printf("log of %lld MB written; peak memory %.0f MB\n", megabytes, peakMegabytes());

    QElapsedTimer timer;
    timer.start();
    const LogReasonLines lines = reasonLinesOfLog(path);
    std::printf("read as a stream: %.2f s, peak memory %.0f MB, reason of %lld characters\n",
                timer.nsecsElapsed() / 1e9, peakMegabytes(), qlonglong(lines.lastErrorLine.size()));
    std::fflush(stdout);

    timer.restart();
    const QStringList whole = ReadTextLines(path);
    std::printf("read whole into lines: %.2f s, peak memory %.0f MB, %lld lines\n",
                timer.nsecsElapsed() / 1e9, peakMegabytes(), qlonglong(whole.size()));
    return 0;
}
