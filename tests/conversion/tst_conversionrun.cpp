#include "apptitle.h"
#include "busystate.h"
#include "conversionfixture.h"
#include "inputlist.h"

#include <QFile>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

using namespace quillbrook;

namespace {

const QString closingSentence =
    QStringLiteral(
        "were not converted. It may be that they are too big in filesize. Please email ") +
    supportAddress +
    QStringLiteral(" a screenshot of this error message if you have any questions.");

QString doneWithFailures(const QString& entries) {
    return QStringLiteral("Done.\r\n\r\nThese files:\r\n") + entries + QStringLiteral("\r\n\r\n") +
           closingSentence;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void clearBothOptions(Form1& form) {
    for (QRadioButton* option : {form.Option1, form.Option2}) {
        option->setAutoExclusive(false);
        option->setChecked(false);
        option->setAutoExclusive(true);
    }
}

// What the window showed each time the run let window events through after
// moving the progress bar.
struct ProgressSeen {
    int value;
    QString text;
    bool busy;
    friend bool operator==(const ProgressSeen&, const ProgressSeen&) = default;
};

} // namespace

class ConversionRunTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::ConversionFixture> fx_;

    // Calls the action with each progress value as the window sees it.
    void whenProgressShows(const std::function<void(int)>& action) {
        connect(fx_->form().ProgressBar1, &QProgressBar::valueChanged, &fx_->form(), action,
                Qt::QueuedConnection);
    }

private slots:
    void init();
    void cleanup();

    void checksStopTheRun_data();
    void checksStopTheRun();
    void outputPaths_data();
    void outputPaths();
    void failureListNamesEachFailedInputWithItsLastErrorLine();
    void progressAndPointerFollowTheRun();
    void secondPressDuringARunChangesNothing();
    void itemsAddedDuringARunAreNotConvertedButCount();
    void convertedOnlyWhenTheConverterSucceededAndWrote_data();
    void convertedOnlyWhenTheConverterSucceededAndWrote();
    void unwritableOutputIsAFailure_data();
    void unwritableOutputIsAFailure();
    void missingCalibreIsTheReason();
    void failedStepIsReportedAndTheRunGoesOn();
};

void ConversionRunTest::init() {
    fx_ = std::make_unique<test::ConversionFixture>();
    fx_->useFakeCalibre();
}

void ConversionRunTest::cleanup() {
    const auto fx = std::move(fx_);
    QCOMPARE(fx->dialogs().unusedAnswers(), QString());
    QCOMPARE(fx->dialogs().errorReports(), QStringList());
    QCOMPARE(fx->leftInTemporaryFolder(), QStringList());
}

void ConversionRunTest::checksStopTheRun_data() {
    QTest::addColumn<bool>("withInput");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("folderText");
    QTest::addColumn<QString>("message");

    QTest::newRow("empty list") << false << "Option1"
                                << ""
                                << "No files added.";
    QTest::newRow("missing output folder")
        << true << "Option1"
        << "/no/such/folder"
        << "Folder does not exist. Please select another folder.";
    QTest::newRow("no save option")
        << true << ""
        << ""
        << "No save option is selected. Please select where to save the results.";
}

void ConversionRunTest::checksStopTheRun() {
    QFETCH(bool, withInput);
    QFETCH(QString, selected);
    QFETCH(QString, folderText);
    QFETCH(QString, message);
    Form1& form = fx_->form();
    if (withInput)
        fx_->add({fx_->write(QStringLiteral("a.mobi"), "convert")});
    if (selected.isEmpty())
        clearBothOptions(form);
    if (!folderText.isEmpty())
        form.setText1(folderText);

    fx_->press();
    fx_->press();

    QCOMPARE(fx_->dialogs().messages(), QStringList(2, message));
    QCOMPARE(fx_->dialogs().shown().constFirst().title, QString());
    QVERIFY(fx_->fakeCalls().isEmpty());
    QVERIFY(!isBusy(form));
    QCOMPARE(form.ProgressBar1->format(), QStringLiteral("Progress Bar"));
}

void ConversionRunTest::outputPaths_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("folderText");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");

    QTest::newRow("folder") << "Option1"
                            << "out"
                            << "in/Moby Dick.mobi"
                            << "out/Moby Dick.epub";
    QTest::newRow("folder with separator") << "Option1"
                                           << "out/"
                                           << "in/Moby Dick.mobi"
                                           << "out/Moby Dick.epub";
    QTest::newRow("dots in the name") << "Option1"
                                      << "out"
                                      << "in/a.b.mobi"
                                      << "out/a.b.epub";
    QTest::newRow("no extension") << "Option1"
                                  << "out"
                                  << "in/book"
                                  << "out/book.epub";
    QTest::newRow("only an extension") << "Option1"
                                       << "out"
                                       << "in/.mobi"
                                       << "out/.mobi.epub";
    QTest::newRow("beside the original, folder text ignored") << "Option2"
                                                              << "/no/such/folder"
                                                              << "in/Moby Dick.mobi"
                                                              << "in/Moby Dick.epub";
}

