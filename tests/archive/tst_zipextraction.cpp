#include "cunzip.h"
#include "quillbrookversion.h"
#include "testarchive.h"
#include "testenvironment.h"
#include "testfiles.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <sys/stat.h>
#include <zip.h>
#include <zlib.h>

using namespace quillbrook;
using test::fileEntry;

namespace {
constexpr time_t entryTime = 1718000000;

// Every file and folder below a folder, hidden ones too, relative to it.
QStringList everythingBelow(const QString& folder) {
    QStringList found;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << QDir(folder).relativeFilePath(it.next());
    found.sort();
    return found;
}

mode_t permissionsOf(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}
} // namespace

class ZipExtractionTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void unsafeEntriesStayInsideTheExtractFolder_data();
    void unsafeEntriesStayInsideTheExtractFolder();
    void linksAreNeitherCreatedNorFollowed();
    void damagedArchivesFailCleanly_data();
    void damagedArchivesFailCleanly();
    void encryptedEntriesNeedTheRightPassword_data();
    void encryptedEntriesNeedTheRightPassword();
    void foldersAreRecreatedOrFlattened_data();
    void foldersAreRecreatedOrFlattened();
    void permissionBitsAreRestoredWithoutSpecialBits();
    void directoryListsTheEntries();
    void onlySelectedEntriesAreExtracted();
    void existingFilesAreReplacedOnlyWhenAllowed_data();
    void existingFilesAreReplacedOnlyWhenAllowed();
    void cancelStopsTheRun();
    void overflowingDeclaredSizesAreHandled_data();
    void overflowingDeclaredSizesAreHandled();
    void archivesLargerThanTheFreeSpaceAreRefused_data();
    void archivesLargerThanTheFreeSpaceAreRefused();
    void dataBeyondTheDeclaredSizeIsNotWritten();
    void testZipChecksWithoutWriting_data();
    void testZipChecksWithoutWriting();
    void lineEndsOfTextEntriesAreConverted();
    void versionNamesTheComponent();
    void componentIsFoundInTheCurrentFolder();

private:
    bool unzip(cUnzip& extractor);
    bool unzip(bool useFolderNames = true);
    void makeArchive(const QList<test::ArchiveEntry>& entries);
    void useFixture(const QString& name);

    std::unique_ptr<QTemporaryDir> temp_;
    QString archive_;
    QString extractFolder_;
    QString outside_;
    QStringList progress_;
};

void ZipExtractionTest::initTestCase() {
    umask(022);
    mUnzip::setComponentFolder(test::builtProgramFolder());
}

void ZipExtractionTest::init() {
    temp_ = std::make_unique<QTemporaryDir>();
    QVERIFY(temp_->isValid());
    archive_ = temp_->filePath(QStringLiteral("test.zip"));
    extractFolder_ = temp_->filePath(QStringLiteral("extract"));
    outside_ = temp_->filePath(QStringLiteral("outside"));
    QVERIFY(QDir().mkpath(outside_));
    progress_.clear();
}

bool ZipExtractionTest::unzip(cUnzip& extractor) {
    connect(&extractor, &cUnzip::Progress, this,
            [this](int, const QString& message) { progress_ << message; });
    extractor.setZipFile(archive_);
    extractor.setUnzipFolder(extractFolder_);
    return extractor.Unzip();
}

bool ZipExtractionTest::unzip(bool useFolderNames) {
    cUnzip extractor;
    extractor.setUseFolderNames(useFolderNames);
    return unzip(extractor);
}

void ZipExtractionTest::makeArchive(const QList<test::ArchiveEntry>& entries) {
    QVERIFY(test::writeArchive(archive_, entries));
}

// The archives in fixtures/ declare sizes that no zip library would write;
// archive/fuzz/make-fixtures.py makes them.
void ZipExtractionTest::useFixture(const QString& name) {
    QVERIFY(QFile::copy(QStringLiteral(FIXTURES_FOLDER "/") + name, archive_));
}

void ZipExtractionTest::unsafeEntriesStayInsideTheExtractFolder_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("useFolderNames");
    QTest::newRow("parent folder") << QByteArray("../outside/evil.txt") << true;
    QTest::newRow("climbing from a folder") << QByteArray("a/../../outside/evil.txt") << true;
    QTest::newRow("absolute") << QByteArray("<outside>/evil.txt") << true;
    QTest::newRow("parent folder, flat") << QByteArray("../outside/evil.txt") << false;
}

