#include "keptlogs.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace quillbrook;
using test::readFile;
using test::writeFile;

namespace {

const QDateTime runStart(QDate(2024, 5, 1), QTime(14, 3, 22));

QStringList entriesOf(const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

void putBack(const char* name, const QByteArray& saved) {
    if (saved.isNull())
        qunsetenv(name);
    else
        qputenv(name, saved);
}

} // namespace

// The converter's logs of a run's failed books: where they go, their names,
// and how many runs' folders stay.
class KeptLogsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void folderFollowsTheStateFolder_data();
    void folderFollowsTheStateFolder();
    void nothingIsMadeUntilALogIsKept();
    void eachLogIsANewFileNamedAfterItsBook();
    void aLongBookNameStillMakesAFileName();
    void runsStartedInOneSecondGetFoldersOfTheirOwn();
    void onlyTheNewestRunsStay();

private:
    QString writeLog(const QByteArray& content);

    std::unique_ptr<QTemporaryDir> dir_;
    int logs_ = 0;
};

void KeptLogsTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

QString KeptLogsTest::writeLog(const QByteArray& content) {
    const QString path = dir_->filePath(QStringLiteral("debug-%1.txt").arg(++logs_));
    writeFile(path, content);
    return path;
}

void KeptLogsTest::folderFollowsTheStateFolder_data() {
    QTest::addColumn<QByteArray>("stateHome");
    QTest::addColumn<QString>("expected");
    const QString home = QDir::homePath();
    QTest::newRow("set") << QByteArray("/var/state") << "/var/state/quillbrook/logs";
    QTest::newRow("unset") << QByteArray() << home + "/.local/state/quillbrook/logs";
    QTest::newRow("empty") << QByteArray("") << home + "/.local/state/quillbrook/logs";
    // A relative path is not a state folder; taking it would write into the current folder.
    QTest::newRow("relative") << QByteArray("state") << home + "/.local/state/quillbrook/logs";
}

void KeptLogsTest::folderFollowsTheStateFolder() {
    QFETCH(QByteArray, stateHome);
    QFETCH(QString, expected);
    const QByteArray saved = qgetenv("XDG_STATE_HOME");
    putBack("XDG_STATE_HOME", stateHome);
    const QString folder = keptLogsFolder();
    putBack("XDG_STATE_HOME", saved);
    QCOMPARE(folder, expected);
}

void KeptLogsTest::nothingIsMadeUntilALogIsKept() {
    const QString parent = dir_->filePath(QStringLiteral("state/quillbrook/logs"));
    KeptLogs logs(parent, runStart);
    QVERIFY(!logs.keep(dir_->filePath(QStringLiteral("missing.txt")), QStringLiteral("a.mobi")));
    QVERIFY(!logs.keep(writeLog({}), QStringLiteral("silent.mobi")));
    QCOMPARE(logs.folder(), QString());
    QVERIFY(!QFileInfo::exists(dir_->filePath(QStringLiteral("state"))));
}

