#include "apptitle.h"
#include "conversionfixture.h"
#include "mobicheck.h"
#include "paths.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>
#include <QXmlStreamReader>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/inotify.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>

using namespace quillbrook;

namespace {

QByteArray entryContent(zip_t* archive, zip_uint64_t index) {
    zip_stat_t status;
    if (zip_stat_index(archive, index, 0, &status) != 0)
        return {};
    zip_file_t* entry = zip_fopen_index(archive, index, 0);
    if (!entry)
        return {};
    QByteArray content(qsizetype(status.size), '\0');
    const zip_int64_t read = zip_fread(entry, content.data(), status.size);
    zip_fclose(entry);
    return read == zip_int64_t(status.size) ? content : QByteArray();
}

QString rootFileOf(const QByteArray& container) {
    QXmlStreamReader xml(container);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement &&
            xml.name() == QLatin1String("rootfile"))
            return xml.attributes().value(QLatin1String("full-path")).toString();
    }
    return {};
}

// What a reader needs to open an EPUB: a zip whose first entry is the stored
// "mimetype", and a container that names a package document that is there.
// Returns what is wrong, or nothing.
QString epubProblem(const QString& path, const QString& title) {
    int error = 0;
    zip_t* archive =
        zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!archive)
        return QStringLiteral("not a zip archive");
    const auto closeArchive = qScopeGuard([&] { zip_discard(archive); });
    zip_stat_t first;
    if (zip_stat_index(archive, 0, 0, &first) != 0 || qstrcmp(first.name, "mimetype") != 0)
        return QStringLiteral("the first entry is not mimetype");
    if (first.comp_method != ZIP_CM_STORE)
        return QStringLiteral("mimetype is compressed");
    if (entryContent(archive, 0) != "application/epub+zip")
        return QStringLiteral("wrong mimetype");
    const zip_int64_t container = zip_name_locate(archive, "META-INF/container.xml", 0);
    if (container < 0)
        return QStringLiteral("no container");
    const QString packagePath = rootFileOf(entryContent(archive, zip_uint64_t(container)));
    const zip_int64_t package = zip_name_locate(archive, packagePath.toUtf8().constData(), 0);
    if (package < 0)
        return QStringLiteral("the container names no package document that is there");
    if (!entryContent(archive, zip_uint64_t(package)).contains(title.toUtf8()))
        return QStringLiteral("the package document does not carry the title");
    return {};
}

void makeMobi(const QString& folder, const QString& name, const QString& title, bool withCover) {
    const QString html = folder + QLatin1Char('/') + name + QStringLiteral(".html");
    QFile page(html);
    QVERIFY(page.open(QIODevice::WriteOnly));
    page.write(QStringLiteral("<html><head><title>%1</title></head><body><h1>%1</h1>"
                              "<p>It was a quiet morning in the harbour.</p></body></html>")
                   .arg(title)
                   .toUtf8());
    page.close();
    QStringList arguments{html, folder + QLatin1Char('/') + name + QStringLiteral(".mobi")};
    if (withCover) {
        QImage cover(300, 400, QImage::Format_RGB32);
        cover.fill(Qt::darkBlue);
        QPainter(&cover).fillRect(40, 60, 220, 80, Qt::yellow);
        const QString coverFile = folder + QStringLiteral("/cover.png");
        QVERIFY(cover.save(coverFile));
        arguments << QStringLiteral("--cover") << coverFile;
    }
    QProcess maker;
    maker.start(QStringLiteral("ebook-convert"), arguments);
    QVERIFY(maker.waitForFinished(120000));
    QCOMPARE(maker.exitCode(), 0);
    QFile::remove(html);
}

