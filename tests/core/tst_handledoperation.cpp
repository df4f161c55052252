#include "apptitle.h"
#include "failure.h"
#include "handledoperation.h"
#include "scripteddialogs.h"

#include <QTest>

using namespace quillbrook;

class HandledOperationTest : public QObject {
    Q_OBJECT

private slots:
    void composesTheReport_data();
    void composesTheReport();
    void failedStepGoesOnWithTheNext();
    void failedTestGoesIntoWhatItGuards();
    void failedTestOfAnExitGoesOnAfterIt();
    void loopGoesOnAfterAFailedPass();
    void keepsWhatAFailedStepWouldHaveSet();
    void passedFailureIsNotReported();
    void noStepRunsOnceTheProgramHasEnded();
};

void HandledOperationTest::composesTheReport_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<OperationLocation>("location");
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("expected");

    QTest::newRow("start-up") << int(TypeMismatch) << locations::formLoad << 134
                              << QStringLiteral("Type mismatch\r\nin Ferncastle2021/08/31.Form1."
                                                "Form_Load at line 134");
    QTest::newRow("output folder") << int(FileNotFound) << locations::chooseOutputFolder << 104
                                   << (QStringLiteral("File not found\r\nin Ferncastle2021/08/31."
                                                      "Form1.PushButton9_Click at line 104\r\r"
                                                      "Please email screenshot of this message "
                                                      "to ") +
                                       supportAddress);
    QTest::newRow("folder scan") << int(PathNotFound) << locations::folderScan << 100
                                 << (QStringLiteral("Path not found\r\nin Marrowgate2021/08/31."
                                                    "AddFolder.GetSubDirectories2016 at line 100"
                                                    "\r\rPlease email screenshot of this message "
                                                    "to ") +
                                     supportAddress);
}

void HandledOperationTest::composesTheReport() {
    QFETCH(int, number);
    QFETCH(OperationLocation, location);
    QFETCH(int, step);
    QFETCH(QString, expected);
    test::ScriptedDialogs dialogs;
    ProgramLifetime lifetime;
    HandledOperation op(dialogs, lifetime, location);
    QVERIFY(!op.step(step, [&] { throw Failure(number); }));
    QCOMPARE(dialogs.errorReports(), QStringList{expected});
    QCOMPARE(dialogs.shown().constFirst().title, QStringLiteral("Application Error"));
    QCOMPARE(dialogs.shown().constFirst().icon, Dialogs::Icon::Exclamation);
}

void HandledOperationTest::failedStepGoesOnWithTheNext() {
    test::ScriptedDialogs dialogs;
    ProgramLifetime lifetime;
    HandledOperation op(dialogs, lifetime, locations::clearList);
    QStringList ran;
    op.step(100, [&] { throw Failure(InvalidArgument); });
    op.step(102, [&] { ran << "102"; });
    QCOMPARE(ran, QStringList{"102"});
    QCOMPARE(dialogs.errorReports().size(), 1);
    QVERIFY(dialogs.errorReports().constFirst().contains("at line 100\r\r"));
}

void HandledOperationTest::failedTestGoesIntoWhatItGuards() {
    test::ScriptedDialogs dialogs;
    ProgramLifetime lifetime;
    HandledOperation op(dialogs, lifetime, locations::formLoad);
    QStringList ran;
    if (op.when(138, [&]() -> bool { throw Failure(TypeMismatch); }))
        op.step(140, [&] { ran << "140"; });
    else
        op.step(142, [&] { ran << "142"; });
    QCOMPARE(ran, QStringList{"140"});
    QVERIFY(op.when(104, [] { return true; }));
    QVERIFY(!op.when(104, [] { return false; }));
}

void HandledOperationTest::failedTestOfAnExitGoesOnAfterIt() {
    test::ScriptedDialogs dialogs;
    ProgramLifetime lifetime;
    HandledOperation op(dialogs, lifetime, locations::chooseOutputFolder);
    QVERIFY(!op.exitIf(102, []() -> bool { throw Failure(InvalidArgument); }));
    QVERIFY(op.exitIf(102, [] { return true; }));
    QVERIFY(!op.exitIf(102, [] { return false; }));
    QCOMPARE(dialogs.errorReports().size(), 1);
}

void HandledOperationTest::loopGoesOnAfterAFailedPass() {
    test::ScriptedDialogs dialogs;
    ProgramLifetime lifetime;
    HandledOperation op(dialogs, lifetime, locations::addFiles);
    QStringList appended;
    for (const QString part : {"a", "b", "c"}) {
        op.step(140, [&] {
            if (part != QLatin1String("b"))
                throw Failure(PermissionDenied);
            appended << part;
        });
    }
    QCOMPARE(appended, QStringList{"b"});
    QCOMPARE(dialogs.errorReports().size(), 2);
}

void HandledOperationTest::keepsWhatAFailedStepWouldHaveSet() {
    test::ScriptedDialogs dialogs;
    ProgramLifetime lifetime;
    HandledOperation op(dialogs, lifetime, locations::startConverting);
    QString errorText = QStringLiteral("before");
    op.step(180, [&] {
        const QString line = QStringLiteral(" Error: x");
        throw Failure(FileNotFound);
        errorText = line;
    });
    QCOMPARE(errorText, QStringLiteral("before"));
}

void HandledOperationTest::passedFailureIsNotReported() {
    test::ScriptedDialogs dialogs;
    ProgramLifetime lifetime;
    HandledOperation op(dialogs, lifetime, locations::addFiles);
    bool passedOn = false;
    try {
        op.stepPassing(112, BufferTooSmall, [] { throw Failure(BufferTooSmall); });
    } catch (const Failure& failure) {
        passedOn = failure.number() == BufferTooSmall;
    }
    QVERIFY(passedOn);
    QVERIFY(dialogs.errorReports().isEmpty());
    QVERIFY(!op.stepPassing(112, BufferTooSmall, [] { throw Failure(FileNotFound); }));
    QCOMPARE(dialogs.errorReports().size(), 1);
}

void HandledOperationTest::noStepRunsOnceTheProgramHasEnded() {
    test::ScriptedDialogs dialogs;
    ProgramLifetime lifetime;
    HandledOperation op(dialogs, lifetime, locations::startConverting);
    QStringList ran;
    op.step(142, [&] { lifetime.end(); });
    op.step(144, [&] { ran << "144"; });
    QVERIFY(!op.when(154, [&] {
        ran << "154";
        return true;
    }));
    QVERIFY(op.exitIf(100, [] { return false; }));
    QVERIFY(ran.isEmpty());
    QVERIFY(op.abandoned());
}

QTEST_MAIN(HandledOperationTest)
#include "tst_handledoperation.moc"
