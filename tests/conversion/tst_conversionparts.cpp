#include "outputnames.h"
#include "settingskeys.h"
#include "testenvironment.h"

#include <QTest>

using namespace quillbrook;

// The run's settings as stored text is read, and the numbering of equal output names.
class ConversionPartsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { test::clearSettingsStore(); }
    void simultaneousConversions_data();
    void simultaneousConversions();
    void defaultSimultaneousConversions_data();
    void defaultSimultaneousConversions();
    void warmConverter_data();
    void warmConverter();
    void stalledConverterMinutes_data();
    void stalledConverterMinutes();
    void equalOutputNamesAreNumbered();
};

void ConversionPartsTest::simultaneousConversions_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("count");
    const int cores = simultaneousConversionsForThisMachine();
    QTest::newRow("absent") << QString() << cores;
    QTest::newRow("one") << "1" << 1;
    QTest::newRow("sixteen, with spaces") << " 16 " << 16;
    QTest::newRow("zero") << "0" << cores;
    QTest::newRow("seventeen") << "17" << cores;
    QTest::newRow("a fraction") << "2.5" << cores;
    QTest::newRow("not a number") << "many" << cores;
}

void ConversionPartsTest::simultaneousConversions() {
    QFETCH(QString, stored);
    QFETCH(int, count);
    if (!stored.isNull())
        test::storeSetting(QStringLiteral("SimultaneousConversions"), stored);
    QCOMPARE(SimultaneousConversions(), count);
}

void ConversionPartsTest::defaultSimultaneousConversions_data() {
    QTest::addColumn<int>("cores");
    QTest::addColumn<qint64>("availableBytes");
    QTest::addColumn<int>("count");
    constexpr qint64 megabytes = 1000 * 1000;
    QTest::newRow("two cores, plenty of memory") << 2 << 24000 * megabytes << 2;
    QTest::newRow("sixteen cores") << 16 << 64000 * megabytes << 16;
    QTest::newRow("more than sixteen cores") << 64 << 256000 * megabytes << 16;
    QTest::newRow("memory limits") << 8 << 1300 * megabytes << 3;
    QTest::newRow("exactly 400 MB each") << 8 << 1600 * megabytes << 4;
    QTest::newRow("less than 400 MB") << 8 << 100 * megabytes << 1;
    QTest::newRow("no memory available") << 8 << qint64(0) << 1;
    QTest::newRow("memory unknown") << 6 << qint64(-1) << 6;
    QTest::newRow("memory unknown, many cores") << 48 << qint64(-1) << 16;
    QTest::newRow("cores unknown") << 0 << 24000 * megabytes << 1;
}

void ConversionPartsTest::defaultSimultaneousConversions() {
    QFETCH(int, cores);
    QFETCH(qint64, availableBytes);
    QFETCH(int, count);
    QCOMPARE(simultaneousConversionsFor(cores, availableBytes), count);
}

void ConversionPartsTest::warmConverter_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("warm");
    QTest::newRow("absent") << QString() << true;
    QTest::newRow("True") << "True" << true;
    QTest::newRow("False") << "False" << false;
}

void ConversionPartsTest::warmConverter() {
    QFETCH(QString, stored);
    QFETCH(bool, warm);
    if (!stored.isNull())
        test::storeSetting(QStringLiteral("WarmConverter"), stored);
    QCOMPARE(settingKeys::WarmConverter.read(), warm);
}

void ConversionPartsTest::stalledConverterMinutes_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<double>("minutes");
    QTest::newRow("absent") << QString() << 10.0;
    QTest::newRow("three seconds") << "0.05" << 0.05;
    QTest::newRow("watch off") << "0" << 0.0;
    QTest::newRow("whole minutes") << "25" << 25.0;
    QTest::newRow("negative") << "-1" << 10.0;
    QTest::newRow("not a number") << "soon" << 10.0;
    QTest::newRow("not a number, spelt so") << "nan" << 10.0;
    QTest::newRow("the most") << "1000000" << 1e6;
    QTest::newRow("just above the most") << "1000000.5" << 1e6;
    QTest::newRow("beyond milliseconds in 64 bits") << "2e14" << 1e6;
    QTest::newRow("huge") << "1e300" << 1e6;
    QTest::newRow("infinity") << "inf" << 1e6;
}

void ConversionPartsTest::stalledConverterMinutes() {
    QFETCH(QString, stored);
    QFETCH(double, minutes);
    if (!stored.isNull())
        test::storeSetting(QStringLiteral("StalledConverterMinutes"), stored);
    QCOMPARE(StalledConverterMinutes(), minutes);
}

void ConversionPartsTest::equalOutputNamesAreNumbered() {
    OutputNames names;
    QCOMPARE(names.claim(QStringLiteral("/out/book (2).epub")),
             QStringLiteral("/out/book (2).epub"));
    QCOMPARE(names.claim(QStringLiteral("/out/book.epub")), QStringLiteral("/out/book.epub"));
    QCOMPARE(names.claim(QStringLiteral("/out/book.epub")), QStringLiteral("/out/book (3).epub"));
    QCOMPARE(names.claim(QStringLiteral("/out/book.epub")), QStringLiteral("/out/book (4).epub"));
    QCOMPARE(names.claim(QStringLiteral("/other/book.epub")), QStringLiteral("/other/book.epub"));
    QCOMPARE(names.claim(QStringLiteral("/out/a.b.epub")), QStringLiteral("/out/a.b.epub"));
    QCOMPARE(names.claim(QStringLiteral("/out/a.b.epub")), QStringLiteral("/out/a.b (2).epub"));
}

QTEST_MAIN(ConversionPartsTest)
#include "tst_conversionparts.moc"