void ZipExtractionTest::unsafeEntriesStayInsideTheExtractFolder() {
    QFETCH(QByteArray, name);
    QFETCH(bool, useFolderNames);
    name.replace("<outside>", QFile::encodeName(outside_));
    makeArchive({fileEntry(name, "planted"), fileEntry("good.txt", "fine")});

    QVERIFY(unzip(useFolderNames));

    QCOMPARE(everythingBelow(outside_), QStringList());
    QCOMPARE(test::readFile(extractFolder_ + "/good.txt"), QByteArray("fine"));
    QVERIFY(
        progress_.join(QString()).contains(QStringLiteral("skipping: ") + QString::fromUtf8(name)));
}

void ZipExtractionTest::linksAreNeitherCreatedNorFollowed() {
    QVERIFY(QDir().mkpath(extractFolder_));
    QVERIFY(QFile::link(outside_, extractFolder_ + "/planted"));
    test::writeFile(outside_ + "/target.txt", "original");
    QVERIFY(QFile::link(outside_ + "/target.txt", extractFolder_ + "/victim.txt"));
    makeArchive({test::linkEntry("escape", "../outside"), fileEntry("escape/evil.txt", "x"),
                 fileEntry("planted/evil.txt", "x"), fileEntry("victim.txt", "replaced"),
                 fileEntry("good.txt", "fine")});

    cUnzip extractor;
    extractor.setUseFolderNames(true);
    extractor.setOverwriteExisting(true);
    QVERIFY(unzip(extractor));

    QCOMPARE(everythingBelow(outside_), QStringList{QStringLiteral("target.txt")});
    QCOMPARE(test::readFile(outside_ + "/target.txt"), QByteArray("original"));
    QVERIFY(!QFileInfo(extractFolder_ + "/escape").isSymLink());
    QCOMPARE(test::readFile(extractFolder_ + "/escape"), QByteArray("../outside"));
    QVERIFY(!QFileInfo(extractFolder_ + "/victim.txt").isSymLink());
    QCOMPARE(test::readFile(extractFolder_ + "/victim.txt"), QByteArray("replaced"));
    QCOMPARE(test::readFile(extractFolder_ + "/good.txt"), QByteArray("fine"));
}

void ZipExtractionTest::damagedArchivesFailCleanly_data() {
    QTest::addColumn<QString>("damage");
    QTest::addColumn<int>("method");
    QTest::newRow("truncated") << "truncate" << ZIP_CM_DEFLATE;
    QTest::newRow("flipped byte in stored data") << "flip" << ZIP_CM_STORE;
    QTest::newRow("flipped byte in deflated data") << "flip" << ZIP_CM_DEFLATE;
    QTest::newRow("not an archive") << "garbage" << ZIP_CM_DEFLATE;
    QTest::newRow("empty file") << "empty" << ZIP_CM_DEFLATE;
    QTest::newRow("missing file") << "remove" << ZIP_CM_DEFLATE;
}

void ZipExtractionTest::damagedArchivesFailCleanly() {
    QFETCH(QString, damage);
    QFETCH(int, method);
    test::ArchiveEntry entry = fileEntry("entry.txt", test::compressibleData(200000, 7));
    entry.method = method;
    makeArchive({entry});
    QByteArray bytes = test::readFile(archive_);
    if (damage == "truncate")
        bytes.truncate(bytes.size() / 2);
    else if (damage == "flip")
        bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x5a);
    else if (damage == "garbage")
        bytes = QByteArray(5000, 'z');
    else if (damage == "empty")
        bytes.clear();
    QFile::remove(archive_);
    if (damage != "remove")
        test::writeFile(archive_, bytes);

    QVERIFY(unzip());

    QCOMPARE(everythingBelow(extractFolder_), QStringList());
    QVERIFY(progress_.join(QString()).contains(QStringLiteral("error")));
}

void ZipExtractionTest::encryptedEntriesNeedTheRightPassword_data() {
    QTest::addColumn<int>("encryption");
    QTest::addColumn<bool>("answered");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("extracted");
    QTest::addColumn<int>("requests");
    for (const auto& [name, method] :
         {std::pair{"traditional", ZIP_EM_TRAD_PKWARE}, std::pair{"AES-256", ZIP_EM_AES_256}}) {
        const QByteArray prefix = QByteArray(name) + ", ";
        QTest::newRow(prefix + "right password") << method << true << "Ünïcode s3cret" << true << 1;
        QTest::newRow(prefix + "nobody answers") << method << false << "" << false << 0;
        QTest::newRow(prefix + "refused") << method << true << "" << false << 1;
        // A wrong password may pass the quick check now and then and fail
        // on the data instead, so it is asked for a varying number of times.
        QTest::newRow(prefix + "wrong password") << method << true << "guess" << false << -1;
    }
}