// The real calibre's ebook-convert first on PATH under another folder, with
// two lines added before it imports calibre that record each time it runs as
// a program of its own, as the per-book launcher runs it. The warm
// converter's server runs those lines too, once, under its own name, and
// they record nothing then. PATH is put back by the conversion fixture.
class RecordingCalibre {
public:
    RecordingCalibre() {
        QFile real(QStandardPaths::findExecutable(QStringLiteral("ebook-convert")));
        QVERIFY(real.open(QIODevice::ReadOnly));
        const QByteArray firstLine = real.readLine();
        const QByteArray rest = real.readAll();
        test::writeFile(script(), firstLine + R"(import os as quillbrook_os, sys as quillbrook_sys
if quillbrook_os.path.basename(quillbrook_sys.argv[0]) == 'ebook-convert': open(quillbrook_os.environ['QUILLBROOK_LAUNCHER_CALLS'], 'a').write(quillbrook_sys.argv[1] + '\n')
)" + rest);
        QFile(script()).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("QUILLBROOK_LAUNCHER_CALLS", QFile::encodeName(callsFile()));
        qputenv("PATH", QFile::encodeName(folder_.path()) + ':' + qgetenv("PATH"));
    }

    // The inputs ebook-convert was run with as a program of its own.
    QStringList launcherCalls() const {
        const QString calls = QString::fromUtf8(test::readAll(callsFile()));
        return calls.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private:
    QString script() const { return folder_.path() + QStringLiteral("/ebook-convert"); }
    QString callsFile() const { return folder_.path() + QStringLiteral("/calls"); }

    QTemporaryDir folder_;
};

QList<QByteArray> procStatus(qint64 pid) {
    const QByteArray stat = test::readAll(QStringLiteral("/proc/%1/stat").arg(pid));
    const qsizetype afterName = stat.lastIndexOf(')');
    return afterName < 0 ? QList<QByteArray>() : stat.mid(afterName + 2).split(' ');
}

// The living children of a process.
QList<qint64> childrenOf(qint64 parent) {
    QList<qint64> children;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        const QList<QByteArray> status = procStatus(entry.toLongLong());
        if (status.size() > 2 && status[0] != "Z" && status[1].toLongLong() == parent)
            children << entry.toLongLong();
    }
    return children;
}

// The warm converter's server among the children of a process, or 0.
qint64 serverOf(qint64 parent) {
    for (const qint64 child : childrenOf(parent))
        if (test::readAll(QStringLiteral("/proc/%1/cmdline").arg(child))
                .contains("converter-server.py"))
            return child;
    return 0;
}

// Waits until the server has a child, that is, converts a book; its pid, or 0.
qint64 serverOnceConverting(qint64 parent) {
    qint64 server = 0;
    const bool converting = QTest::qWaitFor(
        [&] {
            server = serverOf(parent);
            return server != 0 && !childrenOf(server).isEmpty();
        },
        60000);
    return converting ? server : 0;
}

QStringList samplePaths() {
    const QDir samples(test::builtProgramFolder() + QStringLiteral("/Samples"));
    QStringList paths;
    for (const QString& name : samples.entryList({QStringLiteral("*.mobi")}, QDir::Files))
        paths << samples.filePath(name);
    return paths;
}
// Another user of a shared output folder, in a process of its own: whenever a
// hidden file appears in the folder (made or renamed there), it is swapped at
// once for a link to the victim file, again and again.
class LinkSwapper {
public:
    LinkSwapper(const QString& folder, const QString& victim)
        : swaps_(static_cast<int*>(mmap(nullptr, sizeof(int), PROT_READ | PROT_WRITE,
                                        MAP_SHARED | MAP_ANONYMOUS, -1, 0))) {
        const QByteArray folderName = QFile::encodeName(folder);
        const QByteArray victimName = QFile::encodeName(victim);
        pid_ = fork();
        if (pid_ == 0)
            swapForever(folderName.constData(), victimName.constData());
    }
    ~LinkSwapper() {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        munmap(swaps_, sizeof(int));
    }
    int swaps() const { return *swaps_; }

private:
    // Only system calls from here on: the child of a process with threads.
    [[noreturn]] void swapForever(const char* folder, const char* victim) {
        const int watch = inotify_init();
        const int directory = open(folder, O_RDONLY | O_DIRECTORY);
        if (watch < 0 || directory < 0 ||
            inotify_add_watch(watch, folder, IN_CREATE | IN_MOVED_TO) < 0)
            _exit(1);
        alignas(inotify_event) char events[64 * 1024];
        for (;;) {
            const ssize_t got = read(watch, events, sizeof events);
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(events + at);
                at += ssize_t(sizeof(inotify_event) + event->len);
                struct stat status {};
                if (event->len == 0 || strncmp(event->name, ".quillbrook-", 12) != 0 ||
                    fstatat(directory, event->name, &status, AT_SYMLINK_NOFOLLOW) != 0 ||
                    S_ISLNK(status.st_mode))
                    continue;
                unlinkat(directory, event->name, 0);
                if (symlinkat(victim, directory, event->name) == 0)
                    __atomic_add_fetch(swaps_, 1, __ATOMIC_RELAXED);
            }
        }
    }

    int* swaps_;
    pid_t pid_ = -1;
};

