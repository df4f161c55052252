#include "attributes.h"
#include "failure.h"
#include "paths.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace quillbrook;
using test::failureNumberOf;
using test::readFile;
using test::writeFile;

namespace {

void makeReadOnly(const QString& path) {
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
}

} // namespace

class PathsTest : public QObject {
    Q_OBJECT

private slots:
    void pathFunctions_data();
    void pathFunctions();
    void positionsBeyond32767Overflow();
    void existenceTests();
    void attributes();
    void deleteFileQuietly();
    void forceDeleteFileReportsFailures();
    void deleteFolderTreeRemovesEverythingButLinkTargets();
    void deleteFolderTreeLeavesFilesAndLinksToFolders();
    void deleteFolderTreeOverflowsBeyond32767Entries();
    void writeTextFileReplacesContent();
    void writeTextFileFailures();
    void writeBytesIfAbsentLeavesExistingFiles();
    void listingsAreSortedAsUsersExpect();
};

void PathsTest::pathFunctions_data() {
    QTest::addColumn<QString>("function");
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("result");

    QTest::newRow("FileNameOf full") << "FileNameOf"
                                     << "/books/a.mobi"
                                     << "a.mobi";
    QTest::newRow("FileNameOf bare") << "FileNameOf"
                                     << "a.mobi"
                                     << "a.mobi";
    QTest::newRow("FileNameOf folder") << "FileNameOf"
                                       << "/books/"
                                       << "";
    QTest::newRow("FileNameOf backslash is a letter") << "FileNameOf"
                                                      << "/b/x\\y.mobi"
                                                      << "x\\y.mobi";
    QTest::newRow("FolderOf full") << "FolderOf"
                                   << "/books/a.mobi"
                                   << "/books/";
    QTest::newRow("FolderOf bare") << "FolderOf"
                                   << "a.mobi"
                                   << "";
    QTest::newRow("FolderOf root") << "FolderOf"
                                   << "/a.mobi"
                                   << "/";
    QTest::newRow("StripExtension two dots") << "StripExtension"
                                             << "a.b.mobi"
                                             << "a.b";
    QTest::newRow("StripExtension none") << "StripExtension"
                                         << "book"
                                         << "book";
    QTest::newRow("StripExtension leading dot") << "StripExtension"
                                                << ".mobi"
                                                << ".mobi";
    QTest::newRow("StripExtension empty") << "StripExtension"
                                          << ""
                                          << "";
    QTest::newRow("StripExtension trailing dot") << "StripExtension"
                                                 << "book."
                                                 << "book";
    QTest::newRow("CleanPath doubled") << "CleanPath"
                                       << "/books//a.epub"
                                       << "/books/a.epub";
    QTest::newRow("CleanPath leading pair") << "CleanPath"
                                            << "//server/share//a.epub"
                                            << "/server/share/a.epub";
    QTest::newRow("CleanPath leading run") << "CleanPath"
                                           << "////x/y"
                                           << "/x/y";
    QTest::newRow("CleanPath single leading") << "CleanPath"
                                              << "/x/y"
                                              << "/x/y";
    QTest::newRow("CleanPath run of three") << "CleanPath"
                                            << "books///a"
                                            << "books//a";
    QTest::newRow("CleanPath run of four") << "CleanPath"
                                           << "books////a"
                                           << "books//a";
    QTest::newRow("CleanPath relative") << "CleanPath"
                                        << "a//b"
                                        << "a/b";
    QTest::newRow("CleanPath empty") << "CleanPath"
                                     << ""
                                     << "";
    QTest::newRow("CleanPath root") << "CleanPath"
                                    << "/"
                                    << "/";
}

void PathsTest::pathFunctions() {
    QFETCH(QString, function);
    QFETCH(QString, argument);
    QFETCH(QString, result);
    const QHash<QString, QString (*)(const QString&)> functions{{"FileNameOf", FileNameOf},
                                                                {"FolderOf", FolderOf},
                                                                {"StripExtension", StripExtension},
                                                                {"CleanPath", CleanPath}};
    QCOMPARE(functions.value(function)(argument), result);
}

