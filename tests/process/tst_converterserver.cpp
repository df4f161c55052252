#include "converterserver.h"
#include "cunzip.h"
#include "munzip.h"
#include "servedconversion.h"
#include "testenvironment.h"
#include "testfiles.h"
#include "testprocesses.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <memory>

using namespace quillbrook;
using namespace quillbrook::test;
using namespace std::chrono_literals;

namespace {

// calibre needs a while for a book on a busy machine.
constexpr int conversionWaitMs = 180000;
constexpr auto readyLimit = 60s;

QString sample(const QString& name) {
    return builtProgramFolder() + QStringLiteral("/Samples/") + name;
}

void unpack(const QString& archive, const QString& folder) {
    cUnzip unzip;
    unzip.setZipFile(archive);
    unzip.setUseFolderNames(true);
    unzip.setUnzipFolder(folder);
    QVERIFY2(!unzip.Unzip(), qPrintable(archive)); // true tells of a problem
}

// The files under a folder, by their path below it.
QStringList filesUnder(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(folder).relativeFilePath(it.next());
    files.sort();
    return files;
}

bool isText(const QString& name) {
    static const QRegularExpression text(
        QStringLiteral("(^mimetype|\\.(x?html?|css|opf|ncx|xml|txt|svg))$"));
    return text.match(name).hasMatch();
}

// What differs between two conversions of one book by calibre alone: the
// random ids it draws (32 hex digits, with or without the dashes of a uuid)
// and the time of the conversion it records.
QByteArray masked(QByteArray text) {
    static const QRegularExpression randomId(QStringLiteral(
        "[0-9a-fA-F]{8}-?[0-9a-fA-F]{4}-?[0-9a-fA-F]{4}-?[0-9a-fA-F]{4}-?[0-9a-fA-F]{12}"));
    static const QRegularExpression conversionTime(
        QStringLiteral("(name=\"calibre:timestamp\" content=\")[^\"]*"));
    QString decoded = QString::fromUtf8(text);
    decoded.replace(randomId, QStringLiteral("<id>"));
    decoded.replace(conversionTime, QStringLiteral("\\1<time>"));
    return decoded.toUtf8();
}

// A server with a record of everything it said.
struct Served {
    explicit Served(const QString& script, const QString& temporaryFolder)
        : server(script, temporaryFolder), ready(&server, &ConverterServer::ready),
          failed(&server, &ConverterServer::failed), started(&server, &ConverterServer::started),
          notStarted(&server, &ConverterServer::notStarted),
          ended(&server, &ConverterServer::ended), lost(&server, &ConverterServer::serverLost) {}

    bool startAndWait() {
        server.start(readyLimit);
        return ready.wait(int(std::chrono::milliseconds(readyLimit).count())) || ready.count() == 1;
    }
    bool waitForEnded(int count) {
        return QTest::qWaitFor([&] { return ended.count() >= count; }, conversionWaitMs);
    }
    QList<qint64> childPids() const {
        QList<qint64> pids;
        for (const QList<QVariant>& start : started)
            pids << start.at(1).toLongLong();
        return pids;
    }

    ConverterServer server;
    QSignalSpy ready, failed, started, notStarted, ended, lost;
};

} // namespace

class ConverterServerTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void convertsTwoBooksAtOnce();
    void fileNamesArriveIntact_data();
    void fileNamesArriveIntact();
    void childEndedBySignalIsReported_data();
    void childEndedBySignalIsReported();
    void unopenableLogIsNotStarted();
    void servedConversionEndsLikeTheLauncher();
    void killedServerIsReportedLost();
    void nothingOutlivesTheClient();
    void failsWithoutCalibresPython_data();
    void failsWithoutCalibresPython();
    void notReadyWithinTheLimitFails();
    void sameBooksOutAsEbookConvert_data();
    void sameBooksOutAsEbookConvert();

private:
    std::unique_ptr<Served> startedServer();
    ServedBook book(qint64 id, const QString& input, const QString& name);

    QTemporaryDir work_;
    QString script_;
    QString temporary_;
};

void ConverterServerTest::initTestCase() {
    QVERIFY(work_.isValid());
    mUnzip::setComponentFolder(builtProgramFolder());
    QFile resource(QStringLiteral(":/CUSTOM/101"));
    QVERIFY(resource.open(QIODevice::ReadOnly));
    const QString archive = work_.filePath(QStringLiteral("calibre.zip"));
    writeFile(archive, resource.readAll());
    unpack(archive, work_.filePath(QStringLiteral("calibre")));
    script_ = work_.filePath(QStringLiteral("calibre/converter-server.py"));
    QVERIFY(QFileInfo::exists(script_));
    temporary_ = work_.filePath(QStringLiteral("tmp"));
    QVERIFY(QDir().mkpath(temporary_));
}

