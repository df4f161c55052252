#include "dialogs.h"
#include "form1.h"
#include "listtexts.h"
#include "testenvironment.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using namespace quillbrook;

// Loads the shipped samples in the real window with the real message box.
class SamplesRealWindowTest : public QObject {
    Q_OBJECT

private slots:
    void samplesAreLoadedAndTheFolderIsNotOpenedOnNo();
};

void SamplesRealWindowTest::samplesAreLoadedAndTheFolderIsNotOpenedOnNo() {
    test::clearSettingsStore();
    const QString programFolder = test::builtProgramFolder();
    const QStringList shipped =
        QDir(programFolder + QStringLiteral("/Samples")).entryList(QDir::Files, QDir::Name);
    QVERIFY2(shipped.size() >= 3 && shipped.size() <= 5, qPrintable(shipped.join(", ")));

    QtDialogs dialogs;
    Form1 form({dialogs, programFolder, [] { return 1; }});
    dialogs.setOwner(&form);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    QString question;
    QString caption;
    QTimer answerNo;
    answerNo.setInterval(50);
    connect(&answerNo, &QTimer::timeout, this, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || !box->button(QMessageBox::No))
            return;
        answerNo.stop();
        question = box->text();
        caption = box->windowTitle();
        test::saveScreenshot(QStringLiteral("samples-question"));
        QTest::mouseClick(box->button(QMessageBox::No), Qt::LeftButton);
    });
    answerNo.start();
    QTest::mouseClick(form.PushButton7, Qt::LeftButton);

    QCOMPARE(question, QStringLiteral("Would you like this software to open the folder where "
                                      "these sample files are stored (so that you can view them "
                                      "before working with them)?"));
    QCOMPARE(caption, QStringLiteral("Quillbrook"));
    QStringList expected;
    for (const QString& name : shipped)
        expected.append(programFolder + QStringLiteral("/Samples/") + name);
    QCOMPARE(test::listTexts(*form.ListView1), expected);
    QTest::qWait(200);
    qInfo("screenshot: %s", qPrintable(test::saveScreenshot(QStringLiteral("samples-loaded"))));
}

QTEST_MAIN(SamplesRealWindowTest)
#include "tst_samples_realwindow.moc"