void ZipExtractionTest::encryptedEntriesNeedTheRightPassword() {
    QFETCH(int, encryption);
    QFETCH(bool, answered);
    QFETCH(QString, password);
    QFETCH(bool, extracted);
    QFETCH(int, requests);
    if (!zip_encryption_method_supported(static_cast<zip_uint16_t>(encryption), 1))
        QSKIP("this libzip cannot encrypt with that method");
    QList<test::ArchiveEntry> entries;
    for (const char* name : {"first.txt", "second.txt"}) {
        test::ArchiveEntry entry = fileEntry(name, test::compressibleData(5000, 3));
        entry.password = QStringLiteral("Ünïcode s3cret").toUtf8();
        entry.encryption = static_cast<uint16_t>(encryption);
        entries << entry;
    }
    makeArchive(entries);

    cUnzip extractor;
    extractor.setUseFolderNames(true);
    int asked = 0;
    if (answered) {
        connect(&extractor, &cUnzip::PasswordRequest, this, [&](QString& sPassword, bool&) {
            ++asked;
            sPassword = password;
        });
    }
    QCOMPARE(unzip(extractor), !extracted);

    if (requests >= 0)
        QCOMPARE(asked, requests);
    else
        QVERIFY(asked >= 1);
    const QStringList expected = extracted ? QStringList{"first.txt", "second.txt"} : QStringList();
    QCOMPARE(everythingBelow(extractFolder_), expected);
    if (extracted)
        QCOMPARE(test::readFile(extractFolder_ + "/second.txt"), test::compressibleData(5000, 3));
}

void ZipExtractionTest::foldersAreRecreatedOrFlattened_data() {
    QTest::addColumn<bool>("useFolderNames");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("with folders") << true
                                  << QStringList{"calibre",
                                                 "calibre/inner.zip",
                                                 "calibre/resources",
                                                 "calibre/resources/deep",
                                                 "calibre/resources/deep/x.txt",
                                                 "calibre/top.txt",
                                                 "empty",
                                                 "readme.txt"};
    QTest::newRow("flat") << false << QStringList{"inner.zip", "readme.txt", "top.txt", "x.txt"};
}

void ZipExtractionTest::foldersAreRecreatedOrFlattened() {
    QFETCH(bool, useFolderNames);
    QFETCH(QStringList, expected);
    const QString inner = temp_->filePath("inner.zip");
    QVERIFY(test::writeArchive(inner, {test::folderEntry("sub/"), fileEntry("sub/a.txt", "a")}));
    const QByteArray innerBytes = test::readFile(inner);
    makeArchive({test::folderEntry("calibre/"), test::folderEntry("calibre/resources/"),
                 fileEntry("calibre/resources/deep/x.txt", "deep"),
                 fileEntry("calibre/top.txt", "top"), fileEntry("calibre/inner.zip", innerBytes),
                 test::folderEntry("empty/"), fileEntry("readme.txt", "read me")});

    QVERIFY(!unzip(useFolderNames));

    QCOMPARE(everythingBelow(extractFolder_), expected);
    const QString deep = useFolderNames ? "/calibre/resources/deep/x.txt" : "/x.txt";
    QCOMPARE(test::readFile(extractFolder_ + deep), QByteArray("deep"));
    const QString nested = useFolderNames ? "/calibre/inner.zip" : "/inner.zip";
    QCOMPARE(test::readFile(extractFolder_ + nested), innerBytes);
}

void ZipExtractionTest::permissionBitsAreRestoredWithoutSpecialBits() {
    makeArchive({fileEntry("ebook-convert.exe", "#!/bin/sh\n", 0100755),
                 fileEntry("set-user-id", "x", 0104755), fileEntry("set-group-id", "x", 0102775),
                 fileEntry("sticky", "x", 0101777), fileEntry("read-only.txt", "x", 0100444)});

    QVERIFY(!unzip());

    QCOMPARE(permissionsOf(extractFolder_ + "/ebook-convert.exe"), mode_t(0755));
    QCOMPARE(permissionsOf(extractFolder_ + "/set-user-id"), mode_t(0755));
    QCOMPARE(permissionsOf(extractFolder_ + "/set-group-id"), mode_t(0755));
    QCOMPARE(permissionsOf(extractFolder_ + "/sticky"), mode_t(0755));
    QCOMPARE(permissionsOf(extractFolder_ + "/read-only.txt"), mode_t(0444));
}

