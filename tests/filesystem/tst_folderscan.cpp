#include "failure.h"
#include "filetree.h"
#include "folderscan.h"
#include "handledoperation.h"
#include "scripteddialogs.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace quillbrook;

namespace {

QStringList namesOf(const NameArray& names) {
    return QStringList(names.begin(), names.end());
}

// A folder path below the root that is exactly the given length, ending with
// the separator, made of components short enough for the file system.
QString folderOfLength(const QString& root, qsizetype length) {
    QString path = root + QLatin1Char('/');
    while (path.size() < length) {
        const qsizetype room = length - path.size();
        const qsizetype component = room > 101 ? 100 : room - 1;
        path += QString(component, QLatin1Char('d')) + QLatin1Char('/');
    }
    return path;
}

} // namespace

class FolderScanTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void listsMatchingFiles_data();
    void listsMatchingFiles();
    void emptyListingHasUpperBoundZero();
    void growsPastTheFirstHundredNames();
    void testsForExistingFiles_data();
    void testsForExistingFiles();
    void findsUnusualCharacters_data();
    void findsUnusualCharacters();

    void scansLevelByLevel();
    void passesOverFoldersItCannotHandle();
    void limitsThePathLength_data();
    void limitsThePathLength();
    void removesFoldersThatRefuseAccess_data();
    void removesFoldersThatRefuseAccess();
    void reportsFailuresBeforeTheFirstFolderOpens();
    void goesRoundALinkLoopOnce();
    void entersEachFolderOnce_data();
    void entersEachFolderOnce();
    void entersEachFolderOfAFanOutOnce();
    void scansADeepChain();
    void stopsAtTheSystemsPathLimit();

private:
    QStringList scan(const QStringList& start);
    QStringList booksBelow(const QString& start);

    std::unique_ptr<QTemporaryDir> temp_;
    QString root_;
    test::ScriptedDialogs dialogs_;
    ProgramLifetime lifetime_;
};

void FolderScanTest::init() {
    temp_ = std::make_unique<QTemporaryDir>();
    QVERIFY(temp_->isValid());
    root_ = temp_->path();
    dialogs_.forget();
}

void FolderScanTest::cleanup() {
    QCOMPARE(dialogs_.unusedAnswers(), QString());
}

QStringList FolderScanTest::scan(const QStringList& start) {
    FolderSet set = start;
    GetSubDirectories2016(set, true, dialogs_, lifetime_);
    return set;
}

void FolderScanTest::listsMatchingFiles_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("extension, any letter case, hidden files and links to files")
        << "*.mobi" << QStringList{".hidden.mobi", "a.mobi", "B.MOBI", "linked.mobi"};
    QTest::newRow("every file, with or without a dot")
        << "*.*"
        << QStringList{".hidden.mobi", "a.mobi", "B.MOBI", "c.epub", "linked.mobi", "noext"};
    QTest::newRow("single-character wildcard") << "?.epub" << QStringList{"c.epub"};
    QTest::newRow("name.* matches the bare name") << "noext.*" << QStringList{"noext"};
    QTest::newRow("brackets are plain characters") << "[a].mobi" << QStringList{};
}

void FolderScanTest::listsMatchingFiles() {
    QFETCH(QString, pattern);
    QFETCH(QStringList, expected);
    test::makeTree(root_, {"a.mobi", "B.MOBI", "c.epub", ".hidden.mobi", "noext", "folder.mobi/"});
    test::makeLink(root_ + "/a.mobi", root_ + "/linked.mobi");
    test::makeLink(root_ + "/missing.mobi", root_ + "/dangling.mobi");

    QCOMPARE(namesOf(ListFiles(root_, pattern)), expected);
    QCOMPARE(namesOf(ListFiles(root_ + '/', pattern)), expected);
}

void FolderScanTest::emptyListingHasUpperBoundZero() {
    for (const QString& folder : {root_, root_ + "/missing"}) {
        const NameArray names = ListFiles(folder, "*.*");
        QCOMPARE(names.upperBound(), 0);
        QCOMPARE(names.lowerBound(), 0);
        QCOMPARE(names.at(0), QString());
        QVERIFY(names.begin() == names.end());
        QVERIFY_THROWS_EXCEPTION(Failure, names.at(1));
    }
}

void FolderScanTest::growsPastTheFirstHundredNames() {
    QStringList files;
    for (int i = 1; i <= 101; ++i)
        files << QStringLiteral("book%1.mobi").arg(i, 3, 10, QLatin1Char('0'));
    test::makeTree(root_, files);
    const NameArray names = ListFiles(root_, "*.mobi");
    QCOMPARE(names.lowerBound(), 1);
    QCOMPARE(names.upperBound(), 101);
    QCOMPARE(names.at(1), QStringLiteral("book001.mobi"));
    QCOMPARE(names.at(101), QStringLiteral("book101.mobi"));
    QVERIFY_THROWS_EXCEPTION(Failure, names.at(0));
    QVERIFY_THROWS_EXCEPTION(Failure, names.at(102));
}

