#include "outputnames.h"
#include "testfiles.h"

#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

using namespace quillbrook;

namespace {

// The first of the output and its numbered variants that is not among the
// taken names: what a claim must hand out, found the slow, obvious way.
QString firstFreeAmong(const QSet<QString>& taken, const QString& folder, const QString& base,
                       const QString& extension) {
    QString free = folder + base + extension;
    for (int number = 2; taken.contains(free); ++number)
        free = folder + base + QStringLiteral(" (%1)").arg(number) + extension;
    return free;
}

} // namespace

// The numbering of equal output names, and outputs that would name an input.
class OutputNamesTest : public QObject {
    Q_OBJECT

private slots:
    void numbersEqualNames_data();
    void numbersEqualNames();
    void handsOutTheFirstFreeNameInAnyMix();
    void passesOverTheRunsInputs_data();
    void passesOverTheRunsInputs();
    void passesOverInputsAddedLater();
};

void OutputNamesTest::numbersEqualNames_data() {
    QTest::addColumn<QStringList>("claims");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("equal names from 2 on")
        << QStringList{"/out/book.epub", "/out/book.epub", "/out/book.epub"}
        << QStringList{"/out/book.epub", "/out/book (2).epub", "/out/book (3).epub"};
    QTest::newRow("a numbered name taken first is passed over")
        << QStringList{"/out/book (2).epub", "/out/book.epub", "/out/book.epub", "/out/book.epub"}
        << QStringList{"/out/book (2).epub", "/out/book.epub", "/out/book (3).epub",
                       "/out/book (4).epub"};
    QTest::newRow("a numbered name taken between equal names")
        << QStringList{"/out/book.epub", "/out/book.epub", "/out/book (3).epub", "/out/book.epub"}
        << QStringList{"/out/book.epub", "/out/book (2).epub", "/out/book (3).epub",
                       "/out/book (4).epub"};
    QTest::newRow("a numbered name already handed out gets numbers of its own")
        << QStringList{"/out/book.epub", "/out/book.epub", "/out/book (2).epub",
                       "/out/book (2).epub"}
        << QStringList{"/out/book.epub", "/out/book (2).epub", "/out/book (2) (2).epub",
                       "/out/book (2) (3).epub"};
    QTest::newRow("other folders, dots and no extension")
        << QStringList{"/out/book.epub", "/other/book.epub", "/out/a.b.epub", "/out/a.b.epub",
                       "/out/notes",     "/out/notes",       "/out/.epub",    "/out/.epub"}
        << QStringList{"/out/book.epub", "/other/book.epub", "/out/a.b.epub", "/out/a.b (2).epub",
                       "/out/notes",     "/out/notes (2)",   "/out/.epub",    "/out/.epub (2)"};
}

void OutputNamesTest::numbersEqualNames() {
    QFETCH(QStringList, claims);
    QFETCH(QStringList, expected);
    OutputNames names;
    QStringList claimed;
    for (const QString& output : claims)
        claimed << names.claim(output);
    QCOMPARE(claimed, expected);
}

// Thousands of claims of a few names and of their numbered variants, in a
// shuffled order: each claim is the first name no earlier claim took.
void OutputNamesTest::handsOutTheFirstFreeNameInAnyMix() {
    QRandomGenerator random(15);
    OutputNames names;
    QSet<QString> taken;
    for (int i = 0; i < 4000; ++i) {
        const QString base = QStringLiteral("book%1").arg(random.bounded(3));
        const int number = int(random.bounded(40));
        const QString asked = number < 2 ? base : base + QStringLiteral(" (%1)").arg(number);
        const QString expected = firstFreeAmong(taken, "/out/", asked, ".epub");
        QCOMPARE(names.claim("/out/" + asked + ".epub"), expected);
        taken.insert(expected);
    }
}

