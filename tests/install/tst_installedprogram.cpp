#include "installedfiles.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace quillbrook;

namespace {

// The program is driven as a person would, through the X server: xdotool
// moves the pointer, clicks and types.
QString xdotool(const QStringList& arguments) {
    return test::runToEnd("xdotool", arguments).output.trimmed();
}

// The visible top-level windows titled "Quillbrook": the main window, and
// then the message boxes it shows, which carry the same caption.
QStringList quillbrookWindows() {
    return xdotool({"search", "--onlyvisible", "--name", "^Quillbrook$"})
        .split('\n', Qt::SkipEmptyParts);
}

QRect geometryOf(const QString& window) {
    QMap<QString, int> values;
    for (const QString& line : xdotool({"getwindowgeometry", "--shell", window}).split('\n'))
        values.insert(line.section('=', 0, 0), line.section('=', 1).toInt());
    return {values.value("X"), values.value("Y"), values.value("WIDTH"), values.value("HEIGHT")};
}

// The pointer rests in the screen's corner between actions: resting on the
// list it would raise the list's hint, a window with the program's caption.
void moveAwayPointer() {
    xdotool({"mousemove", "--sync", "0", "0"});
}

void clickAt(const QPoint& point) {
    xdotool({"mousemove", "--sync", QString::number(point.x()), QString::number(point.y()), "click",
             "1"});
    moveAwayPointer();
}

// Keys go where the pointer is: the X server has no window manager here.
void pressKeyOn(const QString& window, const QString& key) {
    const QPoint centre = geometryOf(window).center();
    xdotool({"mousemove", "--sync", QString::number(centre.x()), QString::number(centre.y())});
    xdotool({"key", key});
    moveAwayPointer();
}

// The centres of the window's buttons, from the window's fixed layout
// (positions in twips, 15 to a pixel).
QPoint buttonCentre(const QRect& window, int left, int top, int width, int height) {
    return window.topLeft() + QPoint((left + width / 2) / 15, (top + height / 2) / 15);
}

// An EPUB: a zip archive whose first entry names the EPUB media type.
bool isEpub(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray start = file.read(100);
    return start.startsWith("PK\x03\x04") && start.contains("mimetypeapplication/epub+zip");
}

} // namespace

// The installed program, started through bin/quillbrook from a folder of
// its own with a book on its command line, loads its samples and converts
// them and the book with calibre, unpacking the converter with its zip
// component: everything it needs is found through the link.
class InstalledProgramTest : public QObject {
    Q_OBJECT

private slots:
    void convertsTheBookGivenAndTheSamples();
};

void InstalledProgramTest::convertsTheBookGivenAndTheSamples() {
    const QString programFolder = test::installPrefix() + "/lib/quillbrook";
    QTemporaryDir home;
    QTemporaryDir workingFolder;
    QTemporaryDir output;
    QTemporaryDir temporary;
    QVERIFY(QDir(workingFolder.path()).mkdir("books"));
    QVERIFY(QFile::copy(programFolder + "/Samples/Two-Sonnets.mobi",
                        workingFolder.filePath("books/Given on the command line.mobi")));
    {
        QSettings settings(home.filePath("config/Brackwater/Quillbrook.conf"),
                           QSettings::IniFormat);
        settings.setValue("Text1", output.path() + '/');
        settings.setValue("Option1", "True");
        settings.setValue("Option2", "False");
    }

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", home.filePath("config"));
    environment.insert("TEMP", temporary.path());
    // The occasional visit to the web site at start-up opens nothing here.
    environment.insert("BROWSER", "true");
    QProcess program;
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(workingFolder.path());
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(test::installPrefix() + "/bin/quillbrook",
                  {"books/Given on the command line.mobi"});
    QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));

    QTRY_COMPARE_WITH_TIMEOUT(quillbrookWindows().size(), 1, 30000);
    const QString window = quillbrookWindows().constFirst();
    const QRect area = geometryOf(window);
    QTest::qWait(500);
    test::saveScreenshot("installed-program-started");

    // "Load Sample/Example Files", and No to opening their folder.
    clickAt(buttonCentre(area, 4080, 3260, 3840, 405));
    QTRY_COMPARE_WITH_TIMEOUT(quillbrookWindows().size(), 2, 30000);
    QString question = quillbrookWindows().constLast();
    if (question == window)
        question = quillbrookWindows().constFirst();
    test::saveScreenshot("installed-program-samples-question");
    pressKeyOn(question, "Escape");
    QTRY_COMPARE_WITH_TIMEOUT(quillbrookWindows().size(), 1, 30000);
    test::saveScreenshot("installed-program-list-filled");

    // "Start Converting", then wait for the message that ends the run.
    clickAt(buttonCentre(area, 120, 5660, 7800, 405));
    QTRY_COMPARE_WITH_TIMEOUT(quillbrookWindows().size(), 2, 400000);
    QTest::qWait(500);
    qInfo("screenshot: %s", qPrintable(test::saveScreenshot("installed-program-converted")));

    QStringList expected{"Given on the command line.epub"};
    for (const QString& sample : QDir(programFolder + "/Samples").entryList(QDir::Files))
        expected << QFileInfo(sample).completeBaseName() + ".epub";
    expected.sort();
    QCOMPARE(QDir(output.path()).entryList(QDir::Files, QDir::Name), expected);
    for (const QString& name : expected)
        QVERIFY2(isEpub(output.filePath(name)), qPrintable(name));

    program.terminate();
    QVERIFY(program.waitForFinished(10000));
}

QTEST_MAIN(InstalledProgramTest)
#include "tst_installedprogram.moc"
