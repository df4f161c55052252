#include "calibrebooks.h"
#include "mobicheck.h"
#include "testfiles.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <functional>

using namespace quillbrook;

namespace {

using Damage = std::function<void(QByteArray&)>;

const QString samples = QStringLiteral(QUILLBROOK_SAMPLES_SOURCE);

// Where things are in a MOBI book: the Palm database header with its record
// table (eight bytes per record, the offset first), and the MOBI header's
// fields counted from the start of the record that holds it.
constexpr qsizetype recordCountAt = 76;
constexpr qsizetype recordTableAt = 78;
constexpr qsizetype encryptionTypeField = 12;
constexpr qsizetype ncxIndexField = 244;
constexpr qsizetype fragmentIndexField = 248;
constexpr qsizetype skeletonIndexField = 252;

QString sample(const char* name) {
    return samples + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".mobi");
}

int recordCount(const QByteArray& book) {
    return qFromBigEndian<quint16>(book.constData() + recordCountAt);
}

quint32 recordOffset(const QByteArray& book, int record) {
    return qFromBigEndian<quint32>(book.constData() + recordTableAt + 8 * record);
}

void setRecordOffset(QByteArray& book, int record, quint32 offset) {
    qToBigEndian(offset, book.data() + recordTableAt + 8 * record);
}

// The record that holds the MOBI header the book is read by: the first one,
// or in a hybrid book the one after the boundary record, where the KF8 part
// begins.
int mobiHeaderRecord(const QByteArray& book) {
    for (int record = 0; record + 1 < recordCount(book); ++record)
        if (book.mid(recordOffset(book, record), 8) == "BOUNDARY")
            return record + 1;
    return 0;
}

// The record number that an index field of the MOBI header names.
int indexRecord(const QByteArray& book, qsizetype field) {
    const int header = mobiHeaderRecord(book);
    return header +
           int(qFromBigEndian<quint32>(book.constData() + recordOffset(book, header) + field));
}

Damage cutShort(qsizetype bytes) {
    return [bytes](QByteArray& book) { book.chop(bytes); };
}

Damage keepOnly(qsizetype bytes) {
    return [bytes](QByteArray& book) { book.truncate(bytes); };
}

Damage moveRecord(int record, std::function<quint32(const QByteArray&)> offset) {
    return [record, offset](QByteArray& book) { setRecordOffset(book, record, offset(book)); };
}

// Overwrites the "INDX" mark that an index record starts with.
Damage breakIndexRecord(qsizetype field, int recordAfterHeader = 0) {
    return [field, recordAfterHeader](QByteArray& book) {
        const int record = indexRecord(book, field) + recordAfterHeader;
        QCOMPARE(book.mid(recordOffset(book, record), 4), QByteArray("INDX"));
        book.replace(recordOffset(book, record), 4, "XXXX");
    };
}

Damage markEncrypted(quint16 encryptionType) {
    return [encryptionType](QByteArray& book) {
        qToBigEndian(encryptionType, book.data() + recordOffset(book, 0) + encryptionTypeField);
    };
}

Damage both(Damage first, Damage second) {
    return [first, second](QByteArray& book) {
        first(book);
        second(book);
    };
}

QString endsEarly(const char* bytes) {
    return QStringLiteral("The file ends at least %1 bytes early").arg(QLatin1String(bytes));
}

} // namespace

Q_DECLARE_METATYPE(Damage)

// The check that names a converted input whose MOBI file looks damaged.
class MobiCheckTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir folder_;

    QString calibreBook(const QString& mobiType) const {
        return folder_.filePath(QStringLiteral("lamplighter-%1.mobi").arg(mobiType));
    }
    QString damagedCopy(const QString& book, const Damage& damage) const;