void ZipExtractionTest::directoryListsTheEntries() {
    const QByteArray text = test::compressibleData(10000, 11);
    test::ArchiveEntry stored = fileEntry("top.bin", QByteArray(300, '\x01'));
    stored.method = ZIP_CM_STORE;
    test::ArchiveEntry secret = fileEntry("secret.txt", "hidden");
    secret.password = "pw";
    secret.encryption = ZIP_EM_TRAD_PKWARE;
    makeArchive(
        {test::folderEntry("docs/"), fileEntry("docs/guide/read me.txt", text), stored, secret});

    cUnzip extractor;
    extractor.setZipFile(archive_);
    extractor.Directory();

    QCOMPARE(extractor.FileCount(), 3);
    QCOMPARE(extractor.Filename(1), QStringLiteral("read me.txt"));
    QCOMPARE(extractor.FileDirectory(1), QStringLiteral("docs/guide"));
    QCOMPARE(extractor.FileSize(1), int(text.size()));
    QCOMPARE(extractor.FileCompressionMethod(1), QStringLiteral("Deflate"));
    QCOMPARE(extractor.FileCRC(1),
             int(crc32(0, reinterpret_cast<const Bytef*>(text.constData()), uInt(text.size()))));
    QVERIFY(extractor.FileCompressionRatio(1) > 0 && extractor.FileCompressionRatio(1) < 100);
    QVERIFY(extractor.FilePackedSize(1) < text.size() / 2);
    const QDateTime stamp = QDateTime::fromSecsSinceEpoch(entryTime);
    QCOMPARE(extractor.FileDate(1),
             QDateTime(stamp.date(), QTime(stamp.time().hour(), stamp.time().minute())));
    QVERIFY(!extractor.FileEncrypted(1));
    QCOMPARE(extractor.Filename(2), QStringLiteral("top.bin"));
    QCOMPARE(extractor.FileDirectory(2), QString());
    QCOMPARE(extractor.FileCompressionMethod(2), QStringLiteral("Stored"));
    QCOMPARE(extractor.FileCompressionRatio(2), 100);
    QVERIFY(extractor.FileEncrypted(3));
    QVERIFY(extractor.FileSelected(3));
    QCOMPARE(everythingBelow(temp_->path()), QStringList({"outside", "test.zip"}));
}

void ZipExtractionTest::onlySelectedEntriesAreExtracted() {
    makeArchive({fileEntry("a/b/c.txt", "c"), fileEntry("d.txt", "d"), fileEntry("e/f.txt", "f"),
                 fileEntry("E/F.TXT", "upper")});

    cUnzip extractor;
    extractor.setUseFolderNames(true);
    extractor.setCaseSensitiveFileNames(true);
    extractor.setZipFile(archive_);
    extractor.Directory();
    extractor.setFileSelected(2, false);
    extractor.setFileSelected(4, false);
    extractor.setUnzipFolder(extractFolder_);
    QVERIFY(!extractor.Unzip());

    QCOMPARE(everythingBelow(extractFolder_),
             QStringList({"a", "a/b", "a/b/c.txt", "e", "e/f.txt"}));
}

void ZipExtractionTest::existingFilesAreReplacedOnlyWhenAllowed_data() {
    QTest::addColumn<bool>("overwrite");
    QTest::addColumn<bool>("prompt");
    QTest::addColumn<bool>("onlyNewer");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("replaced");
    QTest::addColumn<bool>("asked");
    QTest::newRow("left alone by default") << false << false << false << -1 << false << false;
    QTest::newRow("overwritten when allowed") << true << false << false << -1 << true << false;
    QTest::newRow("prompt answered yes") << false << true << false << 102 << true << true;
    QTest::newRow("prompt answered no") << false << true << false << 100 << false << true;
    QTest::newRow("prompt unanswered") << false << true << false << -1 << false << false;
    QTest::newRow("only newer, file is newer") << true << false << true << -1 << false << false;
}