// Mounts a small file system of its own on the folder for as long as it lives.
class SmallDisk {
public:
    SmallDisk(const QString& folder, const QString& size) : folder_(folder) {
        QDir().mkpath(folder);
        QProcess mount;
        mount.start(QStringLiteral("mount"),
                    {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                     QStringLiteral("size=") + size, QStringLiteral("tmpfs"), folder});
        mounted_ = mount.waitForFinished(20000) && mount.exitStatus() == QProcess::NormalExit &&
                   mount.exitCode() == 0;
        problem_ = QString::fromLocal8Bit(mount.readAllStandardError()).trimmed();
    }
    ~SmallDisk() {
        if (mounted_)
            QProcess::execute(QStringLiteral("umount"), {folder_});
    }
    bool mounted() const { return mounted_; }
    const QString& problem() const { return problem_; }

private:
    QString folder_;
    bool mounted_ = false;
    QString problem_;
};

} // namespace

// The whole road with the real calibre: resource, unpacking, launcher, converter.
class CalibreConversionTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir books_;

private slots:
    void initTestCase();
    void convertsToValidEpubs_data();
    void convertsToValidEpubs();
    void samplesConvert();
    void calibresReasonIsShownForABrokenBook();
    void damagedBooksThatConvertAreNamed();
    void equalNamesGiveTwoValidEpubs();
    void fullDiskLeavesTheEarlierEpubIntact();
    void warmConverterConvertsTheSamples();
    void lostWarmConverterLeavesItsBooksToTheLauncher();
    void warmConverterEndsWithTheRun_data();
    void warmConverterEndsWithTheRun();
    void swappedHiddenFilesNeverReachAVictim_data();
    void swappedHiddenFilesNeverReachAVictim();
};

void CalibreConversionTest::initTestCase() {
    makeMobi(books_.path(), QStringLiteral("Harbour Tales"), QStringLiteral("Harbour Tales"),
             false);
    makeMobi(books_.path(), QStringLiteral("Covered"), QStringLiteral("A Covered Book"), true);
}

void CalibreConversionTest::convertsToValidEpubs_data() {
    QTest::addColumn<bool>("besideOriginal");
    QTest::newRow("into the chosen folder") << false;
    QTest::newRow("beside the original") << true;
}

void CalibreConversionTest::convertsToValidEpubs() {
    QFETCH(bool, besideOriginal);
    test::ConversionFixture fx;
    QString outputFolder = fx.files();
    if (besideOriginal) {
        fx.form().Option2->click();
        outputFolder = fx.files() + QStringLiteral("/in");
    }
    const QList<std::pair<QString, QString>> books{{"Harbour Tales", "Harbour Tales"},
                                                   {"Covered", "A Covered Book"}};
    for (const auto& [name, title] : books) {
        const QString input = fx.files() + QStringLiteral("/in/") + name + QStringLiteral(".mobi");
        QDir().mkpath(fx.files() + QStringLiteral("/in"));
        QVERIFY(
            QFile::copy(books_.path() + QLatin1Char('/') + name + QStringLiteral(".mobi"), input));
        fx.add({input});
    }

    fx.press();

    QCOMPARE(fx.dialogs().messages(), QStringList{test::doneAllConverted(int(books.size()))});
    QCOMPARE(fx.dialogs().errorReports(), QStringList());
    for (const auto& [name, title] : books)
        QCOMPARE(
            epubProblem(outputFolder + QLatin1Char('/') + name + QStringLiteral(".epub"), title),
            QString());
    QCOMPARE(fx.leftInTemporaryFolder(), QStringList());
}