void FolderScanTest::testsForExistingFiles_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("expected");
    QTest::newRow("readable file") << "file.mobi" << true;
    QTest::newRow("link to a file") << "link" << true;
    QTest::newRow("folder") << "folder" << false;
    QTest::newRow("missing path") << "missing" << false;
    QTest::newRow("dangling link") << "dangling" << false;
}

void FolderScanTest::testsForExistingFiles() {
    QFETCH(QString, entry);
    QFETCH(bool, expected);
    test::makeTree(root_, {"file.mobi", "folder/"});
    test::makeLink(root_ + "/file.mobi", root_ + "/link");
    test::makeLink(root_ + "/gone", root_ + "/dangling");
    QCOMPARE(IsExistingFile(root_ + '/' + entry), expected);
    QVERIFY(!IsExistingFile(QString()));
}

void FolderScanTest::findsUnusualCharacters_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("expected");
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("plain") << QByteArray("Books 2021 (old)") << false;
    QTest::newRow("accented Latin") << QStringLiteral("Café naïve ÿ").toUtf8() << false;
    QTest::newRow("typographic apostrophe and dash")
        << QStringLiteral("Author’s Books – Müller").toUtf8() << false;
    QTest::newRow("Cyrillic") << QStringLiteral("Книги").toUtf8() << false;
    QTest::newRow("CJK") << QStringLiteral("书架").toUtf8() << false;
    QTest::newRow("outside the basic plane") << QStringLiteral("a\U0001F4DA").toUtf8() << false;
    QTest::newRow("question mark") << QByteArray("what?") << false;
    QTest::newRow("control character") << QByteArray("tab\there") << false;
    QTest::newRow("Latin-1 byte") << QByteArray("caf\xe9") << true;
    QTest::newRow("cut-off sequence") << QByteArray("a\xd0") << true;
    QTest::newRow("over-long encoding of /") << QByteArray("a\xc0\xaf"
                                                           "b")
                                             << true;
    QTest::newRow("encoded surrogate") << QByteArray("a\xed\xa0\x80") << true;
}

void FolderScanTest::findsUnusualCharacters() {
    QFETCH(QByteArray, name);
    QFETCH(bool, expected);
    QCOMPARE(HasUnusualCharacters(name), expected);
}

void FolderScanTest::scansLevelByLevel() {
    test::makeTree(root_, {"F/y/y1/", "F/x/x1/", "F/x/a.mobi"});
    const QString f = root_ + "/F/";
    QCOMPARE(scan({f}), (QStringList{f, f + "x/", f + "y/", f + "x/x1/", f + "y/y1/"}));
    QVERIFY(dialogs_.shown().isEmpty());
}

void FolderScanTest::passesOverFoldersItCannotHandle() {
    test::makeTree(root_, {QStringLiteral("F/书架/inner/"), "F/.hidden/inner/", "F/what?/",
                           "F/plain/", QStringLiteral("F/Книги/"), "F/new\nline/"});
    const test::NativeNamedFolder notUtf8(root_ + "/F", "caf\xe9", "inner.mobi");
    QVERIFY(notUtf8.made());
    const QString f = root_ + "/F/";
    QCOMPARE(scan({f}), (QStringList{f, f + ".hidden/", f + "new\nline/", f + "plain/",
                                     f + QStringLiteral("Книги/"), f + QStringLiteral("书架/"),
                                     f + ".hidden/inner/", f + QStringLiteral("书架/inner/")}));
}

// The system's limit holds, not the 260 characters of old: a folder path the
// system can open is searched.
void FolderScanTest::limitsThePathLength_data() {
    QTest::addColumn<int>("length");
    QTest::newRow("259 characters") << 259;
    QTest::newRow("260 characters") << 260;
    QTest::newRow("1000 characters") << 1000;
    QTest::newRow("4000 characters") << 4000;
}

void FolderScanTest::limitsThePathLength() {
    QFETCH(int, length);
    const QString folder = folderOfLength(root_, length);
    QCOMPARE(folder.size(), length);
    QVERIFY(QDir().mkpath(folder + "s"));
    QCOMPARE(scan({folder}), (QStringList{folder, folder + "s/"}));
}

void FolderScanTest::removesFoldersThatRefuseAccess_data() {
    QTest::addColumn<QString>("refusing");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("start folder") << "F" << QStringList{"G/", "G/g/"};
    QTest::newRow("sub-folder") << "F/x" << QStringList{"F/", "G/", "F/y/", "G/g/", "F/y/y1/"};
}

void FolderScanTest::removesFoldersThatRefuseAccess() {
    QFETCH(QString, refusing);
    QFETCH(QStringList, expected);
    test::makeTree(root_, {"F/x/x1/", "F/y/y1/", "G/g/"});
    test::RefusedAccess refused(root_ + '/' + refusing);
    if (!refused.refused())
        QSKIP("this system does not let the test refuse itself access to a folder");
    const QStringList set = scan({root_ + "/F/", root_ + "/G/"});
    QStringList relative;
    for (const QString& folder : set)
        relative << folder.mid(root_.size() + 1);
    QCOMPARE(relative, expected);
    QVERIFY(dialogs_.shown().isEmpty());
}