void ConversionRunTest::outputPaths() {
    QFETCH(QString, option);
    QFETCH(QString, folderText);
    QFETCH(QString, input);
    QFETCH(QString, output);
    Form1& form = fx_->form();
    fx_->write(QStringLiteral("out/keep"), {});
    const QString inputPath = fx_->write(input, "convert");
    fx_->add({inputPath});
    form.findChild<QRadioButton*>(option)->click();
    form.setText1(folderText.startsWith(QLatin1Char('/'))
                      ? folderText
                      : fx_->files() + QLatin1Char('/') + folderText);

    fx_->press();

    const QString outputPath = fx_->files() + QLatin1Char('/') + output;
    QCOMPARE(fx_->fakeCalls(), (QList<QStringList>{{inputPath, outputPath}}));
    QCOMPARE(readAll(outputPath), QByteArray("convert"));
    QCOMPARE(fx_->dialogs().messages(), QStringList{QStringLiteral("Done.")});
}

void ConversionRunTest::failureListNamesEachFailedInputWithItsLastErrorLine() {
    const QString several = fx_->write(
        QStringLiteral("several.mobi"),
        "fail\nStarting\nerror one\n  ERROR: the last error line wins  \nshutting down\n");
    const QString fine = fx_->write(QStringLiteral("fine.mobi"), "convert\nall went well\n");
    const QString silent = fx_->write(QStringLiteral("silent.mobi"), "fail\nnothing to see\n");
    fx_->add({several, fine, silent, several});

    fx_->press();

    const QString severalEntry =
        several + QStringLiteral(" Error: ERROR: the last error line wins");
    QCOMPARE(fx_->dialogs().messages(),
             QStringList{doneWithFailures(QStringLiteral("\r\n") + severalEntry +
                                          QStringLiteral("\r\n") + silent + QStringLiteral("\r\n") +
                                          severalEntry)});
    QCOMPARE(fx_->fakeCalls().size(), 4);
    QVERIFY(QFile::exists(fx_->files() + QStringLiteral("/fine.epub")));
}

void ConversionRunTest::progressAndPointerFollowTheRun() {
    Form1& form = fx_->form();
    const QStringList names{"one.mobi", "two.mobi", "three.mobi", "four.mobi"};
    for (const QString& name : names)
        fx_->add({fx_->write(name, "convert")});
    QList<ProgressSeen> seen;
    whenProgressShows([&](int value) {
        seen.append({value, form.ProgressBar1->format(), isBusy(form)});
    });

    fx_->press();

    const QList<ProgressSeen> expected{{25, "Processing: one.mobi", true},
                                       {50, "Processing: two.mobi", true},
                                       {75, "Processing: three.mobi", true},
                                       {100, "Processing: four.mobi", true},
                                       {0, "Progress Bar", false}};
    QCOMPARE(seen, expected);
    QCOMPARE(fx_->dialogs().messages(), QStringList{QStringLiteral("Done.")});
}

void ConversionRunTest::secondPressDuringARunChangesNothing() {
    Form1& form = fx_->form();
    fx_->add({fx_->write(QStringLiteral("a.mobi"), "convert"),
              fx_->write(QStringLiteral("b.mobi"), "convert")});
    whenProgressShows([&](int value) {
        if (value == 50)
            form.PushButton2->click();
    });

    fx_->press();

    QCOMPARE(fx_->fakeCalls().size(), 2);
    QCOMPARE(fx_->dialogs().messages(), QStringList{QStringLiteral("Done.")});
    fx_->press();
    QCOMPARE(fx_->fakeCalls().size(), 4);
}

void ConversionRunTest::itemsAddedDuringARunAreNotConvertedButCount() {
    Form1& form = fx_->form();
    const QString added = fx_->write(QStringLiteral("added.mobi"), "convert");
    fx_->add({fx_->write(QStringLiteral("a.mobi"), "convert"),
              fx_->write(QStringLiteral("b.mobi"), "convert")});
    QList<int> values;
    whenProgressShows([&](int value) {
        if (values.isEmpty())
            fx_->add(QStringList(6, added));
        values << value;
    });

    fx_->press();

    QCOMPARE(values, (QList<int>{50, 25, 0}));
    QCOMPARE(fx_->fakeCalls().size(), 2);
    QCOMPARE(inputlist::count(*form.ListView1), 8);
    QVERIFY(!QFile::exists(fx_->files() + QStringLiteral("/added.epub")));
}

