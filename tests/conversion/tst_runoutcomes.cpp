#include "failure.h"
#include "runoutcomes.h"

#include <QTest>

using namespace quillbrook;

using Outcomes = std::vector<InputOutcome>;
Q_DECLARE_METATYPE(Outcomes)

namespace {

const QString closing = QStringLiteral(
    "were not converted. It may be that they are too big in filesize. Please email "
    "support@quillbrook.example a screenshot of this error message if you have any questions.");
const QString renamedHeading =
    QStringLiteral("These files were saved under another name, because an earlier file of this "
                   "run has the same name:");
const QString damagedHeading = QStringLiteral(
    "These files were converted, but they look damaged, so their EPUB may be incomplete:");

InputOutcome converted(const QString& input, const QString& renamedTo = {},
                       const QString& damage = {}) {
    return {input, true, {}, renamedTo, damage};
}

InputOutcome failed(const QString& input, const QString& error, const QString& renamedTo = {},
                    const QString& damage = {}) {
    return {input, false, error, renamedTo, damage};
}

// Skipped because its EPUB was newer; a renamed output it was claimed under is not told.
InputOutcome skipped(const QString& input, const QString& renamedTo = {}) {
    InputOutcome outcome{input, false, {}, renamedTo, {}};
    outcome.skipped = true;
    return outcome;
}

} // namespace

// The final message and the reasons it lists, from the outcomes alone.
class RunOutcomesTest : public QObject {
    Q_OBJECT

private slots:
    void finalMessage_data();
    void finalMessage();
    void reasons_data();
    void reasons();
};

void RunOutcomesTest::finalMessage_data() {
    QTest::addColumn<Outcomes>("outcomes");
    QTest::addColumn<QString>("keptLogsFolder");
    QTest::addColumn<QString>("message");

    QTest::newRow("nothing to convert")
        << Outcomes{} << QString() << "Done.\r\n0 of 0 files were converted.";
    QTest::newRow("all converted") << Outcomes{converted("/a.mobi"), converted("/b.mobi")}
                                   << QString() << "Done.\r\n2 of 2 files were converted.";
    QTest::newRow("failures in list order")
        << Outcomes{failed("/b.mobi", " Error: late"), converted("/c.mobi"),
                    failed("/a.mobi", " Error: early")}
        << QString()
        << "Done.\r\n1 of 3 files were converted.\r\n\r\nThese files:\r\n\r\n/b.mobi Error: "
           "late\r\n/a.mobi Error: early\r\n\r\n" +
               closing;
    QTest::newRow("a failure without a reason")
        << Outcomes{failed("/a.mobi", {})} << QString()
        << "Done.\r\n0 of 1 files were converted.\r\n\r\nThese files:\r\n\r\n/a.mobi\r\n\r\n" +
               closing;
    QTest::newRow("failures with their logs kept")
        << Outcomes{failed("/a.mobi", " Error: bad"), converted("/b.mobi")}
        << "/state/quillbrook/logs/2024-05-01_14-03-22"
        << "Done.\r\n1 of 2 files were converted.\r\n\r\nThese files:\r\n\r\n/a.mobi Error: "
           "bad\r\n\r\n" +
               closing +
               "\r\n\r\nThe converter's full messages about these files are in: "
               "/state/quillbrook/logs/2024-05-01_14-03-22";
    QTest::newRow("renamed only") << Outcomes{converted("/x/book.mobi"),
                                              converted("/y/book.mobi", "book (2).epub")}
                                  << QString()
                                  << "Done.\r\n2 of 2 files were converted.\r\n\r\n" +
                                         renamedHeading + "\r\n/y/book.mobi -> book (2).epub";
    QTest::newRow("damaged only") << Outcomes{converted("/a.mobi", {}, "its text ends early")}
                                  << QString()
                                  << "Done.\r\n1 of 1 files were converted.\r\n\r\n" +
                                         damagedHeading + "\r\n/a.mobi (its text ends early)";
    // A failed input is named once, with its reason, whatever else it had.
    QTest::newRow("every section, in order")
        << Outcomes{converted("/d.mobi", {}, "bad index"),
                    failed("/f.mobi", " Error: no", "f (2).epub", "bad records"),
                    converted("/r.mobi", "r (2).epub", "short")}
        << QStringLiteral("/logs/run")
        << "Done.\r\n2 of 3 files were converted.\r\n\r\nThese files:\r\n\r\n/f.mobi Error: "
           "no\r\n\r\n" +
               closing +
               "\r\n\r\nThe converter's full messages about these files are in: /logs/run\r\n\r\n" +
               renamedHeading + "\r\n/r.mobi -> r (2).epub\r\n\r\n" + damagedHeading +
               "\r\n/d.mobi (bad index)\r\n/r.mobi (short)";
    QTest::newRow("skipped only, counted and never listed")
        << Outcomes{skipped("/a.mobi"), skipped("/b.mobi", "b (2).epub")} << QString()
        << "Done.\r\n0 of 2 files were converted.\r\n2 files were skipped, because their EPUB "
           "is newer than the book.";
    QTest::newRow("skipped right after Done., before the sections")
        << Outcomes{skipped("/s.mobi"), failed("/f.mobi", " Error: no"),
                    converted("/r.mobi", "r (2).epub")}
        << QString()
        << "Done.\r\n1 of 3 files were converted.\r\n1 files were skipped, because their EPUB "
           "is newer than the book.\r\n\r\n"
           "These files:\r\n\r\n/f.mobi Error: no\r\n\r\n" +
               closing + "\r\n\r\n" + renamedHeading + "\r\n/r.mobi -> r (2).epub";
}

void RunOutcomesTest::finalMessage() {
    QFETCH(Outcomes, outcomes);
    QFETCH(QString, keptLogsFolder);
    QFETCH(QString, message);
    QCOMPARE(quillbrook::finalMessage(outcomes, keptLogsFolder), message);
}

void RunOutcomesTest::reasons_data() {
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("expected");

    QTest::newRow("a sentence") << failureReason(QStringLiteral("the file is missing."))
                                << " Error: the file is missing.";
    QTest::newRow("a converter's line")
        << failureReason(QStringLiteral("Error: bad header")) << " Error: Error: bad header";
    QTest::newRow("a failure") << failureReason(Failure(PathFileAccessError,
                                                        QStringLiteral("the disk is full"), {}))
                               << " Error: the disk is full.";
    QTest::newRow("stopped") << stoppedByUserReason() << " Error: stopped by the user.";
    QTest::newRow("not started") << notStartedReason()
                                 << " Error: not converted, the run was stopped.";
    QTest::newRow("hung") << stalledReason(0.05)
                          << " Error: the converter wrote nothing for 0.05 minutes and was "
                             "stopped.";
}

void RunOutcomesTest::reasons() {
    QFETCH(QString, reason);
    QFETCH(QString, expected);
    QCOMPARE(reason, expected);
}

QTEST_MAIN(RunOutcomesTest)
#include "tst_runoutcomes.moc"