void PathsTest::positionsBeyond32767Overflow() {
    const QString atLimit = QString(32766, QLatin1Char('a')) + QStringLiteral("/b.c");
    QCOMPARE(FolderOf(atLimit).size(), 32767);
    const QString beyond = QLatin1Char('a') + atLimit;
    QCOMPARE(failureNumberOf([&] { FolderOf(beyond); }), int(Overflow));
    QCOMPARE(failureNumberOf([&] { StripExtension(beyond); }), int(Overflow));
    QCOMPARE(StripExtension(QString(32766, QLatin1Char('n')) + ".c").size(), 32766);
    QCOMPARE(FileNameOf(beyond), QStringLiteral("b.c"));
}

void PathsTest::existenceTests() {
    QTemporaryDir dir;
    const QString file = dir.filePath("a.mobi");
    writeFile(file, "x");
    QVERIFY(QFile::link(dir.filePath("gone"), dir.filePath("dangling")));

    QVERIFY(PathExists(file));
    QVERIFY(PathExists(dir.path()));
    QVERIFY(!PathExists(dir.filePath("missing")));
    QVERIFY(!PathExists(QString()));
    QVERIFY(!PathExists(dir.filePath("dangling")));
    QVERIFY(FolderExists(dir.path()));
    QVERIFY(FolderExists(dir.path() + "/"));
    QVERIFY(!FolderExists(file));
    QVERIFY(!FolderExists(QString()));
    QVERIFY(!FolderExists(dir.filePath("missing")));
}

void PathsTest::attributes() {
    QTemporaryDir dir;
    writeFile(dir.filePath("plain"), "x");
    writeFile(dir.filePath(".hidden"), "x");
    writeFile(dir.filePath("locked"), "x");
    makeReadOnly(dir.filePath("locked"));
    QVERIFY(QDir(dir.path()).mkdir("sub"));
    QVERIFY(QFile::link(dir.filePath("sub"), dir.filePath("alias")));

    QCOMPARE(GetAttr(dir.filePath("plain")), 32u);
    QCOMPARE(GetAttr(dir.filePath(".hidden")), 34u);
    QCOMPARE(GetAttr(dir.filePath("locked")), 33u);
    QCOMPARE(GetAttr(dir.filePath("sub")), 16u);
    QCOMPARE(GetAttr(dir.filePath("alias")), 1040u);
    QCOMPARE(failureNumberOf([&] { GetAttr(dir.filePath("missing")); }), int(FileNotFound));

    SetAttr(dir.filePath("locked"), 0);
    QCOMPARE(GetAttr(dir.filePath("locked")), 32u);
}

void PathsTest::deleteFileQuietly() {
    QTemporaryDir dir;
    const QString locked = dir.filePath("locked.mobi");
    writeFile(locked, "x");
    makeReadOnly(locked);
    DeleteFileQuietly(locked);
    QVERIFY(!QFile::exists(locked));

    DeleteFileQuietly(dir.filePath("missing"));
    DeleteFileQuietly(dir.path());
    QVERIFY(QDir(dir.path()).exists());
}

void PathsTest::forceDeleteFileReportsFailures() {
    QTemporaryDir dir;
    QCOMPARE(failureNumberOf([&] { ForceDeleteFile(dir.filePath("missing")); }), int(FileNotFound));
    const QString locked = dir.filePath("locked");
    writeFile(locked, "x");
    makeReadOnly(locked);
    ForceDeleteFile(locked);
    QVERIFY(!QFile::exists(locked));
}

void PathsTest::deleteFolderTreeRemovesEverythingButLinkTargets() {
    QTemporaryDir dir;
    const QString outside = dir.filePath("outside");
    const QString tree = dir.filePath("tree");
    QVERIFY(QDir().mkpath(outside + "/inner"));
    writeFile(outside + "/keep.txt", "keep");
    writeFile(outside + "/inner/keep2.txt", "keep");
    QVERIFY(QDir().mkpath(tree + "/a/b/c"));
    QVERIFY(QDir().mkpath(tree + "/.hiddenfolder"));
    writeFile(tree + "/plain.txt", "x");
    writeFile(tree + "/.hidden.txt", "x");
    writeFile(tree + "/a/readonly.txt", "x");
    makeReadOnly(tree + "/a/readonly.txt");
    writeFile(tree + "/a/b/c/deep.txt", "x");
    writeFile(tree + "/.hiddenfolder/.deep", "x");
    QVERIFY(QFile::link(outside, tree + "/a/link-to-outside"));
    QVERIFY(QFile::link(outside + "/keep.txt", tree + "/link-to-file"));
    QVERIFY(QFile::link(tree + "/missing", tree + "/dangling"));
    QVERIFY(QFile::setPermissions(tree + "/a/b", QFile::ReadOwner | QFile::ExeOwner));

    DeleteFolderTree(tree);

    QVERIFY(!QFileInfo::exists(tree));
    QVERIFY(!QFileInfo(tree).isSymLink());
    QCOMPARE(readFile(outside + "/keep.txt"), QByteArray("keep"));
    QCOMPARE(readFile(outside + "/inner/keep2.txt"), QByteArray("keep"));
}

