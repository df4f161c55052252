#include "conversionfixture.h"
#include "inputlist.h"
#include "testenvironment.h"
#include "testfiles.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <fcntl.h>
#include <sys/stat.h>

using namespace quillbrook;

namespace {

const QString skippedOne =
    QStringLiteral("1 files were skipped, because their EPUB is newer than the book.");

// Sets a file's modification time to the given seconds after the epoch.
bool setModified(const QString& path, qint64 seconds) {
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    return utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

// Every file below the folder, as paths relative to it, sorted.
QStringList filesBelow(const QString& folder) {
    QStringList found;
    QDir dir(folder);
    for (const QFileInfo& entry :
         dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)) {
        if (entry.isDir()) {
            for (const QString& below : filesBelow(entry.filePath()))
                found.append(entry.fileName() + QLatin1Char('/') + below);
        } else {
            found.append(entry.fileName());
        }
    }
    found.sort();
    return found;
}

} // namespace

// Whole libraries: the folder tree kept below the output folder, books
// already converted skipped, books added during a run converted.
class LibraryRunTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::ConversionFixture> fx_;
    QString output_;

    // Adds every file of the folder's tree as "Add All MOBI File(s) In Folder" does.
    void addFolder(const QString& folder) {
        fx_->dialogs().answerInput(QStringLiteral("mobi"));
        fx_->dialogs().answerPickFolder(folder);
        fx_->form().PushButton4->click();
    }
    QString book(const QString& relativePath) { return fx_->write(relativePath, "convert"); }

private slots:
    void init();
    void cleanup();

    void subfoldersAreKept_data();
    void subfoldersAreKept();
    void subfoldersAreKeptOnlyWhenSavingToTheFolder();
    void subfolderThatCannotBeMadeFailsOnlyItsBook_data();
    void subfolderThatCannotBeMadeFailsOnlyItsBook();
    void skipRule_data();
    void skipRule();
    void stoppedRunIsResumedByRunningItAgain();
    void booksAddedDuringARunAreConverted();
};

void LibraryRunTest::init() {
    fx_ = std::make_unique<test::ConversionFixture>();
    fx_->useFakeCalibre();
    test::storeSetting(QStringLiteral("SimultaneousConversions"), QStringLiteral("1"));
    output_ = fx_->files() + QStringLiteral("/out/");
    QVERIFY(QDir().mkpath(output_));
    fx_->form().setText1(output_);
    fx_->form().KeepSubfolders->setChecked(true);
}

void LibraryRunTest::cleanup() {
    const auto fx = std::move(fx_);
    QCOMPARE(fx->dialogs().unusedAnswers(), QString());
    QCOMPARE(fx->dialogs().errorReports(), QStringList());
    QCOMPARE(fx->leftInTemporaryFolder(), QStringList());
}

void LibraryRunTest::subfoldersAreKept_data() {
    QTest::addColumn<QStringList>("folders");     // added as folders, below the test's folder
    QTest::addColumn<QStringList>("books");       // written below the test's folder
    QTest::addColumn<QStringList>("singleBooks"); // added on their own
    QTest::addColumn<QStringList>("expected");    // below the output folder

    QTest::newRow("nested and top level")
        << QStringList{"Books"}
        << QStringList{"Books/Austen/Emma.mobi", "Books/Austen/Early/Juvenilia.mobi",
                       "Books/Top.mobi"}
        << QStringList{}
        << QStringList{"Austen/Early/Juvenilia.epub", "Austen/Emma.epub", "Top.epub"};
    QTest::newRow("single files go to the output folder itself")
        << QStringList{"Books"} << QStringList{"Books/Austen/Emma.mobi", "Loose/Alone.mobi"}
        << QStringList{"Loose/Alone.mobi"} << QStringList{"Alone.epub", "Austen/Emma.epub"};
    QTest::newRow("two folders with equal relative paths meet the (2) rule")
        << QStringList{"One", "Two"}
        << QStringList{"One/Austen/Emma.mobi", "Two/Austen/Emma.mobi", "Two/Other/Emma.mobi"}
        << QStringList{}
        << QStringList{"Austen/Emma (2).epub", "Austen/Emma.epub", "Other/Emma.epub"};
}