void CalibreConversionTest::samplesConvert() {
    test::ConversionFixture fx;
    const QDir samples(test::builtProgramFolder() + QStringLiteral("/Samples"));
    const QStringList names = samples.entryList({QStringLiteral("*.mobi")}, QDir::Files);
    QVERIFY(!names.isEmpty());
    for (const QString& name : names)
        fx.add({samples.filePath(name)});

    fx.press();

    QCOMPARE(fx.dialogs().messages(), QStringList{test::doneAllConverted(int(names.size()))});
    for (const QString& name : names)
        QCOMPARE(epubProblem(fx.files() + QLatin1Char('/') + StripExtension(name) +
                                 QStringLiteral(".epub"),
                             QString()),
                 QString());
    QCOMPARE(fx.leftInTemporaryFolder(), QStringList());
}

void CalibreConversionTest::calibresReasonIsShownForABrokenBook() {
    test::ConversionFixture fx;
    const QString broken = fx.write(QStringLiteral("broken.mobi"), "not a book at all");
    fx.add({broken});

    fx.press();

    const QStringList messages = fx.dialogs().messages();
    QCOMPARE(messages.size(), 1);
    const QStringList lines = messages.constFirst().split(QStringLiteral("\r\n"));
    QCOMPARE(lines.value(1), QStringLiteral("0 of 1 files were converted."));
    // The plain sentence first, calibre's own line after it.
    const QString entry = lines.value(5);
    const QString start = broken + QStringLiteral(" Error: the file is not a complete MOBI book (");
    QVERIFY2(entry.startsWith(start) && entry.endsWith(QLatin1Char(')')), qPrintable(entry));
    const QString calibreLine = entry.mid(start.size()).chopped(1);
    // calibre's whole account of the failure is kept where the message says.
    const QString kept = fx.keptLogs();
    QCOMPARE(lines.constLast(),
             QStringLiteral("The converter's full messages about these files are in: ") + kept);
    const QString log = QString::fromUtf8(test::readAll(kept + QStringLiteral("/broken.mobi.log")));
    QVERIFY2(log.contains(QStringLiteral("Traceback")) && log.contains(calibreLine),
             qPrintable(log));
    QVERIFY(!QFile::exists(fx.files() + QStringLiteral("/broken.epub")));
    QCOMPARE(fx.leftInTemporaryFolder(), QStringList());
}

// calibre converts a book cut off half-way without complaint; the message
// names it, while a file it fails on is listed only among the failures.
void CalibreConversionTest::damagedBooksThatConvertAreNamed() {
    test::ConversionFixture fx;
    QFile sample(test::builtProgramFolder() + QStringLiteral("/Samples/The-Lamplighter.mobi"));
    QVERIFY(sample.open(QIODevice::ReadOnly));
    const QByteArray book = sample.readAll();
    const QString whole = fx.write(QStringLiteral("Whole.mobi"), book);
    const QString cut = fx.write(QStringLiteral("Cut Short.mobi"), book.left(book.size() / 2));
    const QString empty = fx.write(QStringLiteral("Empty.mobi"), QByteArray());
    fx.add({whole, cut, empty});

    fx.press();

    const QStringList messages = fx.dialogs().messages();
    QCOMPARE(messages.size(), 1);
    const QStringList lines = messages.constFirst().split(QStringLiteral("\r\n"));
    const qsizetype heading = lines.indexOf(damagedInputsHeading);
    QVERIFY2(heading > 0, qPrintable(messages.constFirst()));
    QCOMPARE(lines.size(), heading + 2);
    QVERIFY2(lines.constLast().startsWith(cut + QStringLiteral(" (The file ends at least ")),
             qPrintable(lines.constLast()));
    QCOMPARE(lines.filter(empty).size(), 1);
    QVERIFY(lines.filter(empty).constFirst().startsWith(empty + QStringLiteral(" Error: ")));
    QVERIFY(lines.filter(whole).isEmpty());
    QVERIFY(QFile::exists(fx.files() + QStringLiteral("/Cut Short.epub")));
    QCOMPARE(fx.leftInTemporaryFolder(), QStringList());
}