private slots:
    void initTestCase();
    void wholeBooksAreNotNamed_data();
    void wholeBooksAreNotNamed();
    void damagedBooksAreNamed_data();
    void damagedBooksAreNamed();
    void mangledBooksAreAnswered();
    void onlyMobiBooksAreChecked_data();
    void onlyMobiBooksAreChecked();
};

QString MobiCheckTest::damagedCopy(const QString& book, const Damage& damage) const {
    QByteArray bytes = test::readFile(book);
    damage(bytes);
    const QString copy = folder_.filePath(QStringLiteral("damaged.mobi"));
    test::writeFile(copy, bytes);
    return copy;
}

void MobiCheckTest::initTestCase() {
    QVERIFY(folder_.isValid());
    const QString source = samples + QStringLiteral("/sources/the-lamplighter.html");
    for (const QString& mobiType : test::calibreMobiTypes) {
        const QString problem = test::makeMobiWithCalibre(source, calibreBook(mobiType), mobiType);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }
}

void MobiCheckTest::wholeBooksAreNotNamed_data() {
    QTest::addColumn<QString>("book");
    QTest::addColumn<Damage>("change");
    const Damage none = [](QByteArray&) {};
    const QStringList shipped = QDir(samples).entryList({QStringLiteral("*.mobi")}, QDir::Files);
    QVERIFY(!shipped.isEmpty());
    for (const QString& name : shipped)
        QTest::newRow(qPrintable(QStringLiteral("shipped ") + name))
            << samples + QLatin1Char('/') + name << none;
    for (const QString& mobiType : test::calibreMobiTypes)
        QTest::newRow(qPrintable(QStringLiteral("calibre's MOBI type ") + mobiType))
            << calibreBook(mobiType) << none;
    // A protected book's text cannot be parsed without its key; its structure
    // is whole, and the converter reports such a book itself.
    QTest::newRow("protected by Mobipocket DRM") << sample("The-Lamplighter") << markEncrypted(2);
    QTest::newRow("protected by old Mobipocket DRM")
        << sample("Aesop-Three-Fables") << markEncrypted(1);
}

void MobiCheckTest::wholeBooksAreNotNamed() {
    QFETCH(QString, book);
    QFETCH(Damage, change);
    const QString copy = damagedCopy(book, change);

    QCOMPARE(damageOf(copy), std::nullopt);
}

void MobiCheckTest::damagedBooksAreNamed_data() {
    QTest::addColumn<QString>("book");
    QTest::addColumn<Damage>("damage");
    QTest::addColumn<QString>("reason");
    const QString lamplighter = sample("The-Lamplighter");
    const QString aesop = sample("Aesop-Three-Fables");
    const QString corruptTable = QStringLiteral("Corrupted record table: ");

    QTest::newRow("cut 30,000 bytes short")
        << lamplighter << cutShort(30000) << endsEarly("30,000");
    QTest::newRow("KF8 book cut short")
        << calibreBook("new") << cutShort(1500) << endsEarly("1,500");
    QTest::newRow("cut inside its end-of-book record")
        << calibreBook("both") << cutShort(3) << endsEarly("3");
    const int records = recordCount(test::readFile(lamplighter));
    QTest::newRow("cut inside its record table")
        << lamplighter << keepOnly(recordTableAt + 8 * 2)
        << QStringLiteral("The file ends at least %1 bytes early").arg(8 * (records - 2));
    QTest::newRow("protected book cut short")
        << lamplighter << both(markEncrypted(2), cutShort(20000)) << endsEarly("20,000");

    QTest::newRow("record offset past the end")
        << aesop << moveRecord(5, [](const QByteArray& book) { return quint32(book.size() + 900); })
        << corruptTable + QStringLiteral("record 5 lies past the end of the file");
    QTest::newRow("record offset before the record ahead of it")
        << aesop << moveRecord(5, [](const QByteArray& book) { return recordOffset(book, 3); })
        << corruptTable + QStringLiteral("record 5 starts before record 4");
    QTest::newRow("first record inside the table")
        << aesop << moveRecord(0, [](const QByteArray&) { return quint32(recordTableAt); })
        << corruptTable + QStringLiteral("record 0 starts inside the table");

    const QString corruptData = QStringLiteral("Corrupted data");
    QTest::newRow("broken NCX index")
        << lamplighter << breakIndexRecord(ncxIndexField) << corruptData;
    QTest::newRow("broken NCX index entries")
        << aesop << breakIndexRecord(ncxIndexField, 1) << corruptData;
    QTest::newRow("broken KF8 skeleton index")
        << calibreBook("new") << breakIndexRecord(skeletonIndexField) << corruptData;
    QTest::newRow("broken fragment index in a hybrid book's KF8 part")
        << calibreBook("both") << breakIndexRecord(fragmentIndexField) << corruptData;

    QTest::newRow("empty file") << lamplighter << keepOnly(0)
                                << QStringLiteral("The file is empty");
    QTest::newRow("not a book") << lamplighter
                                << Damage([](QByteArray& book) { book = "not a book at all"; })
                                << corruptData;
}