void FolderScanTest::reportsFailuresBeforeTheFirstFolderOpens() {
    // The folder vanishes while the scan lets the window handle its events,
    // after it was found and before its attributes are read.
    test::makeTree(root_, {"F/x/"});
    const QString f = root_ + "/F/";
    QTimer::singleShot(0, this, [&] { QDir(f).removeRecursively(); });
    QCOMPARE(scan({f, f}), QStringList{f});
    const QStringList reports = dialogs_.errorReports();
    QCOMPARE(reports.size(), 1);
    QVERIFY2(reports.constFirst().contains(
                 "\r\nin Marrowgate2021/08/31.AddFolder.GetSubDirectories2016 at line 116\r\r"),
             qPrintable(reports.constFirst()));
}

void FolderScanTest::goesRoundALinkLoopOnce() {
    test::makeTree(root_, {"F/a/one.mobi", "F/b/two.mobi", "F/c/three.mobi"});
    const QString f = root_ + "/F/";
    test::makeLink(root_ + "/F", f + "a/back");
    test::makeLink(".", f + "b/self");
    test::makeLink("../..", f + "c/up");
    QStringList files;
    for (const QString& folder : scan({f}))
        for (const QString& name : ListFiles(folder, "*.mobi"))
            files << folder.mid(f.size()) + name;
    QCOMPARE(files, (QStringList{"a/one.mobi", "b/two.mobi", "c/three.mobi"}));
}

QStringList FolderScanTest::booksBelow(const QString& start) {
    QStringList books;
    for (const QString& folder : scan({start}))
        for (const QString& name : ListFiles(folder, "*.mobi"))
            books << folder.mid(start.size()) + name;
    return books;
}

void FolderScanTest::entersEachFolderOnce_data() {
    QTest::addColumn<QStringList>("tree");
    QTest::addColumn<QStringList>("links");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("a link to a folder beside it")
        << QStringList{"a/one.mobi", "b/two.mobi"} << QStringList{"a/tob -> ../b"}
        << QStringList{"a/one.mobi", "b/two.mobi"};
    QTest::newRow("a link reached before the folder it leads to")
        << QStringList{"x/y/one.mobi"} << QStringList{"a -> x/y"} << QStringList{"a/one.mobi"};
    QTest::newRow("two links to one folder")
        << QStringList{"shelf/one.mobi"} << QStringList{"p -> shelf", "q -> shelf"}
        << QStringList{"p/one.mobi"};
}

// A folder reached again through a link is passed over, wherever the link is.
void FolderScanTest::entersEachFolderOnce() {
    QFETCH(QStringList, tree);
    QFETCH(QStringList, links);
    QFETCH(QStringList, expected);
    const QString f = root_ + "/F/";
    test::makeTree(f, tree);
    for (const QString& link : links)
        test::makeLink(link.section(" -> ", 1), f + link.section(" -> ", 0, 0));
    QCOMPARE(booksBelow(f), expected);
    QVERIFY(dialogs_.shown().isEmpty());
}

// Fifteen folders each linking twice to the next once made 32,767 copies of
// the last one; each is entered once.
void FolderScanTest::entersEachFolderOfAFanOutOnce() {
    test::makeFanOutChain(root_, 15);
    QStringList books = booksBelow(root_ + '/');
    QCOMPARE(books.size(), 15);
    books.sort();
    QCOMPARE(books.constFirst(), QStringLiteral("L1/1.mobi"));
    QCOMPARE(books.removeDuplicates(), 0);
}

// Two thousand nested folders are scanned in order, with the links at the
// bottom that lead back up to the start, above it and to the root caught.
void FolderScanTest::scansADeepChain() {
    const QString bottom = test::makeDeepChain(root_, 2000, {"book.mobi"});
    QVERIFY(!bottom.isEmpty());
    const QString start = root_ + "/d/";
    test::makeLink(start, bottom + "/toStart");
    test::makeLink(start + "d/d/", bottom + "/toMiddle");
    test::makeLink(root_, bottom + "/aboveStart");
    test::makeLink("/", bottom + "/toRoot");
    const QStringList set = scan({start});
    QCOMPARE(set.size(), 2000);
    for (qsizetype level = 0; level < set.size(); ++level)
        QCOMPARE(set.at(level).size(), start.size() + 2 * level);
    QCOMPARE(set.constLast(), bottom + '/');
    QCOMPARE(namesOf(ListFiles(set.constLast(), "*.mobi")), QStringList{"book.mobi"});
    QVERIFY(dialogs_.shown().isEmpty());
    test::removeDeepChain(root_);
}

// A sub-folder whose path with the separator does not fit the system's limit
// is not taken, as the folder above it is.
void FolderScanTest::stopsAtTheSystemsPathLimit() {
    const QString folder = folderOfLength(root_, 4092);
    QVERIFY(QDir().mkpath(folder + "s/t"));
    QCOMPARE(QFile::encodeName(folder + "s/t/").size(), 4096);
    QCOMPARE(scan({folder}), (QStringList{folder, folder + "s/"}));
}

QTEST_GUILESS_MAIN(FolderScanTest)
#include "tst_folderscan.moc"
