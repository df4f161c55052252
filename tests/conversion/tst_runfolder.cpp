#include "runfolder.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace quillbrook;
using test::writeFile;

namespace {

// True when a run holds the lock of the folder's lock file.
bool lockIsHeld(const QString& folder) {
    const int lock =
        open(QFile::encodeName(folder + QStringLiteral("/run.lock")).constData(), O_RDONLY);
    if (lock < 0)
        return false;
    const bool held = flock(lock, LOCK_EX | LOCK_NB) != 0;
    close(lock);
    return held;
}

} // namespace

// Each run's folder is locked for the run's whole life, and a new run removes
// exactly the run folders that runs killed outright left behind.
class RunFolderTest : public QObject {
    Q_OBJECT

private:
    QByteArray savedTemp_;
    std::unique_ptr<QTemporaryDir> temp_;
    std::unique_ptr<QTemporaryDir> outside_;

    QString inTemp(const QString& name) const { return temp_->filePath(name); }
    // A folder as a run leaves it: the lock file, working files, calibre's
    // scratch folder, and a link to a file outside it.
    void makeRunFolder(const QString& folder) {
        QVERIFY(QDir().mkpath(folder + QStringLiteral("/tmp/calibre_x")));
        writeFile(folder + QStringLiteral("/run.lock"), {});
        writeFile(folder + QStringLiteral("/debug-1.txt"), "log");
        writeFile(folder + QStringLiteral("/tmp/calibre_x/part"), "scratch");
        QVERIFY(QFile::link(outside_->filePath(QStringLiteral("victim")),
                            folder + QStringLiteral("/tmp/link")));
    }

private slots:
    void init();
    void cleanup();
    void aRunHoldsItsFolderLockedUntilItGoes();
    void leftOverFoldersGoAndNothingElse_data();
    void leftOverFoldersGoAndNothingElse();
    void aLiveRunsFolderStays();
};

void RunFolderTest::init() {
    savedTemp_ = qgetenv("TEMP");
    temp_ = std::make_unique<QTemporaryDir>();
    outside_ = std::make_unique<QTemporaryDir>();
    writeFile(outside_->filePath(QStringLiteral("victim")), "precious");
    qputenv("TEMP", QFile::encodeName(temp_->path()));
}

void RunFolderTest::cleanup() {
    QFile victim(outside_->filePath(QStringLiteral("victim")));
    QVERIFY(victim.open(QIODevice::ReadOnly));
    QCOMPARE(victim.readAll(), QByteArray("precious"));
    if (savedTemp_.isNull())
        qunsetenv("TEMP");
    else
        qputenv("TEMP", savedTemp_);
}

void RunFolderTest::aRunHoldsItsFolderLockedUntilItGoes() {
    auto first = std::make_unique<RunFolder>();
    const QString firstPath = first->path();
    QVERIFY(lockIsHeld(firstPath));

    const RunFolder second;

    QVERIFY(QFileInfo(firstPath).isDir());
    QVERIFY(lockIsHeld(second.path()));
    first.reset();
    QVERIFY(!QFileInfo::exists(firstPath));
    QCOMPARE(QDir(temp_->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{QFileInfo(second.path()).fileName()});
}

void RunFolderTest::leftOverFoldersGoAndNothingElse_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("shape");
    QTest::addColumn<bool>("removed");
    QTest::newRow("left over by a killed run") << "quillbrook-run-aB3xY9"
                                               << "run" << true;
    QTest::newRow("without a lock file") << "quillbrook-run-aB3xY9"
                                         << "no lock" << false;
    QTest::newRow("a link named like a run folder") << "quillbrook-run-aB3xY9"
                                                    << "link" << false;
    QTest::newRow("another user's") << "quillbrook-run-aB3xY9"
                                    << "other user" << false;
    QTest::newRow("five random letters") << "quillbrook-run-aB3xY"
                                         << "run" << false;
    QTest::newRow("seven random letters") << "quillbrook-run-aB3xY9z"
                                          << "run" << false;
    QTest::newRow("not a letter") << "quillbrook-run-aB3x_9"
                                  << "run" << false;
    QTest::newRow("another prefix") << "Quillbrook-run-aB3xY9"
                                    << "run" << false;
    QTest::newRow("a file") << "quillbrook-run-aB3xY9"
                            << "file" << false;
}

void RunFolderTest::leftOverFoldersGoAndNothingElse() {
    QFETCH(QString, name);
    QFETCH(QString, shape);
    QFETCH(bool, removed);
    const QString path = inTemp(name);
    const QString target = outside_->filePath(QStringLiteral("target"));
    if (shape == QLatin1String("link")) {
        makeRunFolder(target);
        QVERIFY(QFile::link(target, path));
    } else if (shape == QLatin1String("file")) {
        writeFile(path, "a file");
    } else {
        makeRunFolder(path);
    }
    if (shape == QLatin1String("no lock"))
        QVERIFY(QFile::remove(path + QStringLiteral("/run.lock")));
    if (shape == QLatin1String("other user") &&
        chown(QFile::encodeName(path).constData(), 65534, 65534) != 0)
        QSKIP("only root can give a folder to another user");

    const RunFolder run;

    QCOMPARE(QFileInfo(path).exists() || QFileInfo(path).isSymLink(), !removed);
    if (shape == QLatin1String("link"))
        QVERIFY(QFileInfo::exists(target + QStringLiteral("/tmp/calibre_x/part")));
    if (!removed && shape != QLatin1String("file") && shape != QLatin1String("link"))
        QVERIFY(QFileInfo::exists(path + QStringLiteral("/tmp/calibre_x/part")));
    QVERIFY(QFileInfo(run.path()).isDir());
}

// The lock is held by a process of its own, as a run going on in another
// copy of the program holds it: one shell that locks the file and becomes a
// sleep still holding it.
void RunFolderTest::aLiveRunsFolderStays() {
    const QString path = inTemp(QStringLiteral("quillbrook-run-L1ve00"));
    makeRunFolder(path);
    QProcess holder;
    holder.start(QStringLiteral("/bin/sh"),
                 {QStringLiteral("-c"),
                  QStringLiteral("exec 9<\"$0\" && flock 9 && echo locked && exec sleep 60"),
                  path + QStringLiteral("/run.lock")});
    QVERIFY(holder.waitForReadyRead(10000));

    const RunFolder run;

    QVERIFY(QFileInfo::exists(path + QStringLiteral("/tmp/calibre_x/part")));
    holder.kill();
    holder.waitForFinished();
}

QTEST_MAIN(RunFolderTest)
#include "tst_runfolder.moc"