void ZipExtractionTest::existingFilesAreReplacedOnlyWhenAllowed() {
    QFETCH(bool, overwrite);
    QFETCH(bool, prompt);
    QFETCH(bool, onlyNewer);
    QFETCH(int, answer);
    QFETCH(bool, replaced);
    QFETCH(bool, asked);
    makeArchive({fileEntry("file.txt", "from the archive")});
    QVERIFY(QDir().mkpath(extractFolder_));
    const QString existing = extractFolder_ + "/file.txt";
    test::writeFile(existing, "already here");

    cUnzip extractor;
    extractor.setOverwriteExisting(overwrite);
    extractor.setPromptToOverwrite(prompt);
    extractor.setExtractOnlyNewer(onlyNewer);
    QStringList questions;
    if (answer >= 0) {
        connect(&extractor, &cUnzip::OverwritePrompt, this,
                [&](const QString& sFIle, int& eResponse) {
                    questions << sFIle;
                    eResponse = answer;
                });
    }
    unzip(extractor);

    QCOMPARE(test::readFile(existing), replaced ? QByteArray("from the archive") : "already here");
    QCOMPARE(questions, asked ? QStringList{existing} : QStringList());
}

void ZipExtractionTest::cancelStopsTheRun() {
    makeArchive(
        {fileEntry("one.txt", "1"), fileEntry("two/two.txt", "2"), fileEntry("three.txt", "3")});
    cUnzip extractor;
    extractor.setUseFolderNames(true);
    QStringList asked;
    connect(&extractor, &cUnzip::Cancel, this, [&](const QString& sMsg, bool& bCancel) {
        asked << sMsg;
        bCancel = sMsg == QStringLiteral("two/two.txt");
    });

    QVERIFY(unzip(extractor));

    QCOMPARE(asked, QStringList({"one.txt", "two/two.txt"}));
    QCOMPARE(everythingBelow(extractFolder_), QStringList{"one.txt"});
}

void ZipExtractionTest::overflowingDeclaredSizesAreHandled_data() {
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("ratio");
    QTest::addColumn<bool>("sound");
    // The data of the entries is "first" and "second"; only their packed
    // sizes lie in the last two, which reading the data does not notice.
    QTest::newRow("two sizes of 2^63 - 1") << "sizes-overflow.zip" << INT32_MAX << 0 << false;
    QTest::newRow("two packed sizes of 2^62") << "packed-overflow.zip" << 5 << 32767 << true;
    QTest::newRow("packed total times 100") << "ratio-overflow.zip" << 5 << 32767 << true;
}

// Each archive once overflowed a signed total in every mode.
void ZipExtractionTest::overflowingDeclaredSizesAreHandled() {
    QFETCH(QString, fixture);
    QFETCH(int, size);
    QFETCH(int, ratio);
    QFETCH(bool, sound);
    useFixture(fixture);

    cUnzip lister;
    lister.setZipFile(archive_);
    lister.Directory();
    QCOMPARE(lister.FileCount(), 2);
    QCOMPARE(lister.FileSize(1), size);
    QCOMPARE(lister.FileCompressionRatio(1), ratio);

    cUnzip tester;
    tester.setTestZip(true);
    QCOMPARE(unzip(tester), !sound);
    QCOMPARE(unzip(), !sound);
    QCOMPARE(everythingBelow(extractFolder_),
             sound ? QStringList({"first.txt", "second.txt"}) : QStringList());
}

void ZipExtractionTest::archivesLargerThanTheFreeSpaceAreRefused_data() {
    QTest::addColumn<QString>("declared");
    QTest::addColumn<bool>("refused");
    QTest::newRow("more than any filesystem holds") << "4 EiB" << true;
    QTest::newRow("twice the free space") << "twice" << true;
    QTest::newRow("half the free space") << "half" << false;
}