void LibraryRunTest::subfoldersAreKept() {
    QFETCH(QStringList, folders);
    QFETCH(QStringList, books);
    QFETCH(QStringList, singleBooks);
    QFETCH(QStringList, expected);
    for (const QString& each : books)
        book(each);
    for (const QString& folder : folders)
        addFolder(fx_->files() + QLatin1Char('/') + folder);
    for (const QString& single : singleBooks)
        fx_->add({fx_->files() + QLatin1Char('/') + single});

    fx_->press();

    QCOMPARE(filesBelow(output_), expected);
    QVERIFY(fx_->dialogs().messages().constFirst().startsWith(QStringLiteral("Done.")));
    QVERIFY(!fx_->dialogs().messages().constFirst().contains(QStringLiteral("These files:")));
}

void LibraryRunTest::subfoldersAreKeptOnlyWhenSavingToTheFolder() {
    const QString emma = book(QStringLiteral("Books/Austen/Emma.mobi"));
    addFolder(fx_->files() + QStringLiteral("/Books"));
    fx_->form().Option2->click();
    QVERIFY(!fx_->form().KeepSubfolders->isEnabled());

    fx_->press();

    QVERIFY(QFile::exists(fx_->files() + QStringLiteral("/Books/Austen/Emma.epub")));
    QCOMPARE(filesBelow(output_), QStringList());
    QVERIFY(QFile::exists(emma));
}

void LibraryRunTest::subfolderThatCannotBeMadeFailsOnlyItsBook_data() {
    QTest::addColumn<QString>("inTheWay"); // "file", "link" or "unwritable"
    QTest::addColumn<QString>("failedFolder");
    QTest::addColumn<QString>("why");
    const QString noFolder = QStringLiteral("something that is no folder stands in its place");
    QTest::newRow("a file stands in its place") << "file"
                                                << "Austen/" << noFolder;
    QTest::newRow("a link stands in its place") << "link"
                                                << "Austen/" << noFolder;
    QTest::newRow("a folder above refuses it") << "unwritable"
                                               << "Austen/Early/"
                                               << "Permission denied";
}