void CalibreConversionTest::equalNamesGiveTwoValidEpubs() {
    test::ConversionFixture fx;
    const QString first = fx.files() + QStringLiteral("/a/Harbour Tales.mobi");
    const QString second = fx.files() + QStringLiteral("/b/Harbour Tales.mobi");
    QDir().mkpath(fx.files() + QStringLiteral("/a"));
    QDir().mkpath(fx.files() + QStringLiteral("/b"));
    QVERIFY(QFile::copy(books_.path() + QStringLiteral("/Harbour Tales.mobi"), first));
    QVERIFY(QFile::copy(books_.path() + QStringLiteral("/Covered.mobi"), second));
    fx.add({first, second});

    fx.press();

    QCOMPARE(fx.dialogs().messages(),
             QStringList{QStringLiteral("Done.\r\n2 of 2 files were converted.\r\n\r\nThese files "
                                        "were saved under another name, "
                                        "because an earlier file of this run has the same "
                                        "name:\r\n") +
                         second + QStringLiteral(" -> Harbour Tales (2).epub")});
    QCOMPARE(epubProblem(fx.files() + QStringLiteral("/Harbour Tales.epub"),
                         QStringLiteral("Harbour Tales")),
             QString());
    QCOMPARE(epubProblem(fx.files() + QStringLiteral("/Harbour Tales (2).epub"),
                         QStringLiteral("A Covered Book")),
             QString());
    QCOMPARE(fx.leftInTemporaryFolder(), QStringList());
}

// A small tmpfs filled to the last block: calibre fails while writing.
void CalibreConversionTest::fullDiskLeavesTheEarlierEpubIntact() {
    test::ConversionFixture fx;
    const QString disk = fx.files() + QStringLiteral("/small disk");
    QDir().mkpath(disk);
    QProcess mount;
    mount.start(QStringLiteral("mount"),
                {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                 QStringLiteral("size=512k"), QStringLiteral("tmpfs"), disk});
    if (!mount.waitForFinished(20000) || mount.exitStatus() != QProcess::NormalExit ||
        mount.exitCode() != 0)
        QSKIP(qPrintable(QStringLiteral("a tmpfs cannot be mounted here, so no disk can be "
                                        "filled: ") +
                         QString::fromLocal8Bit(mount.readAllStandardError()).trimmed()));
    const auto unmount = qScopeGuard([&] { QProcess::execute(QStringLiteral("umount"), {disk}); });
    const QString output = disk + QStringLiteral("/Harbour Tales.epub");
    const QByteArray earlier(64 * 1024, 'e');
    test::writeFile(output, earlier);
    QFile filler(disk + QStringLiteral("/filler"));
    QVERIFY(filler.open(QIODevice::WriteOnly));
    const QByteArray block(4096, '\0');
    while (filler.write(block) == block.size() && filler.flush()) {
    }
    filler.close();
    fx.form().setText1(disk);
    const QString input = fx.files() + QStringLiteral("/Harbour Tales.mobi");
    QVERIFY(QFile::copy(books_.path() + QStringLiteral("/Harbour Tales.mobi"), input));
    fx.add({input});

    fx.press();

    const QStringList messages = fx.dialogs().messages();
    QCOMPARE(messages.size(), 1);
    const QString entry = messages.constFirst().section(QStringLiteral("\r\n"), 5, 5);
    QVERIFY2(entry.startsWith(input + QStringLiteral(" Error: ")), qPrintable(entry));
    QCOMPARE(test::readFile(output), earlier);
    QCOMPARE(QDir(disk).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                  QDir::Name | QDir::IgnoreCase),
             (QStringList{"filler", "Harbour Tales.epub"}));
    QCOMPARE(fx.leftInTemporaryFolder(), QStringList());
}

