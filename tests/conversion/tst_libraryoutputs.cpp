#include "libraryoutputs.h"

#include <QTest>

using namespace quillbrook;

// Where "Keep sub-folders" puts a book, from its path and the folder it came with.
class LibraryOutputsTest : public QObject {
    Q_OBJECT

private slots:
    void keptSubfolder_data();
    void keptSubfolder();
};

void LibraryOutputsTest::keptSubfolder_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("baseFolder");
    QTest::addColumn<QString>("subfolder");
    QTest::newRow("one level") << "/home/a/Books/Austen/Emma.mobi"
                               << "/home/a/Books"
                               << "Austen/";
    QTest::newRow("nested") << "/home/a/Books/Austen/Early/Juvenilia.mobi"
                            << "/home/a/Books"
                            << "Austen/Early/";
    QTest::newRow("folder given with its separator") << "/home/a/Books/Austen/Emma.mobi"
                                                     << "/home/a/Books/"
                                                     << "Austen/";
    QTest::newRow("top level") << "/home/a/Books/Emma.mobi"
                               << "/home/a/Books"
                               << "";
    QTest::newRow("added on its own") << "/home/a/Books/Austen/Emma.mobi"
                                      << ""
                                      << "";
    QTest::newRow("the root folder") << "/Austen/Emma.mobi"
                                     << "/"
                                     << "Austen/";
    QTest::newRow("a folder whose name only begins the same") << "/home/a/Books2/Austen/Emma.mobi"
                                                              << "/home/a/Books"
                                                              << "";
}

void LibraryOutputsTest::keptSubfolder() {
    QFETCH(QString, input);
    QFETCH(QString, baseFolder);
    QFETCH(QString, subfolder);
    QCOMPARE(quillbrook::keptSubfolder(input, baseFolder), subfolder);
}

QTEST_MAIN(LibraryOutputsTest)
#include "tst_libraryoutputs.moc"
