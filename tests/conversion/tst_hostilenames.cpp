#include "conversionfixture.h"

#include <QDir>
#include <QFile>
#include <QRadioButton>
#include <QTest>

using namespace quillbrook;

// File names are data, never shell text: each input reaches the converter
// exactly as named, and nothing in a name runs.
class HostileNamesTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::ConversionFixture> fx_;

private slots:
    void init();
    void cleanup();
    void nameReachesTheConverterIntact_data();
    void nameReachesTheConverterIntact();
};

void HostileNamesTest::init() {
    fx_ = std::make_unique<test::ConversionFixture>();
    fx_->useFakeCalibre();
    fx_->form().Option2->click();
}

void HostileNamesTest::cleanup() {
    const auto fx = std::move(fx_);
    QCOMPARE(fx->dialogs().errorReports(), QStringList());
    QCOMPARE(fx->leftInTemporaryFolder(), QStringList());
}

void HostileNamesTest::nameReachesTheConverterIntact_data() {
    QTest::addColumn<QString>("stem");
    QTest::addColumn<bool>("fails");

    const QList<std::pair<const char*, QString>> names{
        {"single quote", QStringLiteral("it's")},
        {"double quote", QStringLiteral("say \"hi\"")},
        {"command substitution", QStringLiteral("$(touch pwned)")},
        {"backquote", QStringLiteral("`touch pwned`")},
        {"backslash", QStringLiteral("back\\slash\\'")},
        {"newline", QStringLiteral("two\nlines")},
        {"leading dash", QStringLiteral("-o")},
        {"semicolon and ampersand", QStringLiteral("a; touch pwned & b")},
        {"non-ASCII letters", QStringLiteral("Ünïcødé Straße 書")},
        {"200 characters", QString(195, QLatin1Char('x'))},
    };
    for (const auto& [row, stem] : names) {
        QTest::addRow("%s converts", row) << stem << false;
        QTest::addRow("%s fails", row) << stem << true;
    }
}

void HostileNamesTest::nameReachesTheConverterIntact() {
    QFETCH(QString, stem);
    QFETCH(bool, fails);
    const QString input = fx_->write(QStringLiteral("in/") + stem + QStringLiteral(".mobi"),
                                     fails ? "fail\nError: " + stem.toUtf8() : "convert");
    const QString output = fx_->files() + QStringLiteral("/in/") + stem + QStringLiteral(".epub");
    fx_->add({input});

    fx_->press();

    QCOMPARE(fx_->fakeCalls(), (QList<QStringList>{{input, fx_->stagedFor(1)}}));
    QCOMPARE(QFile::exists(output), !fails);
    // A line break in the name splits the logged line: its first part is the reason.
    const QString reason =
        QStringLiteral(" Error: Error: ") + stem.section(QLatin1Char('\n'), 0, 0);
    const QString kept = fx_->keptLogs();
    const QString expected =
        fails ? test::doneWithFailures(QStringLiteral("\r\n") + input + reason, 0, kept)
              : test::doneAllConverted(1);
    QCOMPARE(fx_->dialogs().messages(), QStringList{expected});
    for (const QString& folder : {fx_->files(), fx_->files() + QStringLiteral("/in"),
                                  test::builtProgramFolder(), QDir::currentPath()})
        QVERIFY2(!QFile::exists(folder + QStringLiteral("/pwned")), qPrintable(folder));
    // The kept log is named after the book, whatever its name holds.
    QCOMPARE(kept.isEmpty(), !fails);
    if (fails)
        QCOMPARE(QDir(kept).entryList(QDir::Files),
                 QStringList{stem + QStringLiteral(".mobi.log")});
}

QTEST_MAIN(HostileNamesTest)
#include "tst_hostilenames.moc"