// Every book goes through the server's children once it is ready, and
// nothing of the server outlives the run.
void CalibreConversionTest::warmConverterConvertsTheSamples() {
    test::ConversionFixture fx;
    RecordingCalibre calibre;
    test::storeSetting(QStringLiteral("SimultaneousConversions"), QStringLiteral("2"));
    const QStringList books = samplePaths();
    QVERIFY(!books.isEmpty());
    fx.add(books);

    fx.form().PushButton2->click();
    const qint64 server = serverOnceConverting(getpid());
    QVERIFY(server != 0);
    fx.waitForTheRunToEnd();

    QCOMPARE(fx.dialogs().messages(), QStringList{test::doneAllConverted(int(books.size()))});
    QCOMPARE(calibre.launcherCalls(), QStringList());
    for (const QString& book : books)
        QCOMPARE(epubProblem(fx.files() + QLatin1Char('/') + StripExtension(FileNameOf(book)) +
                                 QStringLiteral(".epub"),
                             QString()),
                 QString());
    QVERIFY(test::processEnds(server));
    QCOMPARE(fx.leftInTemporaryFolder(), QStringList());
}

// The server dies while it converts: its books and the rest go through the
// launcher, and the final message is the usual one.
void CalibreConversionTest::lostWarmConverterLeavesItsBooksToTheLauncher() {
    test::ConversionFixture fx;
    RecordingCalibre calibre;
    test::storeSetting(QStringLiteral("SimultaneousConversions"), QStringLiteral("2"));
    QStringList books;
    for (const QString& sample : samplePaths())
        for (const QString& copy : {QStringLiteral("a"), QStringLiteral("b")}) {
            books << fx.files() + QLatin1Char('/') + copy + QLatin1Char('/') + FileNameOf(sample);
            QDir().mkpath(fx.files() + QLatin1Char('/') + copy);
            QVERIFY(QFile::copy(sample, books.constLast()));
        }
    fx.form().Option2->click();
    fx.add(books);

    fx.form().PushButton2->click();
    const qint64 server = serverOnceConverting(getpid());
    QVERIFY(server != 0);
    const QList<qint64> children = childrenOf(server);
    ::kill(pid_t(server), SIGKILL);
    fx.waitForTheRunToEnd();

    QCOMPARE(fx.dialogs().messages(), QStringList{test::doneAllConverted(int(books.size()))});
    QVERIFY(!calibre.launcherCalls().isEmpty());
    for (const QString& book : books)
        QCOMPARE(epubProblem(StripExtension(book) + QStringLiteral(".epub"), QString()), QString());
    for (const qint64 child : children)
        QVERIFY(test::processEnds(child));
    QCOMPARE(fx.leftInTemporaryFolder(), QStringList());
}

void CalibreConversionTest::warmConverterEndsWithTheRun_data() {
    QTest::addColumn<QString>("end");
    QTest::newRow("Stop") << QStringLiteral("Stop");
    QTest::newRow("window closed") << QStringLiteral("close");
    QTest::newRow("SIGTERM") << QStringLiteral("SIGTERM");
}

// Ended while its children convert, the server goes with every child, and
// the run's folder with it; no output appears.
void CalibreConversionTest::warmConverterEndsWithTheRun() {
    QFETCH(QString, end);
    test::ConversionFixture fx;
    test::storeSetting(QStringLiteral("SimultaneousConversions"), QStringLiteral("2"));
    const QStringList books = samplePaths();
    QProcess program;
    qint64 server = 0;
    if (end == QLatin1String("SIGTERM")) {
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(QStringLiteral(QUILLBROOK_CONVERSION_RUNNER), books);
        QVERIFY(program.waitForStarted(20000));
        server = serverOnceConverting(program.processId());
    } else {
        fx.add(books);
        fx.form().show();
        fx.form().PushButton2->click();
        server = serverOnceConverting(getpid());
    }
    QVERIFY(server != 0);
    const QList<qint64> children = childrenOf(server);

    if (end == QLatin1String("SIGTERM")) {
        ::kill(pid_t(program.processId()), SIGTERM);
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    } else {
        fx.dialogs().answerMessage(Dialogs::Answer::Yes);
        if (end == QLatin1String("Stop")) {
            fx.form().PushButton2->click();
            fx.waitForTheRunToEnd();
        } else {
            QVERIFY(fx.form().close());
            QCoreApplication::processEvents();
        }
    }

    QVERIFY(test::processEnds(server));
    for (const qint64 child : children)
        QVERIFY(test::processEnds(child));
    QCOMPARE(QDir(fx.files()).entryList({QStringLiteral("*.epub")}, QDir::Files | QDir::Hidden),
             QStringList());
    QCOMPARE(fx.leftInTemporaryFolder(), QStringList());
    fx.dialogs().forget();
}

