// What every conversion run pays before and after its books: writing the
// converter resource to the temporary folder, unpacking it with the zip
// component and deleting the unpacked converter again. Prints the median and
// the largest time over a number of rounds; the target is under 50 ms.

#include "cunzip.h"
#include "munzip.h"
#include "paths.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>

using namespace quillbrook;

namespace {

constexpr int rounds = 50;

QByteArray converterResource() {
    QFile resource(QStringLiteral(":/CUSTOM/101"));
    if (!resource.open(QIODevice::ReadOnly))
        qFatal("the converter resource is missing");
    return resource.readAll();
}

// One round as the run does it, in milliseconds.
double oneRound(const QString& temp) {
    const QString archive = temp + QStringLiteral("/calibre.zip");
    const QString converter = temp + QStringLiteral("/calibre");
    QElapsedTimer timer;
    timer.start();
    WriteBytesIfAbsent(converterResource(), archive);
    cUnzip unzip;
    unzip.setZipFile(archive);
    unzip.setUseFolderNames(true);
    unzip.setUnzipFolder(converter);
    unzip.Unzip();
    DeleteFileQuietly(archive);
    DeleteFolderTree(converter);
    const double ms = timer.nsecsElapsed() / 1e6;
    if (PathExists(converter) || PathExists(archive))
        qFatal("the round left files behind");
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    mUnzip::setComponentFolder(QStringLiteral(QUILLBROOK_PROGRAM_DIR));
    QTemporaryDir temp;
    QList<double> times;
    for (int round = 0; round < rounds; ++round)
        times << oneRound(temp.path());
    std::sort(times.begin(), times.end());
    QTextStream(stdout) << QStringLiteral("resource write + unzip + converter-folder deletion, "
                                          "%1 rounds: median %2 ms, largest %3 ms (target under "
                                          "50 ms)\n")
                               .arg(rounds)
                               .arg(times[rounds / 2], 0, 'f', 2)
                               .arg(times.constLast(), 0, 'f', 2);
    return 0;
}
