#include "installedfiles.h"

#include <QTemporaryDir>
#include <QTest>

using namespace quillbrook;

namespace {

// The package scripts/package.sh made for this build, if any.
QString builtPackage() {
    const QDir folder(qEnvironmentVariable("QUILLBROOK_PACKAGE_DIR"));
    const QStringList packages = folder.entryList(
        {"quillbrook_" + test::programVersion() + "_*.deb"}, QDir::Files, QDir::Time);
    return packages.isEmpty() ? QString() : folder.filePath(packages.constFirst());
}

QString controlField(const QString& package, const QString& field) {
    return test::runToEnd("dpkg-deb", {"--field", package, field}).output.trimmed();
}

} // namespace

// The Debian package, unpacked into a root of its own: the installed layout
// under /usr, and what it depends on.
class DebianPackageTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void unpacksToTheInstalledLayoutUnderUsr();
    void dependsOnItsLibrariesAndCalibre();

private:
    QString package_;
};

void DebianPackageTest::initTestCase() {
    package_ = builtPackage();
    if (package_.isEmpty())
        QSKIP("No Debian package was built for this build: scripts/package.sh makes it.");
    qInfo("package: %s", qPrintable(package_));
}

void DebianPackageTest::unpacksToTheInstalledLayoutUnderUsr() {
    QTemporaryDir root;
    const test::Finished unpacked = test::runToEnd("dpkg-deb", {"-x", package_, root.path()});
    QVERIFY2(unpacked.exitStatus == 0, qPrintable(unpacked.error));
    QCOMPARE(QDir(root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{"usr"});
    QCOMPARE(test::layoutFaults(root.path() + "/usr"), QStringList());

    const test::Finished version =
        test::runToEnd(root.path() + "/usr/bin/quillbrook", {"--version"}, root.path());
    QCOMPARE(version.output, "Quillbrook " + test::programVersion() + "\n");
}

void DebianPackageTest::dependsOnItsLibrariesAndCalibre() {
    QCOMPARE(controlField(package_, "Package"), "quillbrook");
    QCOMPARE(controlField(package_, "Version"), test::programVersion());
    QVERIFY(QFileInfo(package_).fileName().endsWith("_" + controlField(package_, "Architecture") +
                                                    ".deb"));
    const QStringList depends = controlField(package_, "Depends").split(", ");
    const auto dependsOn = [&](const QString& name) {
        return std::any_of(depends.begin(), depends.end(), [&](const QString& entry) {
            return entry == name || entry.startsWith(name + ' ');
        });
    };
    for (const char* name : {"calibre", "libqt6widgets6", "libqt6gui6", "libqt6core6", "libzip4",
                             "libc6", "libstdc++6"})
        QVERIFY2(dependsOn(name), qPrintable(depends.join(", ")));
}

QTEST_MAIN(DebianPackageTest)
#include "tst_debianpackage.moc"