void KeptLogsTest::eachLogIsANewFileNamedAfterItsBook() {
    const QString parent = dir_->filePath(QStringLiteral("state/quillbrook/logs"));
    KeptLogs logs(parent, runStart);
    const QByteArray first = "first book\nstruct.error: unpack requires a buffer of 8 bytes\n";
    QVERIFY(logs.keep(writeLog(first), QStringLiteral("book.mobi")));
    QVERIFY(logs.keep(writeLog("other"), QStringLiteral("other.mobi")));
    // Books of one name from different folders.
    QVERIFY(logs.keep(writeLog("second"), QStringLiteral("book.mobi")));
    QVERIFY(logs.keep(writeLog("third"), QStringLiteral("book.mobi")));

    const QString folder = parent + QStringLiteral("/2024-05-01_14-03-22");
    QCOMPARE(logs.folder(), folder);
    QCOMPARE(entriesOf(folder), (QStringList{"book.mobi (2).log", "book.mobi (3).log",
                                             "book.mobi.log", "other.mobi.log"}));
    QCOMPARE(readFile(folder + "/book.mobi.log"), first);
    QCOMPARE(readFile(folder + "/book.mobi (2).log"), QByteArray("second"));
    QCOMPARE(readFile(folder + "/book.mobi (3).log"), QByteArray("third"));
    QCOMPARE(readFile(folder + "/other.mobi.log"), QByteArray("other"));
    // The logs name the user's books: only the user reads them.
    QCOMPARE(QFileInfo(folder).permissions(), QFile::ReadOwner | QFile::WriteOwner |
                                                  QFile::ExeOwner | QFile::ReadUser |
                                                  QFile::WriteUser | QFile::ExeUser);
    QCOMPARE(QFileInfo(folder + "/book.mobi.log").permissions(),
             QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
}

void KeptLogsTest::aLongBookNameStillMakesAFileName() {
    KeptLogs logs(dir_->path(), runStart);
    const QString name = QString(200, QChar(0x00e9)) + QStringLiteral(".mobi");
    QVERIFY(logs.keep(writeLog("one"), name));
    QVERIFY(logs.keep(writeLog("two"), name));
    const QStringList kept = entriesOf(logs.folder());
    QCOMPARE(kept.size(), 2);
    for (const QString& file : kept) {
        QVERIFY(QFile::encodeName(file).size() <= 255);
        QVERIFY(file.startsWith(QString(100, QChar(0x00e9))));
    }
}

void KeptLogsTest::runsStartedInOneSecondGetFoldersOfTheirOwn() {
    KeptLogs first(dir_->path(), runStart);
    KeptLogs second(dir_->path(), runStart);
    KeptLogs third(dir_->path(), runStart);
    QVERIFY(first.keep(writeLog("1"), QStringLiteral("a.mobi")));
    QVERIFY(second.keep(writeLog("2"), QStringLiteral("a.mobi")));
    QVERIFY(third.keep(writeLog("3"), QStringLiteral("a.mobi")));
    QCOMPARE(
        entriesOf(dir_->path()).filter(QStringLiteral("2024")),
        (QStringList{"2024-05-01_14-03-22", "2024-05-01_14-03-22-2", "2024-05-01_14-03-22-3"}));
    QCOMPARE(readFile(second.folder() + "/a.mobi.log"), QByteArray("2"));
}

void KeptLogsTest::onlyTheNewestRunsStay() {
    const QString parent = dir_->filePath(QStringLiteral("logs"));
    QVERIFY(QDir().mkpath(parent));
    // 25 earlier runs, three of them in one second, made in no particular order.
    QStringList earlier;
    for (int day = 1; day <= 23; ++day)
        earlier << QStringLiteral("2024-04-%1_09-00-00").arg(day, 2, 10, QLatin1Char('0'));
    earlier << QStringLiteral("2024-04-23_09-00-00-2") << QStringLiteral("2024-04-23_09-00-00-10");
    for (qsizetype i = earlier.size() - 1; i >= 0; --i) {
        QVERIFY(QDir(parent).mkdir(earlier[i]));
        writeFile(parent + "/" + earlier[i] + "/a.mobi.log", "old");
    }
    // What is not a run's folder stays, whatever its name.
    QVERIFY(QDir(parent).mkdir(QStringLiteral("notes")));
    writeFile(parent + "/2000-01-01_00-00-00.txt", "a file");
    const QString outside = dir_->filePath(QStringLiteral("outside"));
    QVERIFY(QDir().mkpath(outside));
    writeFile(outside + "/keep.txt", "not ours");
    QVERIFY(QFile::link(outside, parent + "/2000-01-01_00-00-00"));

    KeptLogs logs(parent, runStart);
    QVERIFY(logs.keep(writeLog("new"), QStringLiteral("a.mobi")));

    QStringList expected = earlier.mid(earlier.size() - (keptLogRuns - 1));
    expected << QStringLiteral("2024-05-01_14-03-22") << QStringLiteral("2000-01-01_00-00-00")
             << QStringLiteral("2000-01-01_00-00-00.txt") << QStringLiteral("notes");
    expected.sort();
    QCOMPARE(entriesOf(parent), expected);
    QVERIFY(expected.contains(QStringLiteral("2024-04-23_09-00-00-10")));
    QVERIFY(!expected.contains(QStringLiteral("2024-04-05_09-00-00")));
    QCOMPARE(readFile(outside + "/keep.txt"), QByteArray("not ours"));
}

QTEST_MAIN(KeptLogsTest)
#include "tst_keptlogs.moc"
