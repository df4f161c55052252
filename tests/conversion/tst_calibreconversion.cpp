#include "apptitle.h"
#include "conversionfixture.h"
#include "paths.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTest>
#include <QXmlStreamReader>
#include <zip.h>

using namespace quillbrook;

namespace {

QByteArray entryContent(zip_t* archive, zip_uint64_t index) {
    zip_stat_t status;
    if (zip_stat_index(archive, index, 0, &status) != 0)
        return {};
    zip_file_t* entry = zip_fopen_index(archive, index, 0);
    if (!entry)
        return {};
    QByteArray content(qsizetype(status.size), '\0');
    const zip_int64_t read = zip_fread(entry, content.data(), status.size);
    zip_fclose(entry);
    return read == zip_int64_t(status.size) ? content : QByteArray();
}

QString rootFileOf(const QByteArray& container) {
    QXmlStreamReader xml(container);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement &&
            xml.name() == QLatin1String("rootfile"))
            return xml.attributes().value(QLatin1String("full-path")).toString();
    }
    return {};
}

// What a reader needs to open an EPUB: a zip whose first entry is the stored
// "mimetype", and a container that names a package document that is there.
// Returns what is wrong, or nothing.
QString epubProblem(const QString& path, const QString& title) {
    int error = 0;
    zip_t* archive =
        zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!archive)
        return QStringLiteral("not a zip archive");
    const auto closeArchive = qScopeGuard([&] { zip_discard(archive); });
    zip_stat_t first;
    if (zip_stat_index(archive, 0, 0, &first) != 0 || qstrcmp(first.name, "mimetype") != 0)
        return QStringLiteral("the first entry is not mimetype");
    if (first.comp_method != ZIP_CM_STORE)
        return QStringLiteral("mimetype is compressed");
    if (entryContent(archive, 0) != "application/epub+zip")
        return QStringLiteral("wrong mimetype");
    const zip_int64_t container = zip_name_locate(archive, "META-INF/container.xml", 0);
    if (container < 0)
        return QStringLiteral("no container");
    const QString packagePath = rootFileOf(entryContent(archive, zip_uint64_t(container)));
    const zip_int64_t package = zip_name_locate(archive, packagePath.toUtf8().constData(), 0);
    if (package < 0)
        return QStringLiteral("the container names no package document that is there");
    if (!entryContent(archive, zip_uint64_t(package)).contains(title.toUtf8()))
        return QStringLiteral("the package document does not carry the title");
    return {};
}

void makeMobi(const QString& folder, const QString& name, const QString& title, bool withCover) {
    const QString html = folder + QLatin1Char('/') + name + QStringLiteral(".html");
    QFile page(html);
    QVERIFY(page.open(QIODevice::WriteOnly));
    page.write(QStringLiteral("<html><head><title>%1</title></head><body><h1>%1</h1>"
                              "<p>It was a quiet morning in the harbour.</p></body></html>")
                   .arg(title)
                   .toUtf8());
    page.close();
    QStringList arguments{html, folder + QLatin1Char('/') + name + QStringLiteral(".mobi")};
    if (withCover) {
        QImage cover(300, 400, QImage::Format_RGB32);
        cover.fill(Qt::darkBlue);
        QPainter(&cover).fillRect(40, 60, 220, 80, Qt::yellow);
        const QString coverFile = folder + QStringLiteral("/cover.png");
        QVERIFY(cover.save(coverFile));
        arguments << QStringLiteral("--cover") << coverFile;
    }
    QProcess maker;
    maker.start(QStringLiteral("ebook-convert"), arguments);
    QVERIFY(maker.waitForFinished(120000));
    QCOMPARE(maker.exitCode(), 0);
    QFile::remove(html);
}

} // namespace

// The whole road with the real calibre: resource, unpacking, launcher, converter.
class CalibreConversionTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir books_;

private slots:
    void initTestCase();
    void convertsToValidEpubs_data();
    void convertsToValidEpubs();
    void samplesConvert();
    void calibresReasonIsShownForABrokenBook();
};

void CalibreConversionTest::initTestCase() {
    makeMobi(books_.path(), QStringLiteral("Harbour Tales"), QStringLiteral("Harbour Tales"),
             false);
    makeMobi(books_.path(), QStringLiteral("Covered"), QStringLiteral("A Covered Book"), true);
}

void CalibreConversionTest::convertsToValidEpubs_data() {
    QTest::addColumn<bool>("besideOriginal");
    QTest::newRow("into the chosen folder") << false;
    QTest::newRow("beside the original") << true;
}

void CalibreConversionTest::convertsToValidEpubs() {
    QFETCH(bool, besideOriginal);
    test::ConversionFixture fx;
    QString outputFolder = fx.files();
    if (besideOriginal) {
        fx.form().Option2->click();
        outputFolder = fx.files() + QStringLiteral("/in");
    }
    const QList<std::pair<QString, QString>> books{{"Harbour Tales", "Harbour Tales"},
                                                   {"Covered", "A Covered Book"}};
    for (const auto& [name, title] : books) {
        const QString input = fx.files() + QStringLiteral("/in/") + name + QStringLiteral(".mobi");
        QDir().mkpath(fx.files() + QStringLiteral("/in"));
        QVERIFY(
            QFile::copy(books_.path() + QLatin1Char('/') + name + QStringLiteral(".mobi"), input));
        fx.add({input});
    }

    fx.press();

    QCOMPARE(fx.dialogs().messages(), QStringList{QStringLiteral("Done.")});
    QCOMPARE(fx.dialogs().errorReports(), QStringList());
    for (const auto& [name, title] : books)
        QCOMPARE(
            epubProblem(outputFolder + QLatin1Char('/') + name + QStringLiteral(".epub"), title),
            QString());
    QCOMPARE(fx.leftInTemporaryFolder(), QStringList());
}

void CalibreConversionTest::samplesConvert() {
    test::ConversionFixture fx;
    const QDir samples(test::builtProgramFolder() + QStringLiteral("/Samples"));
    const QStringList names = samples.entryList({QStringLiteral("*.mobi")}, QDir::Files);
    QVERIFY(!names.isEmpty());
    for (const QString& name : names)
        fx.add({samples.filePath(name)});

    fx.press();

    QCOMPARE(fx.dialogs().messages(), QStringList{QStringLiteral("Done.")});
    for (const QString& name : names)
        QCOMPARE(epubProblem(fx.files() + QLatin1Char('/') + StripExtension(name) +
                                 QStringLiteral(".epub"),
                             QString()),
                 QString());
    QCOMPARE(fx.leftInTemporaryFolder(), QStringList());
}

void CalibreConversionTest::calibresReasonIsShownForABrokenBook() {
    test::ConversionFixture fx;
    const QString broken = fx.write(QStringLiteral("broken.mobi"), "not a book at all");
    fx.add({broken});

    fx.press();

    const QStringList messages = fx.dialogs().messages();
    QCOMPARE(messages.size(), 1);
    const QString entry = messages.constFirst().section(QStringLiteral("\r\n"), 4, 4);
    QVERIFY2(entry.startsWith(broken + QStringLiteral(" Error: ")), qPrintable(entry));
    QVERIFY(!QFile::exists(fx.files() + QStringLiteral("/broken.epub")));
    QCOMPARE(fx.leftInTemporaryFolder(), QStringList());
}

QTEST_MAIN(CalibreConversionTest)
#include "tst_calibreconversion.moc"
