// The warm converter against calibre's ebook-convert on the samples: the
// server's time to ready (wall and processor seconds), and for each sample
// the processor seconds of one book, converted by ebook-convert on its own
// and by a child of the server (children's rusage, the server's start-up
// taken off). Usage: converter_server [rounds] (3 by default).

#include "converterserver.h"
#include "cunzip.h"
#include "munzip.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <functional>
#include <sys/resource.h>

using namespace quillbrook;
using namespace std::chrono_literals;

namespace {

QTextStream out(stdout);

// Processor seconds of every child reaped so far, and of what they reaped.
double childrenSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval& time) { return time.tv_sec + time.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void waitUntil(const std::function<bool()>& done) {
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

QString unpackServerScript(const QString& work) {
    QFile resource(QStringLiteral(":/CUSTOM/101"));
    const QString archive = work + QStringLiteral("/calibre.zip");
    QFile copy(archive);
    if (!resource.open(QIODevice::ReadOnly) || !copy.open(QIODevice::WriteOnly) ||
        copy.write(resource.readAll()) != resource.size())
        qFatal("the converter resource could not be written");
    copy.close();
    mUnzip::setComponentFolder(QStringLiteral(QUILLBROOK_PROGRAM_DIR));
    cUnzip unzip;
    unzip.setZipFile(archive);
    unzip.setUseFolderNames(true);
    unzip.setUnzipFolder(work + QStringLiteral("/calibre"));
    if (unzip.Unzip())
        qFatal("the converter resource could not be unpacked");
    return work + QStringLiteral("/calibre/converter-server.py");
}

// A server that is ready, or a fatal error.
std::unique_ptr<ConverterServer> readyServer(const QString& script, const QString& temporary) {
    auto server = std::make_unique<ConverterServer>(script, temporary);
    bool ready = false;
    QObject::connect(server.get(), &ConverterServer::ready, [&] { ready = true; });
    QObject::connect(server.get(), &ConverterServer::failed, [](const QString& reason) {
        qFatal("the converter server failed: %s", qPrintable(reason));
    });
    server->start(60s);
    waitUntil([&] { return ready; });
    return server;
}

struct Figures {
    double wallSeconds = 0;
    double processorSeconds = 0;
};

Figures timeToReady(const QString& script, const QString& temporary, int rounds) {
    Figures total;
    for (int round = 0; round < rounds; ++round) {
        const double before = childrenSeconds();
        QElapsedTimer wall;
        wall.start();
        auto server = readyServer(script, temporary);
        total.wallSeconds += wall.nsecsElapsed() / 1e9;
        server.reset();
        total.processorSeconds += childrenSeconds() - before;
    }
    return {total.wallSeconds / rounds, total.processorSeconds / rounds};
}

Figures aloneFigures(const QString& book, const QString& folder, int rounds) {
    const double before = childrenSeconds();
    QElapsedTimer wall;
    wall.start();
    for (int round = 0; round < rounds; ++round) {
        QProcess ebookConvert;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TMPDIR"), folder);
        ebookConvert.setProcessEnvironment(environment);
        ebookConvert.setStandardOutputFile(folder + QStringLiteral("/alone.log"));
        ebookConvert.setStandardErrorFile(QProcess::nullDevice());
        ebookConvert.start(QStringLiteral("ebook-convert"),
                           {book, folder + QStringLiteral("/alone.epub")});
        if (!ebookConvert.waitForFinished(-1) || ebookConvert.exitCode() != 0)
            qFatal("ebook-convert failed on %s", qPrintable(book));
    }
    return {wall.nsecsElapsed() / 1e9 / rounds, (childrenSeconds() - before) / rounds};
}

Figures servedFigures(const QString& book, const QString& folder, const QString& script, int rounds,
                      double startupSeconds) {
    const double before = childrenSeconds();
    auto server = readyServer(script, folder);
    QElapsedTimer wall;
    wall.start();
    for (int round = 0; round < rounds; ++round) {
        bool ended = false;
        const auto connection = QObject::connect(
            server.get(), &ConverterServer::ended, [&](qint64, bool bySignal, int status) {
                if (bySignal || status != 0)
                    qFatal("the server's child failed on %s", qPrintable(book));
                ended = true;
            });
        if (!server->convert({round, book, folder + QStringLiteral("/served.epub"),
                              folder + QStringLiteral("/served.log"), folder}))
            qFatal("the server took no request");
        waitUntil([&] { return ended; });
        QObject::disconnect(connection);
    }
    const double wallSeconds = wall.nsecsElapsed() / 1e9 / rounds;
    server.reset();
    return {wallSeconds, (childrenSeconds() - before - startupSeconds) / rounds};
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? qMax(1, QByteArray(argv[1]).toInt()) : 3;
    QTemporaryDir work;
    const QString script = unpackServerScript(work.path());
    const QString temporary = work.filePath(QStringLiteral("tmp"));
    QDir().mkpath(temporary);

    const Figures ready = timeToReady(script, temporary, rounds);
    out << QStringLiteral("converter server, %1 rounds: ready after %2 s wall, %3 processor s\n")
               .arg(rounds)
               .arg(ready.wallSeconds, 0, 'f', 3)
               .arg(ready.processorSeconds, 0, 'f', 3);
    out << QStringLiteral("per book, mean of %1 rounds: processor s (wall s)\n").arg(rounds);
    out << QStringLiteral("%1 %2 %3 %4\n")
               .arg(QStringLiteral("sample"), -28)
               .arg(QStringLiteral("ebook-convert"), 16)
               .arg(QStringLiteral("server child"), 16)
               .arg(QStringLiteral("ratio"), 6);
    const QDir samples(QStringLiteral(QUILLBROOK_PROGRAM_DIR "/Samples"));
    Figures aloneTotal, servedTotal;
    for (const QString& name : samples.entryList({QStringLiteral("*.mobi")}, QDir::Files)) {
        const QString folder = work.filePath(name);
        QDir().mkpath(folder);
        const Figures alone = aloneFigures(samples.filePath(name), folder, rounds);
        const Figures served =
            servedFigures(samples.filePath(name), folder, script, rounds, ready.processorSeconds);
        const auto cell = [](const Figures& figures) {
            return QStringLiteral("%1 (%2)")
                .arg(figures.processorSeconds, 0, 'f', 3)
                .arg(figures.wallSeconds, 0, 'f', 2);
        };
        out << QStringLiteral("%1 %2 %3 %4\n")
                   .arg(name, -28)
                   .arg(cell(alone), 16)
                   .arg(cell(served), 16)
                   .arg(served.processorSeconds / alone.processorSeconds, 6, 'f', 2);
        aloneTotal.processorSeconds += alone.processorSeconds;
        servedTotal.processorSeconds += served.processorSeconds;
    }
    out << QStringLiteral("all samples: %1 processor s alone, %2 through the server (%3)\n")
               .arg(aloneTotal.processorSeconds, 0, 'f', 3)
               .arg(servedTotal.processorSeconds, 0, 'f', 3)
               .arg(servedTotal.processorSeconds / aloneTotal.processorSeconds, 0, 'f', 2);
    return 0;
}
