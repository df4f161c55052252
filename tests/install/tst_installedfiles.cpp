#include "form1.h"
#include "installedfiles.h"
#include "scripteddialogs.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

using namespace quillbrook;
using test::installPrefix;

namespace {

// The lines a validator's output that report an error or a warning; hints
// and pedantic notes are no faults.
QStringList complaintsIn(const QString& output) {
    QStringList complaints;
    for (const QString& line : output.split('\n'))
        if (line.startsWith("E: ") || line.startsWith("W: ") || line.contains("error:") ||
            line.contains("warning:"))
            complaints << line;
    return complaints;
}

// The keys and values of the desktop entry's main group.
QMap<QString, QString> desktopEntryKeys(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QMap<QString, QString> keys;
    bool inMainGroup = false;
    for (const QString& line : QString::fromUtf8(file.readAll()).split('\n')) {
        if (line.startsWith('['))
            inMainGroup = line == "[Desktop Entry]";
        else if (inMainGroup && line.contains('='))
            keys.insert(line.section('=', 0, 0), line.section('=', 1));
    }
    return keys;
}

// The text of each element of the metainfo file by name, and the version of its release.
QMap<QString, QString> metainfoElements(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QMap<QString, QString> elements;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QString name = xml.name().toString();
        if (name == "release")
            elements.insert("release", xml.attributes().value("version").toString());
        else if (name != "component" && name != "description" && name != "releases")
            elements.insert(name, xml.readElementText(QXmlStreamReader::IncludeChildElements));
    }
    return elements;
}

} // namespace

// The files `cmake --install` lays out, checked as the desktop's own tools do.
class InstalledFilesTest : public QObject {
    Q_OBJECT

private slots:
    void theLayoutIsComplete();
    void theValidatorsAcceptTheDesktopFiles_data();
    void theValidatorsAcceptTheDesktopFiles();
    void theDesktopEntryOpensMobiFiles();
    void theMetainfoNamesTheProgramAndItsRelease();
    void theIconsAreThePictureTheWindowShows_data();
    void theIconsAreThePictureTheWindowShows();
    void theLinkedProgramAnswersFromAnotherFolder();
};

void InstalledFilesTest::theLayoutIsComplete() {
    QCOMPARE(test::layoutFaults(installPrefix()), QStringList());
}

void InstalledFilesTest::theValidatorsAcceptTheDesktopFiles_data() {
    QTest::addColumn<QString>("validator");
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("desktop entry")
        << "desktop-file-validate" << QStringList{test::desktopEntryPath(installPrefix())};
    QTest::newRow("metainfo") << "appstreamcli"
                              << QStringList{"validate", "--no-net",
                                             test::metainfoPath(installPrefix())};
}

void InstalledFilesTest::theValidatorsAcceptTheDesktopFiles() {
    QFETCH(QString, validator);
    QFETCH(QStringList, arguments);
    const test::Finished run = test::runToEnd(validator, arguments);
    const QString said = run.output + run.error;
    QVERIFY2(run.exitStatus == 0, qPrintable(said));
    QCOMPARE(complaintsIn(said), QStringList());
}

void InstalledFilesTest::theDesktopEntryOpensMobiFiles() {
    const auto keys = desktopEntryKeys(test::desktopEntryPath(installPrefix()));
    QCOMPARE(keys.value("Type"), "Application");
    QCOMPARE(keys.value("Name"), "Quillbrook");
    QCOMPARE(keys.value("GenericName"), "E-book Converter");
    QVERIFY(!keys.value("Comment").isEmpty());
    QCOMPARE(keys.value("Exec"), "quillbrook %F");
    QCOMPARE(keys.value("Icon"), test::applicationId());
    QCOMPARE(keys.value("MimeType"), "application/x-mobipocket-ebook;");
    QVERIFY(keys.value("Categories").startsWith("Office;"));
    QVERIFY(keys.value("Keywords").contains("MOBI;"));
}

void InstalledFilesTest::theMetainfoNamesTheProgramAndItsRelease() {
    const auto elements = metainfoElements(test::metainfoPath(installPrefix()));
    QCOMPARE(elements.value("id"), test::applicationId());
    QCOMPARE(elements.value("name"), "Quillbrook");
    QCOMPARE(elements.value("launchable"), test::applicationId() + ".desktop");
    QCOMPARE(elements.value("release"), test::programVersion());
    QVERIFY(elements.contains("content_rating"));
    QVERIFY(!elements.contains("screenshots"));
}

void InstalledFilesTest::theIconsAreThePictureTheWindowShows_data() {
    QTest::addColumn<int>("size");
    for (const int size : {48, 128, 256})
        QTest::addRow("%d pixels", size) << size;
}

void InstalledFilesTest::theIconsAreThePictureTheWindowShows() {
    QFETCH(int, size);
    const QImage installed(test::iconPath(installPrefix(), QStringLiteral("%1x%1").arg(size)));
    QCOMPARE(installed.size(), QSize(size, size));

    test::ScriptedDialogs dialogs;
    QTemporaryDir programFolder;
    Form1 window({dialogs, programFolder.path(), [] { return 1; }});
    const QImage shown = window.windowIcon().pixmap(size, size).toImage();
    // The window holds its icon premultiplied, as Qt keeps every loaded picture.
    QCOMPARE(shown.convertToFormat(QImage::Format_ARGB32_Premultiplied),
             installed.convertToFormat(QImage::Format_ARGB32_Premultiplied));
}

void InstalledFilesTest::theLinkedProgramAnswersFromAnotherFolder() {
    QTemporaryDir elsewhere;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("QT_QPA_PLATFORM");
    environment.remove("DISPLAY");
    const test::Finished run = test::runToEnd(installPrefix() + "/bin/quillbrook", {"--version"},
                                              elsewhere.path(), environment);
    QCOMPARE(run.error, QString());
    QCOMPARE(run.exitStatus, 0);
    QCOMPARE(run.output, "Quillbrook " + test::programVersion() + "\n");
}

QTEST_MAIN(InstalledFilesTest)
#include "tst_installedfiles.moc"