std::unique_ptr<Served> ConverterServerTest::startedServer() {
    auto served = std::make_unique<Served>(script_, temporary_);
    if (!served->startAndWait())
        qWarning() << "the server did not get ready:" << served->failed;
    return served;
}

// A book whose output, log and temporary folder are named after it in the work folder.
ServedBook ConverterServerTest::book(qint64 id, const QString& input, const QString& name) {
    const QString folder = work_.filePath(QStringLiteral("book-%1").arg(id));
    QDir().mkpath(folder + QStringLiteral("/tmp"));
    return {id, input, folder + QLatin1Char('/') + name + QStringLiteral(".epub"),
            folder + QLatin1Char('/') + name + QStringLiteral(".log"),
            folder + QStringLiteral("/tmp")};
}

void ConverterServerTest::convertsTwoBooksAtOnce() {
    const auto served = startedServer();
    QVERIFY(served->server.isReady());
    const ServedBook books[] = {
        book(1, sample(QStringLiteral("Aesop-Three-Fables.mobi")), QStringLiteral("aesop")),
        book(2, sample(QStringLiteral("The-Lamplighter.mobi")), QStringLiteral("lamplighter"))};
    for (const ServedBook& each : books)
        QVERIFY(served->server.convert(each));
    QVERIFY(!served->server.convert(books[0])); // already converting
    QVERIFY(served->waitForEnded(2));
    QCOMPARE(served->started.count(), 2);
    const QList<qint64> pids = served->childPids();
    QVERIFY(pids[0] != pids[1]);
    QVERIFY(!pids.contains(served->server.processId()));
    for (const QList<QVariant>& end : served->ended) {
        QCOMPARE(end.at(1).toBool(), false);
        QCOMPARE(end.at(2).toInt(), 0);
    }
    for (const ServedBook& each : books) {
        QVERIFY2(QFileInfo(each.output).size() > 0, qPrintable(readFile(each.logFile)));
        QVERIFY(readFile(each.logFile).contains("EPUB output written to"));
    }
    QVERIFY(served->notStarted.isEmpty() && served->lost.isEmpty());
}

void ConverterServerTest::fileNamesArriveIntact_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("spaces") << QStringLiteral("a book  with spaces ");
    QTest::newRow("quotes") << QStringLiteral("it's \"quoted\" `and` $(not run)");
    QTest::newRow("newline") << QStringLiteral("first line\nsecond line");
    QTest::newRow("non-ASCII") << QStringLiteral("Dück – 日本の本 ✓");
    QTest::newRow("dash and backslash") << QStringLiteral("-o \\ --help");
}

void ConverterServerTest::fileNamesArriveIntact() {
    QFETCH(QString, name);
    const auto served = startedServer();
    const QString folder = work_.filePath(name);
    QVERIFY(QDir().mkpath(folder));
    const QString input = folder + QLatin1Char('/') + name + QStringLiteral(".mobi");
    QVERIFY(QFile::copy(sample(QStringLiteral("Two-Sonnets.mobi")), input));
    const ServedBook named{7, input, folder + QLatin1Char('/') + name + QStringLiteral(".epub"),
                           folder + QLatin1Char('/') + name + QStringLiteral(".log"), folder};
    QVERIFY(served->server.convert(named));
    QVERIFY(served->waitForEnded(1));
    QCOMPARE(served->ended.first().at(2).toInt(), 0);
    QVERIFY2(QFileInfo(named.output).size() > 0, qPrintable(readFile(named.logFile)));
    QVERIFY(readFile(named.logFile).contains(QFile::encodeName(named.output)));
}

void ConverterServerTest::childEndedBySignalIsReported_data() {
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGKILL") << SIGKILL;
    QTest::newRow("SIGSEGV") << SIGSEGV;
}

void ConverterServerTest::childEndedBySignalIsReported() {
    QFETCH(int, signalNumber);
    const auto served = startedServer();
    connect(&served->server, &ConverterServer::started, this,
            [signalNumber](qint64, qint64 pid) { ::kill(pid_t(pid), signalNumber); });
    QVERIFY(served->server.convert(
        book(3, sample(QStringLiteral("The-Lamplighter.mobi")), QStringLiteral("killed"))));
    QVERIFY(served->waitForEnded(1));
    const QList<QVariant> end = served->ended.first();
    QCOMPARE(end.at(0).toLongLong(), 3);
    QCOMPARE(end.at(1).toBool(), true);
    QCOMPARE(end.at(2).toInt(), signalNumber);
    QVERIFY(served->server.isReady());
}