void OutputNamesTest::passesOverTheRunsInputs_data() {
    // Files to make ("link -> target" a symbolic link, "link => target" a
    // hard link), the run's inputs, the outputs claimed and what they become.
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<QStringList>("claims");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("the input itself") << QStringList{"x.epub"} << QStringList{"x.epub"}
                                      << QStringList{"x.epub"} << QStringList{"x (2).epub"};
    QTest::newRow("a book and the user's own EPUB of it")
        << QStringList{"x.mobi", "x.epub"} << QStringList{"x.mobi", "x.epub"}
        << QStringList{"x.epub", "x.epub"} << QStringList{"x (2).epub", "x (3).epub"};
    QTest::newRow("a hard link to an input")
        << QStringList{"book.epub", "copy.epub => book.epub"} << QStringList{"book.epub"}
        << QStringList{"copy.epub"} << QStringList{"copy (2).epub"};
    QTest::newRow("a symbolic link to an input")
        << QStringList{"book.epub", "link.epub -> book.epub"} << QStringList{"book.epub"}
        << QStringList{"link.epub"} << QStringList{"link (2).epub"};
    QTest::newRow("an input given through a link")
        << QStringList{"book.epub", "link.epub -> book.epub"} << QStringList{"link.epub"}
        << QStringList{"book.epub"} << QStringList{"book (2).epub"};
    QTest::newRow("the input's path spelt another way")
        << QStringList{"x.epub"} << QStringList{"x.epub"} << QStringList{".//x.epub"}
        << QStringList{".//x (2).epub"};
    QTest::newRow("numbered names that are inputs")
        << QStringList{"x.epub", "x (2).epub", "x (4).epub"}
        << QStringList{"x.epub", "x (2).epub", "x (4).epub"}
        << QStringList{"x.epub", "x.epub", "x.epub"}
        << QStringList{"x (3).epub", "x (5).epub", "x (6).epub"};
    QTest::newRow("an input that is not there")
        << QStringList{} << QStringList{"gone.epub"} << QStringList{"gone.epub"}
        << QStringList{"gone (2).epub"};
    QTest::newRow("a file that is no input is replaced")
        << QStringList{"x.mobi", "x.epub"} << QStringList{"x.mobi"} << QStringList{"x.epub"}
        << QStringList{"x.epub"};
}

void OutputNamesTest::passesOverTheRunsInputs() {
    QFETCH(QStringList, files);
    QFETCH(QStringList, inputs);
    QFETCH(QStringList, claims);
    QFETCH(QStringList, expected);
    QTemporaryDir temp;
    const QString folder = temp.path() + '/';
    for (const QString& file : files) {
        const QStringList symbolic = file.split(" -> ");
        const QStringList hard = file.split(" => ");
        if (symbolic.size() == 2)
            QCOMPARE(symlink(QFile::encodeName(symbolic.constLast()).constData(),
                             QFile::encodeName(folder + symbolic.constFirst()).constData()),
                     0);
        else if (hard.size() == 2)
            QCOMPARE(::link(QFile::encodeName(folder + hard.constLast()).constData(),
                            QFile::encodeName(folder + hard.constFirst()).constData()),
                     0);
        else
            test::writeFile(folder + file, file.toUtf8());
    }
    OutputNames names;
    for (const QString& input : inputs)
        names.addInput(folder + input);
    QStringList claimed;
    for (const QString& output : claims)
        claimed << names.claim(folder + output).mid(folder.size());
    QCOMPARE(claimed, expected);
}

void OutputNamesTest::passesOverInputsAddedLater() {
    QTemporaryDir temp;
    const QString folder = temp.path() + '/';
    test::writeFile(folder + "a.epub", "a");
    test::writeFile(folder + "b.epub", "b");
    OutputNames names;
    QCOMPARE(names.claim(folder + "a.epub"), folder + "a.epub");
    names.addInput(folder + "b.epub");
    names.addInput(folder + "a.epub");
    QCOMPARE(names.claim(folder + "b.epub"), folder + "b (2).epub");
    QCOMPARE(names.claim(folder + "a.epub"), folder + "a (2).epub");
}

QTEST_GUILESS_MAIN(OutputNamesTest)
#include "tst_outputnames.moc"