void CalibreConversionTest::swappedHiddenFilesNeverReachAVictim_data() {
    QTest::addColumn<bool>("otherFileSystem");
    QTest::newRow("results renamed into the output folder") << false;
    QTest::newRow("results copied into another file system") << true;
}

// Every sample twice, into a folder where another user keeps turning each
// hidden file into a link to the victim's private file. The victim stays as
// it was; each book is either a valid EPUB of its own at its output path, or
// named in the message with the reason it was not saved.
void CalibreConversionTest::swappedHiddenFilesNeverReachAVictim() {
    QFETCH(bool, otherFileSystem);
    test::ConversionFixture fx;
    const QString shared = fx.files() + QStringLiteral("/shared");
    std::optional<SmallDisk> disk;
    if (otherFileSystem) {
        disk.emplace(shared, QStringLiteral("64m"));
        if (!disk->mounted())
            QSKIP(qPrintable(QStringLiteral("no file system can be mounted here: ") +
                             disk->problem()));
    }
    QDir().mkpath(shared);
    const QString victim = fx.write(QStringLiteral("private/victim.txt"), "the victim's own words");
    QFile::setPermissions(victim, QFile::ReadOwner | QFile::WriteOwner);
    fx.form().setText1(shared);
    const QDir samples(test::builtProgramFolder() + QStringLiteral("/Samples"));
    QStringList inputs;
    for (const QString& name : samples.entryList({QStringLiteral("*.mobi")}, QDir::Files)) {
        for (const QString& copy : {QStringLiteral("one/"), QStringLiteral("two/")}) {
            inputs << fx.files() + QLatin1Char('/') + copy + name;
            QDir().mkpath(FolderOf(inputs.constLast()));
            QVERIFY(QFile::copy(samples.filePath(name), inputs.constLast()));
        }
    }
    QVERIFY(!inputs.isEmpty());
    fx.add(inputs);

    const LinkSwapper swapper(shared, victim);
    fx.press();
    const int swaps = swapper.swaps();

    QCOMPARE(test::readFile(victim), QByteArray("the victim's own words"));
    struct stat victimStatus {};
    QCOMPARE(lstat(QFile::encodeName(victim).constData(), &victimStatus), 0);
    QCOMPARE(victimStatus.st_mode, mode_t(S_IFREG | 0600));
    const QStringList messages = fx.dialogs().messages();
    QCOMPARE(messages.size(), 1);
    int saved = 0;
    for (qsizetype i = 0; i < inputs.size(); ++i) {
        const QString name = StripExtension(FileNameOf(inputs[i])) +
                             (i % 2 ? QStringLiteral(" (2).epub") : QStringLiteral(".epub"));
        const QString output = shared + QLatin1Char('/') + name;
        const bool failed = messages.constFirst().contains(QStringLiteral("\r\n") + inputs[i] +
                                                           QStringLiteral(" Error: "));
        if (!failed) {
            QVERIFY2(!QFileInfo(output).isSymLink(), qPrintable(output));
            QCOMPARE(epubProblem(output, QString()), QString());
            ++saved;
        }
    }
    qInfo("%d swaps of hidden files for links; %d of %lld books saved, the rest named with a "
          "reason",
          swaps, saved, qlonglong(inputs.size()));
    QCOMPARE(fx.leftInTemporaryFolder(), QStringList());
}

QTEST_MAIN(CalibreConversionTest)
#include "tst_calibreconversion.moc"