// The fixture declares 2^62 bytes for huge.bin, whose data is 1000 bytes, and
// 5 for small.txt; the test puts the size it needs in the place of 2^62.
void ZipExtractionTest::archivesLargerThanTheFreeSpaceAreRefused() {
    QFETCH(QString, declared);
    QFETCH(bool, refused);
    const auto sizeField = [](quint64 size) {
        const quint64 field = qToLittleEndian(size);
        return QByteArray(reinterpret_cast<const char*>(&field), sizeof field);
    };
    const quint64 fixtureSize = quint64(1) << 62;
    const quint64 free = QStorageInfo(temp_->path()).bytesAvailable();
    const quint64 size = declared == "twice"  ? 2 * free
                         : declared == "half" ? free / 2
                                              : fixtureSize;
    QByteArray bytes = test::readFile(QStringLiteral(FIXTURES_FOLDER "/larger-than-any-disk.zip"));
    QCOMPARE(bytes.count(sizeField(fixtureSize)), 2);
    test::writeFile(archive_, bytes.replace(sizeField(fixtureSize), sizeField(size)));

    QVERIFY(unzip());

    const QString progress = progress_.join(QString());
    if (refused) {
        QVERIFY(!QFileInfo::exists(extractFolder_));
        QVERIFY(progress.contains(
            QStringLiteral("the archive declares %1 bytes, only ").arg(size + 5)));
    } else {
        QCOMPARE(everythingBelow(extractFolder_), QStringList{"small.txt"});
        QVERIFY(progress.contains(QStringLiteral("huge.bin: only 1000 bytes of the %1").arg(size)));
    }
}

void ZipExtractionTest::dataBeyondTheDeclaredSizeIsNotWritten() {
    useFixture(QStringLiteral("longer-than-declared.zip"));

    QVERIFY(unzip());

    QCOMPARE(everythingBelow(extractFolder_), QStringList());
    QVERIFY(progress_.join(QString()).contains(QStringLiteral("bytes of the 100 it declares")));
}

void ZipExtractionTest::testZipChecksWithoutWriting_data() {
    QTest::addColumn<bool>("damaged");
    QTest::newRow("sound") << false;
    QTest::newRow("damaged") << true;
}

void ZipExtractionTest::testZipChecksWithoutWriting() {
    QFETCH(bool, damaged);
    test::ArchiveEntry entry = fileEntry("entry.txt", QByteArray(100000, 'q'));
    entry.method = ZIP_CM_STORE;
    makeArchive({entry});
    if (damaged) {
        QByteArray bytes = test::readFile(archive_);
        bytes[bytes.size() / 2] = 'x';
        test::writeFile(archive_, bytes);
    }
    cUnzip extractor;
    extractor.setTestZip(true);

    QCOMPARE(unzip(extractor), damaged);

    QVERIFY(!QFileInfo::exists(extractFolder_));
    QCOMPARE(progress_.join(QString()).contains(QStringLiteral("testing: entry.txt   OK")),
             !damaged);
}

void ZipExtractionTest::lineEndsOfTextEntriesAreConverted() {
    QByteArray longText = QByteArray("line\r\n").repeated(100000);
    makeArchive({fileEntry("text.txt", longText + "last\r"),
                 fileEntry("binary.bin", QByteArray("a\r\n\0b\r\n", 7))});
    cUnzip extractor;
    extractor.setConvertCRToCRLF(true);

    QVERIFY(!unzip(extractor));

    QCOMPARE(test::readFile(extractFolder_ + "/text.txt"),
             QByteArray("line\n").repeated(100000) + "last\r");
    QCOMPARE(test::readFile(extractFolder_ + "/binary.bin"), QByteArray("a\r\n\0b\r\n", 7));
}

void ZipExtractionTest::versionNamesTheComponent() {
    cUnzip extractor;
    int major = -1;
    int minor = -1;
    int revision = -1;
    const QDateTime given(QDate(1999, 1, 2), QTime(3, 4));
    QDateTime date = given;
    QString extra;
    extractor.GetVersion(major, minor, revision, date, extra);

    QCOMPARE(QString("%1.%2.%3").arg(major).arg(minor).arg(revision),
             QStringLiteral(QUILLBROOK_VERSION));
    QCOMPARE(extra, QStringLiteral("libzip    "));
    QCOMPARE(date, given);
}

void ZipExtractionTest::componentIsFoundInTheCurrentFolder() {
    makeArchive({fileEntry("ebook-convert.exe", "#!/bin/sh\n", 0100755)});
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(test::builtProgramFolder()));
    mUnzip::setComponentFolder(QString());

    const bool reported = unzip();

    QDir::setCurrent(before);
    mUnzip::setComponentFolder(test::builtProgramFolder());
    QVERIFY(!reported);
    QVERIFY(QFileInfo(extractFolder_ + "/ebook-convert.exe").isExecutable());
}

QTEST_GUILESS_MAIN(ZipExtractionTest)
#include "tst_zipextraction.moc"
