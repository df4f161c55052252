#include "conversionfixture.h"
#include "failure.h"
#include "inputlist.h"
#include "temporaryfolder.h"

#include <QDir>
#include <QFile>
#include <QRadioButton>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace quillbrook;

// Where a conversion run keeps its working files when TEMP does not say.
class TemporaryFolderTest : public QObject {
    Q_OBJECT

private:
    QByteArray savedTemp_;
    QByteArray savedTmpdir_;
    std::unique_ptr<QTemporaryDir> systemTemp_;

    QString privateFolder() const {
        return systemTemp_->path() + QStringLiteral("/quillbrook-") + QString::number(geteuid());
    }

private slots:
    void init();
    void cleanup();
    void tempIsUsedUnchanged();
    void privateFolderIsMadeForTheUserAlone_data();
    void privateFolderIsMadeForTheUserAlone();
    void plantedFolderIsRefused_data();
    void plantedFolderIsRefused();
    void runLeavesThePrivateFolderEmpty();
    void runWritesNothingThroughAPlantedLink();
};

void TemporaryFolderTest::init() {
    savedTemp_ = qgetenv("TEMP");
    savedTmpdir_ = qgetenv("TMPDIR");
    systemTemp_ = std::make_unique<QTemporaryDir>();
    qputenv("TMPDIR", QFile::encodeName(systemTemp_->path()));
}

void TemporaryFolderTest::cleanup() {
    for (const auto& [name, saved] : {std::pair{"TEMP", savedTemp_}, {"TMPDIR", savedTmpdir_}}) {
        if (saved.isNull())
            qunsetenv(name);
        else
            qputenv(name, saved);
    }
    systemTemp_.reset();
}

void TemporaryFolderTest::tempIsUsedUnchanged() {
    qputenv("TEMP", "/some/where/");
    QCOMPARE(TemporaryFolder(), QStringLiteral("/some/where/"));
}

void TemporaryFolderTest::privateFolderIsMadeForTheUserAlone_data() {
    QTest::addColumn<bool>("tempSetEmpty");
    QTest::newRow("TEMP not set") << false;
    QTest::newRow("TEMP empty") << true;
}

void TemporaryFolderTest::privateFolderIsMadeForTheUserAlone() {
    QFETCH(bool, tempSetEmpty);
    if (tempSetEmpty)
        qputenv("TEMP", "");
    else
        qunsetenv("TEMP");

    QCOMPARE(TemporaryFolder(), privateFolder());
    QCOMPARE(TemporaryFolder(), privateFolder());

    struct stat status {};
    QCOMPARE(lstat(QFile::encodeName(privateFolder()).constData(), &status), 0);
    QVERIFY(S_ISDIR(status.st_mode));
    QCOMPARE(status.st_mode & 07777, mode_t(0700));
}

void TemporaryFolderTest::plantedFolderIsRefused_data() {
    QTest::addColumn<QString>("planted");
    QTest::newRow("link to a folder") << "link";
    QTest::newRow("another user's folder") << "foreign";
    QTest::newRow("folder others may write in") << "open";
    QTest::newRow("regular file") << "file";
}

void TemporaryFolderTest::plantedFolderIsRefused() {
    QFETCH(QString, planted);
    qunsetenv("TEMP");
    const QByteArray path = QFile::encodeName(privateFolder());
    const QString elsewhere = systemTemp_->path() + QStringLiteral("/elsewhere");
    QVERIFY(QDir().mkdir(elsewhere, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    if (planted == QLatin1String("link")) {
        QVERIFY(QFile::link(elsewhere, privateFolder()));
    } else if (planted == QLatin1String("file")) {
        QFile file(privateFolder());
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else {
        QCOMPARE(mkdir(path.constData(), 0700), 0);
        if (planted == QLatin1String("foreign") && geteuid() != 0)
            QSKIP("only root can give a folder to another user");
        if (planted == QLatin1String("foreign"))
            QCOMPARE(chown(path.constData(), 65534, 65534), 0);
        else
            QCOMPARE(chmod(path.constData(), 0777), 0);
    }

    try {
        TemporaryFolder();
        QFAIL("an unsafe temporary folder was used");
    } catch (const Failure& failure) {
        QCOMPARE(failure.number(), int(PermissionDenied));
        QVERIFY(failure.description().contains(privateFolder()));
    }
}

void TemporaryFolderTest::runLeavesThePrivateFolderEmpty() {
    test::ConversionFixture fx;
    fx.useFakeCalibre();
    qunsetenv("TEMP");
    fx.form().Option2->click();
    fx.add({fx.write(QStringLiteral("a.mobi"), "convert")});

    fx.press();

    QCOMPARE(fx.dialogs().messages(), QStringList{test::doneAllConverted(1)});
    QVERIFY(QFile::exists(fx.files() + QStringLiteral("/a.epub")));
    QCOMPARE(
        QDir(privateFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
        QStringList());
}

void TemporaryFolderTest::runWritesNothingThroughAPlantedLink() {
    test::ConversionFixture fx;
    fx.useFakeCalibre();
    qunsetenv("TEMP");
    const QString elsewhere = systemTemp_->path() + QStringLiteral("/elsewhere");
    QVERIFY(QDir().mkdir(elsewhere));
    QVERIFY(QFile::link(elsewhere, privateFolder()));
    fx.form().Option2->click();
    const QString input = fx.write(QStringLiteral("a.mobi"), "convert");
    fx.add({input});

    fx.press();

    QCOMPARE(QDir(elsewhere).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList());
    QVERIFY(fx.fakeCalls().isEmpty());
    QCOMPARE(fx.dialogs().errorReports(), QStringList());
    QCOMPARE(fx.dialogs().messages(),
             QStringList{QStringLiteral("The converter could not be prepared: The temporary "
                                        "folder %1 is not the user's own private folder")
                             .arg(privateFolder())});
}

QTEST_MAIN(TemporaryFolderTest)
#include "tst_temporaryfolder.moc"