void PathsTest::deleteFolderTreeLeavesFilesAndLinksToFolders() {
    QTemporaryDir dir;
    const QString file = dir.filePath("file");
    writeFile(file, "x");
    DeleteFolderTree(file);
    QVERIFY(QFile::exists(file));

    const QString target = dir.filePath("target");
    QVERIFY(QDir().mkpath(target));
    writeFile(target + "/keep", "k");
    QVERIFY(QFile::link(target, dir.filePath("alias")));
    DeleteFolderTree(dir.filePath("alias"));
    QVERIFY(!QFileInfo(dir.filePath("alias")).isSymLink());
    QCOMPARE(readFile(target + "/keep"), QByteArray("k"));

    DeleteFolderTree(dir.filePath("missing"));
}

void PathsTest::deleteFolderTreeOverflowsBeyond32767Entries() {
    QTemporaryDir dir;
    const QString tree = dir.filePath("many");
    QVERIFY(QDir().mkpath(tree));
    for (int i = 0; i < 32768; ++i)
        writeFile(tree + QStringLiteral("/%1").arg(i), QByteArray());
    QCOMPARE(failureNumberOf([&] { DeleteFolderTree(tree); }), int(Overflow));
    QVERIFY(QFile::exists(tree + "/0"));

    QFile::remove(tree + "/0");
    DeleteFolderTree(tree);
    QVERIFY(!QFileInfo::exists(tree));
}

void PathsTest::writeTextFileReplacesContent() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Convert.bat");
    writeFile(path, "a much longer earlier content\r\nwith two lines\r\n");
    WriteTextFile(QStringLiteral("'x' > 'Ünïcödé'"), path);
    QCOMPARE(readFile(path), QStringLiteral("'x' > 'Ünïcödé'\r\n").toUtf8());
}

void PathsTest::writeTextFileFailures() {
    QTemporaryDir dir;
    QCOMPARE(failureNumberOf([&] { WriteTextFile("x", dir.filePath("no/such/file")); }),
             int(PathNotFound));
    QCOMPARE(failureNumberOf([&] { WriteTextFile("x", dir.path()); }), int(PathFileAccessError));
    QCOMPARE(failureNumberOf([&] { WriteBytesIfAbsent("x", dir.filePath("no/file")); }),
             int(PathNotFound));
}

void PathsTest::writeBytesIfAbsentLeavesExistingFiles() {
    QTemporaryDir dir;
    const QString path = dir.filePath("calibre.zip");
    const QByteArray bytes("PK\x03\x04\0\xff", 6);
    WriteBytesIfAbsent(bytes, path);
    QCOMPARE(readFile(path), bytes);
    WriteBytesIfAbsent("other", path);
    QCOMPARE(readFile(path), bytes);
}

void PathsTest::listingsAreSortedAsUsersExpect() {
    QTemporaryDir dir;
    for (const char* name : {"b", "B", "a", "C", ".z", "A"})
        writeFile(dir.filePath(name), "x");
    QVERIFY(QDir(dir.path()).mkdir("Folder"));
    QCOMPARE(sortedFolderEntries(dir.path(), ListingKind::Everything),
             (QStringList{".z", "A", "a", "B", "b", "C", "Folder"}));
    QCOMPARE(sortedFolderEntries(dir.path(), ListingKind::FoldersOnly), QStringList{"Folder"});
    QCOMPARE(sortedFolderEntries(dir.path(), ListingKind::FilesOnly).size(), 6);
}

QTEST_MAIN(PathsTest)
#include "tst_paths.moc"