void ConverterServerTest::unopenableLogIsNotStarted() {
    const auto served = startedServer();
    ServedBook lonely = book(4, sample(QStringLiteral("Two-Sonnets.mobi")), QStringLiteral("x"));
    lonely.logFile = work_.filePath(QStringLiteral("no such folder/x.log"));
    QVERIFY(served->server.convert(lonely));
    QVERIFY(served->notStarted.wait(conversionWaitMs));
    QCOMPARE(served->notStarted.first().at(0).toLongLong(), 4);
    QVERIFY(served->notStarted.first().at(1).toString().contains(QLatin1String("log")));
    QVERIFY(served->started.isEmpty());
    // The id is free again, and the server still converts.
    lonely.logFile = work_.filePath(QStringLiteral("book-4/x.log"));
    QVERIFY(served->server.convert(lonely));
    QVERIFY(served->waitForEnded(1));
}

// A book converts, fails and is ended through the server as through the
// launcher: exit status, no ended() after endTree().
void ConverterServerTest::servedConversionEndsLikeTheLauncher() {
    const auto served = startedServer();
    ServedConversion converted(served->server, book(5, sample(QStringLiteral("Zwei-Gedichte.mobi")),
                                                    QStringLiteral("zwei")));
    ServedConversion failing(served->server, book(6, work_.filePath(QStringLiteral("missing.mobi")),
                                                  QStringLiteral("missing")));
    ServedConversion stopped(served->server, book(8, sample(QStringLiteral("The-Lamplighter.mobi")),
                                                  QStringLiteral("stopped")));
    QSignalSpy convertedEnded(&converted, &ServedConversion::ended);
    QSignalSpy failingEnded(&failing, &ServedConversion::ended);
    QSignalSpy stoppedEnded(&stopped, &ServedConversion::ended);
    QVERIFY(converted.start() && failing.start() && stopped.start());
    stopped.endTree();
    QVERIFY(served->waitForEnded(3));
    QCOMPARE(convertedEnded.count(), 1);
    QVERIFY(!converted.endedBySignal() && !converted.lost());
    QCOMPARE(converted.exitStatus(), 0);
    QCOMPARE(failingEnded.count(), 1);
    QVERIFY(!failing.lost());
    QVERIFY(failing.exitStatus() != 0);
    QVERIFY(stoppedEnded.isEmpty());
}

void ConverterServerTest::killedServerIsReportedLost() {
    const auto served = startedServer();
    ServedConversion inFlight(
        served->server,
        book(9, sample(QStringLiteral("The-Lamplighter.mobi")), QStringLiteral("lost")));
    QSignalSpy inFlightEnded(&inFlight, &ServedConversion::ended);
    QVERIFY(inFlight.start());
    QVERIFY(served->started.wait(conversionWaitMs));
    const qint64 server = served->server.processId();
    ::kill(pid_t(server), SIGKILL);
    QVERIFY(served->lost.wait(conversionWaitMs));
    QVERIFY2(served->lost.first().at(0).toString().contains(QLatin1String("signal 9")),
             qPrintable(served->lost.first().at(0).toString()));
    QCOMPARE(inFlightEnded.count(), 1);
    QVERIFY(inFlight.lost());
    QVERIFY(!inFlight.errorText().isEmpty());
    QVERIFY(!served->server.isReady());
    QVERIFY(!served->server.convert(
        book(10, sample(QStringLiteral("Two-Sonnets.mobi")), QStringLiteral("after"))));
    QVERIFY(groupsEnd(served->childPids() << server));
}

void ConverterServerTest::nothingOutlivesTheClient() {
    auto served = startedServer();
    for (qint64 id : {11, 12})
        QVERIFY(served->server.convert(
            book(id, sample(QStringLiteral("The-Lamplighter.mobi")), QStringLiteral("left"))));
    QVERIFY(QTest::qWaitFor([&] { return served->started.count() == 2; }, conversionWaitMs));
    const QList<qint64> groups = served->childPids() << served->server.processId();
    for (qint64 pid : groups)
        QVERIFY(!processGone(pid));
    served.reset();
    for (qint64 pid : groups)
        QVERIFY(processGone(pid));
    QVERIFY(processesInGroups(groups).isEmpty());
}