void MobiCheckTest::damagedBooksAreNamed() {
    QFETCH(QString, book);
    QFETCH(Damage, damage);
    QFETCH(QString, reason);
    const QString copy = damagedCopy(book, damage);
    if (QTest::currentTestFailed())
        return;

    QCOMPARE(damageOf(copy), reason);
}

// Whatever a file holds, the check answers and the program goes on.
void MobiCheckTest::mangledBooksAreAnswered() {
    QStringList books{calibreBook("old"), calibreBook("new"), calibreBook("both")};
    for (const QString& name : QDir(samples).entryList({QStringLiteral("*.mobi")}, QDir::Files))
        books << samples + QLatin1Char('/') + name;
    QRandomGenerator random(20261210);
    for (const QString& book : books) {
        const QByteArray whole = test::readFile(book);
        for (int round = 0; round < 60; ++round) {
            QByteArray mangled = whole;
            if (round % 4 == 0)
                mangled.truncate(random.bounded(qint64(whole.size())));
            const qsizetype reach = round % 2 ? mangled.size() : qMin(mangled.size(), 600);
            for (int flip = 0, flips = 1 + random.bounded(40); flip < flips && reach > 0; ++flip)
                mangled[random.bounded(qint64(reach))] = char(random.bounded(256));
            const QString copy = folder_.filePath(QStringLiteral("mangled.mobi"));
            test::writeFile(copy, mangled);

            const std::optional<QString> reason = damageOf(copy);

            QVERIFY(!reason || !reason->isEmpty());
        }
    }
}

// calibre reads an input by its kind: a text or page it converted is no damaged book.
void MobiCheckTest::onlyMobiBooksAreChecked_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("mobiBook");
    const QString headerOnly = folder_.filePath(QStringLiteral("header-only.mobi"));
    test::writeFile(headerOnly, test::readFile(sample("Two-Sonnets")).left(100));
    const QString empty = folder_.filePath(QStringLiteral("empty.mobi"));
    test::writeFile(empty, QByteArray());
    QTest::newRow("a shipped sample") << sample("Two-Sonnets") << true;
    QTest::newRow("calibre's KF8 book") << calibreBook(QStringLiteral("new")) << true;
    QTest::newRow("a sample cut after its header") << headerOnly << true;
    QTest::newRow("an HTML page") << samples + QStringLiteral("/sources/two-sonnets.html") << false;
    QTest::newRow("an empty file") << empty << false;
    QTest::newRow("a missing file") << folder_.filePath(QStringLiteral("missing.mobi")) << false;
}

void MobiCheckTest::onlyMobiBooksAreChecked() {
    QFETCH(QString, file);
    QFETCH(bool, mobiBook);

    QCOMPARE(isMobiBook(file), mobiBook);
}

QTEST_GUILESS_MAIN(MobiCheckTest)
#include "tst_mobicheck.moc"
