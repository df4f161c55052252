#include "logreason.h"

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace quillbrook;

// The two lines a failure's reason comes from, read from converter logs of
// every shape, and one log too big to be read whole.
class LogReasonTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir folder_;

    QString writeLog(const QByteArray& content) {
        const QString path = folder_.filePath(QStringLiteral("debug-1.txt"));
        QFile log(path);
        if (!log.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            log.write(content) != content.size())
            qFatal("cannot write the log");
        return path;
    }

private slots:
    void linesOfALog_data();
    void linesOfALog();
    void aHugeLogWithAHugeLineIsReadInFull();
    void missingLogIsAFailure();
};

void LogReasonTest::linesOfALog_data() {
    QTest::addColumn<QByteArray>("log");
    QTest::addColumn<QString>("errorLine");
    QTest::addColumn<QString>("lastLine");
    const QByteArray longLine(3000, 'x');
    const QString cut = QString(longestReason, QLatin1Char('x')) + QStringLiteral("...");
    const QByteArray pastAChunk = QByteArray(70000, 'y') + "ERROR";

    QTest::newRow("empty") << QByteArray() << QString() << QString();
    QTest::newRow("only white space") << QByteArray(" \n\t\r\n  ") << QString() << QString();
    QTest::newRow("the last error line wins, without its spaces")
        << QByteArray("Starting\nerror one\n  ERROR: the last one  \nshutting down\n")
        << "ERROR: the last one"
        << "shutting down";
    QTest::newRow("no error: the last non-empty line, trimmed")
        << QByteArray("one\n\ttwo \n\n   \n") << QString() << "two";
    QTest::newRow("CR LF, CR and LF all end lines")
        << QByteArray("a\r\nAn Error here\rb\nlast\r\n") << "An Error here"
        << "last";
    QTest::newRow("CR at the end") << QByteArray("an error\r") << "an error"
                                   << "an error";
    QTest::newRow("error inside a word counts") << QByteArray("TypeError: x\nok") << "TypeError: x"
                                                << "ok";
    QTest::newRow("UTF-8") << QByteArray("Fehler: Datei „Ä“ error") << "Fehler: Datei „Ä“ error"
                           << "Fehler: Datei „Ä“ error";
    QTest::newRow("no UTF-8: Latin-1")
        << QByteArray("caf\xe9 error") << QString::fromLatin1("caf\xe9 error")
        << QString::fromLatin1("caf\xe9 error");
    QTest::newRow("UTF-8 with its mark") << QByteArray("\xef\xbb\xbfone error\ntwo") << "one error"
                                         << "two";
    QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    QTest::newRow("UTF-16 with its mark")
        << QByteArray(utf16(QStringLiteral("first\r\nan error: Ünïcødé\r\nlast\r\n")))
        << QString::fromUtf8("an error: Ünïcødé") << "last";
    QTest::newRow("a line of 1,000 characters is whole")
        << QByteArray(longestReason, 'e') << QString() << QString(longestReason, QLatin1Char('e'));
    QTest::newRow("a longer line is cut") << longLine + "\n" << QString() << cut;
    QTest::newRow("spaces after 1,000 characters cut nothing")
        << QByteArray(longestReason, 'x') + QByteArray(5000, ' ') + "\n"
        << QString() << QString(longestReason, QLatin1Char('x'));
    QTest::newRow("a long error line is cut")
        << QByteArray("error ") + longLine
        << QStringLiteral("error ") + cut.left(longestReason - 6) + "..."
        << QStringLiteral("error ") + cut.left(longestReason - 6) + "...";
    QTest::newRow("an error word past the first chunk of a line")
        << pastAChunk + "\nlast" << QString(longestReason, QLatin1Char('y')) + "..."
        << "last";
    QTest::newRow("an error word across two chunks")
        << QByteArray(65536 - 3, ' ') + "ERROR at the seam"
        << "ERROR at the seam"
        << "ERROR at the seam";
    // 4,005 bytes: the kept beginning of the line ends inside the last "ä".
    QTest::newRow("a line cut inside a character stays UTF-8")
        << QByteArray("\xc3\xa4").repeated(2001) + "a\xc3\xa4" << QString()
        << QString(longestReason, QChar(0xe4)) + "...";
}

void LogReasonTest::linesOfALog() {
    QFETCH(QByteArray, log);
    QFETCH(QString, errorLine);
    QFETCH(QString, lastLine);
    const LogReasonLines lines = reasonLinesOfLog(writeLog(log));
    QCOMPARE(lines.lastErrorLine, errorLine);
    QCOMPARE(lines.lastNonEmptyLine, lastLine);
}

// 50 MB of log: many ordinary lines, then one line of 20 MB that mentions an
// error at its very end, then a quiet last line.
void LogReasonTest::aHugeLogWithAHugeLineIsReadInFull() {
    const QString path = folder_.filePath(QStringLiteral("huge.txt"));
    QFile log(path);
    QVERIFY(log.open(QIODevice::WriteOnly));
    const QByteArray line = "INFO: converting chapter with no trouble at all, all is well\n";
    for (qint64 written = 0; written < 30'000'000; written += line.size())
        log.write(line);
    log.write(QByteArray(20'000'000, 'z'));
    log.write(" error\ndone.\n");
    log.close();

    const LogReasonLines lines = reasonLinesOfLog(path);

    QCOMPARE(lines.lastErrorLine, QString(longestReason, QLatin1Char('z')) + "...");
    QCOMPARE(lines.lastNonEmptyLine, QStringLiteral("done."));
}

void LogReasonTest::missingLogIsAFailure() {
    QVERIFY_THROWS_EXCEPTION(std::exception,
                             reasonLinesOfLog(folder_.filePath(QStringLiteral("none.txt"))));
}

QTEST_MAIN(LogReasonTest)
#include "tst_logreason.moc"