void ConverterServerTest::failsWithoutCalibresPython_data() {
    QTest::addColumn<QByteArray>("fake");
    QTest::addColumn<QString>("reason");
    QTest::newRow("no ebook-convert") << QByteArray() << QStringLiteral("was not found");
    QTest::newRow("a shell script")
        << QByteArray("#!/bin/sh\nexit 0\n") << QStringLiteral("is not calibre's Python script");
    QTest::newRow("a Python that is not there")
        << QByteArray("#!/nonexistent/python3\n") << QStringLiteral("could not be started");
    QTest::newRow("no interpreter line")
        << QByteArray("import sys\n") << QStringLiteral("is not calibre's Python script");
    QTest::newRow("Python without calibre") << QByteArray("#!/usr/bin/python3\nimport sys\n")
                                            << QStringLiteral("does not import calibre");
}

void ConverterServerTest::failsWithoutCalibresPython() {
    QFETCH(QByteArray, fake);
    QFETCH(QString, reason);
    QTemporaryDir bin;
    if (!fake.isEmpty()) {
        const QString path = bin.filePath(QStringLiteral("ebook-convert"));
        writeFile(path, fake);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner);
    }
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()));
    Served served(script_, temporary_);
    served.server.start(readyLimit);
    qputenv("PATH", savedPath);
    QVERIFY(served.failed.wait(conversionWaitMs));
    QVERIFY2(served.failed.first().at(0).toString().contains(reason),
             qPrintable(served.failed.first().at(0).toString()));
    QVERIFY(served.ready.isEmpty());
}

void ConverterServerTest::notReadyWithinTheLimitFails() {
    Served served(script_, temporary_);
    served.server.start(1ms);
    const qint64 server = served.server.processId();
    QVERIFY(served.failed.wait(conversionWaitMs));
    QVERIFY(served.failed.first().at(0).toString().contains(QLatin1String("not ready within")));
    QVERIFY(processGone(server));
    QTest::qWait(100);
    QVERIFY(served.ready.isEmpty() && served.lost.isEmpty());
}

void ConverterServerTest::sameBooksOutAsEbookConvert_data() {
    QTest::addColumn<QString>("name");
    const QStringList samples = QDir(builtProgramFolder() + QStringLiteral("/Samples"))
                                    .entryList({QStringLiteral("*.mobi")}, QDir::Files);
    QVERIFY(!samples.isEmpty());
    for (const QString& name : samples)
        QTest::newRow(qPrintable(name)) << name;
}

// The EPUB made through the server holds the same files as the one calibre's
// ebook-convert makes on its own, with the same text in every text file.
void ConverterServerTest::sameBooksOutAsEbookConvert() {
    QFETCH(QString, name);
    const QString folder = work_.filePath(QStringLiteral("same-") + name);
    QVERIFY(QDir().mkpath(folder + QStringLiteral("/tmp")));
    const QString alone = folder + QStringLiteral("/alone.epub");
    QProcess ebookConvert;
    ebookConvert.setProcessEnvironment([&] {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TMPDIR"), folder + QStringLiteral("/tmp"));
        return environment;
    }());
    ebookConvert.start(QStringLiteral("ebook-convert"), {sample(name), alone});
    QVERIFY(ebookConvert.waitForFinished(conversionWaitMs));
    QCOMPARE(ebookConvert.exitCode(), 0);

    const auto served = startedServer();
    const ServedBook throughServer = book(20, sample(name), QStringLiteral("served"));
    QVERIFY(served->server.convert(throughServer));
    QVERIFY(served->waitForEnded(1));
    QCOMPARE(served->ended.first().at(2).toInt(), 0);

    unpack(alone, folder + QStringLiteral("/alone"));
    unpack(throughServer.output, folder + QStringLiteral("/served"));
    const QStringList files = filesUnder(folder + QStringLiteral("/alone"));
    QVERIFY(!files.isEmpty());
    QCOMPARE(filesUnder(folder + QStringLiteral("/served")), files);
    for (const QString& file : files) {
        if (!isText(file))
            continue;
        const QByteArray aloneText = masked(readFile(folder + QStringLiteral("/alone/") + file));
        const QByteArray servedText = masked(readFile(folder + QStringLiteral("/served/") + file));
        QVERIFY2(aloneText == servedText, qPrintable(file));
    }
}

QTEST_GUILESS_MAIN(ConverterServerTest)
#include "tst_converterserver.moc"