void ConversionRunTest::convertedOnlyWhenTheConverterSucceededAndWrote_data() {
    QTest::addColumn<QByteArray>("behaviour");
    QTest::addColumn<bool>("oldOutput");
    QTest::addColumn<QString>("reason");

    QTest::newRow("fails, old output present")
        << QByteArray("fail\nError: cannot parse\n") << true << " Error: Error: cannot parse";
    QTest::newRow("succeeds without writing, old output present")
        << QByteArray("succeed-without-writing") << true << "";
    QTest::newRow("crashes") << QByteArray("crash\nworking\n") << false << "";
    QTest::newRow("killed after writing") << QByteArray("write-then-killed") << false << "";
}

void ConversionRunTest::convertedOnlyWhenTheConverterSucceededAndWrote() {
    QFETCH(QByteArray, behaviour);
    QFETCH(bool, oldOutput);
    QFETCH(QString, reason);
    const QString input = fx_->write(QStringLiteral("book.mobi"), behaviour);
    if (oldOutput)
        fx_->write(QStringLiteral("book.epub"), "an earlier result");
    fx_->add({input});

    fx_->press();

    QCOMPARE(fx_->dialogs().messages(),
             QStringList{doneWithFailures(QStringLiteral("\r\n") + input + reason)});
    if (oldOutput)
        QCOMPARE(readAll(fx_->files() + QStringLiteral("/book.epub")),
                 QByteArray("an earlier result"));
}

void ConversionRunTest::unwritableOutputIsAFailure_data() {
    QTest::addColumn<QString>("folderText");
    QTest::addColumn<QString>("blocker");
    QTest::addColumn<QString>("output");

    // Root may write anywhere; what stops it is a path that cannot be a file.
    QTest::newRow("folder is a regular file") << "plain.txt"
                                              << "plain.txt"
                                              << "plain.txt/book.epub";
    QTest::newRow("folder at the output path") << ""
                                               << "book.epub/inside"
                                               << "book.epub";
}

void ConversionRunTest::unwritableOutputIsAFailure() {
    QFETCH(QString, folderText);
    QFETCH(QString, blocker);
    QFETCH(QString, output);
    Form1& form = fx_->form();
    fx_->write(blocker, "in the way");
    const QString input = fx_->write(QStringLiteral("book.mobi"), "convert");
    fx_->add({input});
    // The folder text is checked once, at the start, and used as it stands
    // when each output path is formed.
    whenProgressShows([&](int) { form.setText1(fx_->files() + QLatin1Char('/') + folderText); });

    fx_->press();

    const QString outputPath = fx_->files() + QLatin1Char('/') + output;
    QCOMPARE(fx_->fakeCalls(), (QList<QStringList>{{input, outputPath}}));
    QCOMPARE(fx_->dialogs().messages(),
             QStringList{doneWithFailures(QStringLiteral("\r\n") + input +
                                          QStringLiteral(" Error: Error: could not write ") +
                                          outputPath)});
}

void ConversionRunTest::missingCalibreIsTheReason() {
    qputenv("PATH", "/nonexistent");
    const QString input = fx_->write(QStringLiteral("book.mobi"), "convert");
    fx_->add({input});

    fx_->press();

    QCOMPARE(fx_->dialogs().messages(),
             QStringList{doneWithFailures(
                 QStringLiteral("\r\n") + input +
                 QStringLiteral(" Error: Error: calibre's ebook-convert was not found. Please "
                                "install calibre (Debian package calibre)."))});
}

void ConversionRunTest::failedStepIsReportedAndTheRunGoesOn() {
    const QTemporaryDir programWithoutZipComponent;
    fx_ = std::make_unique<test::ConversionFixture>(programWithoutZipComponent.path());
    fx_->useFakeCalibre();
    const QString a = fx_->write(QStringLiteral("a.mobi"), "convert");
    const QString b = fx_->write(QStringLiteral("b.mobi"), "convert");
    fx_->add({a, b});

    fx_->press();
    fx_->press();

    // Without the converter every input fails, and writing its batch file into
    // the missing converter folder is reported once per input.
    const auto report = [](const char* description, int line) {
        return QLatin1String(description) +
               QStringLiteral("\r\nin Ferncastle2021/08/31.Form1.PushButton2_Click at line %1\r\r"
                              "Please email screenshot of this message to ")
                   .arg(line) +
               supportAddress;
    };
    const QStringList onePress{report("Error in loading DLL", 136), report("Path not found", 170),
                               report("Path not found", 170)};
    QCOMPARE(fx_->dialogs().errorReports(), onePress + onePress);
    QCOMPARE(
        fx_->dialogs().messages(),
        QStringList(2, doneWithFailures(QStringLiteral("\r\n") + a + QStringLiteral("\r\n") + b)));
    QVERIFY(fx_->fakeCalls().isEmpty());
    fx_->dialogs().forget();
}

QTEST_MAIN(ConversionRunTest)
#include "tst_conversionrun.moc"