void LibraryRunTest::subfolderThatCannotBeMadeFailsOnlyItsBook() {
    QFETCH(QString, inTheWay);
    QFETCH(QString, failedFolder);
    QFETCH(QString, why);
    if (inTheWay == "unwritable" && geteuid() == 0)
        QSKIP("the superuser writes into any folder");
    const QString emma = book(QStringLiteral("Books/Austen/Early/Emma.mobi"));
    book(QStringLiteral("Books/Top.mobi"));
    addFolder(fx_->files() + QStringLiteral("/Books"));
    const QString elsewhere = fx_->files() + QStringLiteral("/elsewhere");
    QVERIFY(QDir().mkpath(elsewhere));
    if (inTheWay == "file")
        test::writeFile(output_ + QStringLiteral("Austen"), "not a folder");
    else if (inTheWay == "link")
        QVERIFY(QFile::link(elsewhere, output_ + QStringLiteral("Austen")));
    else
        QVERIFY(
            QDir().mkdir(output_ + QStringLiteral("Austen"), QFile::ReadOwner | QFile::ExeOwner));

    fx_->press();
    QFile::setPermissions(output_ + QStringLiteral("Austen"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QCOMPARE(fx_->dialogs().messages(),
             QStringList{test::doneWithFailures(
                 QStringLiteral("\r\n%1 Error: the folder \"%2%3\" could not be made (%4).")
                     .arg(emma, output_, failedFolder, why),
                 1)});
    QVERIFY(QFile::exists(output_ + QStringLiteral("Top.epub")));
    QCOMPARE(filesBelow(elsewhere), QStringList());
}

void LibraryRunTest::skipRule_data() {
    QTest::addColumn<QString>("atOutput"); // "file", "none" or "folder"
    QTest::addColumn<int>("outputAge");    // seconds after the book's time
    QTest::addColumn<bool>("skipped");
    QTest::newRow("newer EPUB") << "file" << 60 << true;
    QTest::newRow("equal times") << "file" << 0 << false;
    QTest::newRow("older EPUB") << "file" << -60 << false;
    QTest::newRow("missing EPUB") << "none" << 0 << false;
    QTest::newRow("a folder in place of the EPUB") << "folder" << 60 << false;
}

void LibraryRunTest::skipRule() {
    QFETCH(QString, atOutput);
    QFETCH(int, outputAge);
    QFETCH(bool, skipped);
    const QString emma = book(QStringLiteral("Books/Austen/Emma.mobi"));
    addFolder(fx_->files() + QStringLiteral("/Books"));
    fx_->form().SkipConverted->setChecked(true);
    const QString epub = output_ + QStringLiteral("Austen/Emma.epub");
    QVERIFY(QDir().mkpath(output_ + QStringLiteral("Austen")));
    constexpr qint64 bookTime = 1'700'000'000;
    QVERIFY(setModified(emma, bookTime));
    if (atOutput == "file") {
        test::writeFile(epub, "converted earlier");
        QVERIFY(setModified(epub, bookTime + outputAge));
    } else if (atOutput == "folder") {
        QVERIFY(QDir().mkpath(epub));
        QVERIFY(setModified(epub, bookTime + outputAge));
    }

    fx_->press();

    QCOMPARE(fx_->fakeCalls().size(), skipped ? 0 : 1);
    const QString message = fx_->dialogs().messages().constFirst();
    if (skipped) {
        QCOMPARE(message, QStringLiteral("Done.\r\n0 of 1 files were converted.\r\n") + skippedOne);
        QCOMPARE(test::readAll(epub), QByteArray("converted earlier"));
    } else if (atOutput == "folder") {
        QVERIFY(message.startsWith(
            QStringLiteral("Done.\r\n0 of 1 files were converted.\r\n\r\nThese files:\r\n\r\n") +
            emma));
    } else {
        QCOMPARE(message, test::doneAllConverted(1));
        QCOMPARE(test::readAll(epub), QByteArray("convert"));
    }
    QCOMPARE(fx_->form().ProgressBar1->value(), 0);
}

// A stopped run leaves EPUB files only for the books it converted: run again
// with "Skip books already converted", it converts exactly the others.
void LibraryRunTest::stoppedRunIsResumedByRunningItAgain() {
    QStringList books;
    for (const char* name : {"a", "b", "c", "d"})
        books << fx_->write(QStringLiteral("Books/%1.mobi").arg(QLatin1String(name)),
                            name == QByteArray("b") ? "sleep 2" : "convert");
    addFolder(fx_->files() + QStringLiteral("/Books"));
    for (const QString& each : books)
        QVERIFY(setModified(each, 1'700'000'000));
    fx_->form().SkipConverted->setChecked(true);
    connect(
        fx_->form().ProgressBar1, &QProgressBar::valueChanged, &fx_->form(),
        [this](int value) {
            if (value == 25) {
                fx_->dialogs().answerMessage(Dialogs::Answer::Yes);
                fx_->form().PushButton2->click();
            }
        },
        Qt::QueuedConnection);

    fx_->press();
    QCOMPARE(filesBelow(output_), QStringList{"a.epub"});
    QVERIFY(fx_->dialogs().messages().constLast().contains(books[3] + " Error: not converted"));
    const qsizetype callsBefore = fx_->fakeCalls().size();
    fx_->form().ProgressBar1->disconnect(&fx_->form());
    fx_->dialogs().forget();
    test::writeFile(books[1], "convert");
    QVERIFY(setModified(books[1], 1'700'000'000));

    fx_->press();

    QCOMPARE(filesBelow(output_), (QStringList{"a.epub", "b.epub", "c.epub", "d.epub"}));
    QCOMPARE(fx_->fakeCalls().size(), callsBefore + 3);
    QCOMPARE(fx_->dialogs().messages(),
             QStringList{QStringLiteral("Done.\r\n3 of 4 files were converted.\r\n") + skippedOne});
}

void LibraryRunTest::booksAddedDuringARunAreConverted() {
    fx_->form().KeepSubfolders->setChecked(false);
    const QString added = book(QStringLiteral("added.mobi"));
    fx_->add({book(QStringLiteral("a.mobi")), book(QStringLiteral("b.mobi"))});
    QList<int> values;
    connect(
        fx_->form().ProgressBar1, &QProgressBar::valueChanged, &fx_->form(),
        [&](int value) {
            if (values.isEmpty())
                fx_->add({added, added});
            values << value;
        },
        Qt::QueuedConnection);

    fx_->press();

    QCOMPARE(values, (QList<int>{50, 75, 100, 0}));
    QCOMPARE(fx_->fakeCalls().size(), 4);
    QCOMPARE(filesBelow(output_),
             (QStringList{"a.epub", "added (2).epub", "added.epub", "b.epub"}));
    const QString message = fx_->dialogs().messages().constFirst();
    QVERIFY(message.startsWith(QStringLiteral("Done.")));
    QVERIFY2(message.contains(added + QStringLiteral(" -> added (2).epub")), qPrintable(message));
}

QTEST_MAIN(LibraryRunTest)
#include "tst_libraryrun.moc"
