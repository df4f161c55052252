#include "plainreasons.h"
#include "testenvironment.h"
#include "testfiles.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace quillbrook;

namespace {

const QString lockedBook =
    QStringLiteral("the book is locked with DRM (copy protection), which calibre does not remove");
const QString incompleteBook = QStringLiteral("the file is not a complete MOBI book");
const QString outOfMemory = QStringLiteral("calibre ran out of memory");
const QString calibreCannotStart = QStringLiteral("calibre is not installed or could not start");

// A copy of a MOBI book whose header names encryption type 2 (Mobipocket's
// DRM). The header is the first record; the list of records starts at byte 78
// of the Palm database and the encryption type is the header's seventh field.
QByteArray lockedCopy(QByteArray book) {
    const auto firstRecord = qFromBigEndian<quint32>(book.constData() + 78);
    qToBigEndian<quint16>(2, book.data() + firstRecord + 12);
    return book;
}

QByteArray sampleBook() {
    return test::readFile(test::builtProgramFolder() + QStringLiteral("/Samples/Two-Sonnets.mobi"));
}

// The line of a converter's output that the run gives as the reason for a
// failure: the last one that mentions an error, or else the last line.
QString reasonLine(const QByteArray& output) {
    QString last;
    QString lastError;
    for (const QString& line : QString::fromUtf8(output).split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty())
            continue;
        last = trimmed;
        if (trimmed.contains(QLatin1String("error"), Qt::CaseInsensitive))
            lastError = trimmed;
    }
    return lastError.isEmpty() ? last : lastError;
}

// Runs the program's converter launcher on the input with both output streams
// taken together, as the run does, and returns what it printed.
QByteArray converterOutput(const QString& input, const QString& output, const QString& path) {
    QProcess converter;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PATH"), path);
    converter.setProcessEnvironment(environment);
    converter.setProcessChannelMode(QProcess::MergedChannels);
    converter.start(QStringLiteral("/bin/sh"),
                    {QStringLiteral(QUILLBROOK_CONVERTER_LAUNCHER), input, output});
    if (!converter.waitForFinished(300000))
        converter.kill();
    return converter.readAll();
}

} // namespace

class PlainReasonsTest : public QObject {
    Q_OBJECT

private slots:
    void plainReason_data();
    void plainReason();
    void calibresOwnLinesAreExplained_data();
    void calibresOwnLinesAreExplained();
};

// calibre's lines as the real ebook-convert printed them for damaged, locked,
// mis-named and memory-starved inputs, and in Python's other wordings of the
// same failures.
void PlainReasonsTest::plainReason_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("sentence");
    QTest::newRow("locked") << "calibre.ebooks.DRMError: Two Sonnets" << lockedBook;
    QTest::newRow("locked, bare type") << "DRMError: Three Fables of Aesop" << lockedBook;
    QTest::newRow("cut short") << "struct.error: unpack requires a buffer of 8 bytes"
                               << incompleteBook;
    QTest::newRow("cut short, unpack_from")
        << "struct.error: unpack_from requires a buffer of at least 4 bytes for unpacking 4 "
           "bytes at offset 0 (actual buffer size is 2)"
        << incompleteBook;
    QTest::newRow("not a Palm database")
        << "calibre.ebooks.mobi.MobiError: Unknown book type: b'AT ALL.\\n'" << incompleteBook;
    QTest::newRow("memory error") << "MemoryError" << outOfMemory;
    QTest::newRow("allocation refused")
        << "OSError: [Errno 12] Cannot allocate memory" << outOfMemory;
    QTest::newRow("library not mapped")
        << "ImportError: libicudata.so.72: failed to map segment from shared object" << outOfMemory;
    QTest::newRow("calibre missing")
        << "Error: calibre's ebook-convert was not found. Please install calibre (Debian "
           "package calibre)."
        << calibreCannotStart;
    QTest::newRow("import error")
        << "ImportError: cannot import name 'QColor' from 'qt.core' (/usr/lib/calibre/qt/core.py)"
        << calibreCannotStart;
    QTest::newRow("module not found")
        << "ModuleNotFoundError: No module named 'calibre'" << calibreCannotStart;
    QTest::newRow("no module, older Python")
        << "No module named calibre.ebooks" << calibreCannotStart;

    QTest::newRow("another of calibre's errors")
        << "ValueError: Not a valid MOBI header" << QString();
    QTest::newRow("the program's own reason")
        << "the converter ended with exit status 1." << QString();
    QTest::newRow("a title that names an error later in the line")
        << "Conversion error: /books/struct.error: unpack requires a buffer.mobi" << QString();
    QTest::newRow("a path that names DRM")
        << "OSError: [Errno 2] No such file or directory: '/books/DRMError.mobi'" << QString();
    QTest::newRow("empty") << "" << QString();
}

void PlainReasonsTest::plainReason() {
    QFETCH(QString, line);
    QFETCH(QString, sentence);
    const QString expected =
        sentence.isEmpty() ? line : sentence + QStringLiteral(" (") + line + QLatin1Char(')');
    QCOMPARE(quillbrook::plainReason(line), expected);
}

void PlainReasonsTest::calibresOwnLinesAreExplained_data() {
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("sentence");
    const QString systemPath = qEnvironmentVariable("PATH");
    QVERIFY2(sampleBook().startsWith("Two_Sonnets"), "the sample book is missing");
    QTest::newRow("locked") << lockedCopy(sampleBook()) << systemPath << lockedBook;
    QTest::newRow("cut short") << sampleBook().left(100) << systemPath << incompleteBook;
    QTest::newRow("text named .mobi")
        << QByteArray("These are notes, not a book.\n").repeated(8) << systemPath << incompleteBook;
    QTest::newRow("calibre missing")
        << sampleBook() << QStringLiteral("/nonexistent") << calibreCannotStart;
}

void PlainReasonsTest::calibresOwnLinesAreExplained() {
    QFETCH(QByteArray, input);
    QFETCH(QString, path);
    QFETCH(QString, sentence);
    QTemporaryDir folder;
    const QString book = folder.filePath(QStringLiteral("book.mobi"));
    test::writeFile(book, input);

    const QString line =
        reasonLine(converterOutput(book, folder.filePath(QStringLiteral("book.epub")), path));

    QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("book.epub"))));
    QCOMPARE(quillbrook::plainReason(line),
             sentence + QStringLiteral(" (") + line + QLatin1Char(')'));
}

QTEST_GUILESS_MAIN(PlainReasonsTest)
#include "tst_plainreasons.moc"
