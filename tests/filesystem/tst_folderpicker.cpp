#include "dialogs.h"
#include "folderpicker.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace quillbrook;

namespace {

const QString prompt = QStringLiteral("Please select folder:");

// What the open folder picker showed when the test answered it.
struct SeenPicker {
    QString title;
    QString label;
    QString directory;
    bool foldersOnly = false;
};

// Answers the folder picker once it is open: confirms the given folder, or
// cancels when it is empty.
void answerPickerWith(const QString& folder, SeenPicker& seen) {
    QTimer::singleShot(0, [folder, &seen] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        seen = {dialog->windowTitle(), dialog->labelText(QFileDialog::LookIn),
                dialog->directory().absolutePath(),
                dialog->fileMode() == QFileDialog::Directory &&
                    dialog->testOption(QFileDialog::ShowDirsOnly)};
        if (folder.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->setDirectory(folder);
        QMetaObject::invokeMethod(dialog, "accept");
    });
}

} // namespace

class FolderPickerTest : public QObject {
    Q_OBJECT

private slots:
    void confirmsOrCancels_data();
    void confirmsOrCancels();
};

void FolderPickerTest::confirmsOrCancels_data() {
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<bool>("startShown");
    QTest::newRow("confirm, starting folder selected") << "start"
                                                       << "chosen" << true;
    QTest::newRow("cancel") << "start"
                            << "" << true;
    QTest::newRow("empty starting folder") << ""
                                           << "chosen" << false;
    QTest::newRow("starting folder gone") << "gone"
                                          << "chosen" << false;
}

void FolderPickerTest::confirmsOrCancels() {
    QFETCH(QString, start);
    QFETCH(QString, chosen);
    QFETCH(bool, startShown);
    QTemporaryDir temp;
    QVERIFY(QDir(temp.path()).mkpath("start") && QDir(temp.path()).mkpath("chosen"));
    const auto inTemp = [&](const QString& name) {
        return name.isEmpty() ? QString() : temp.path() + '/' + name;
    };

    QtDialogs dialogs;
    SeenPicker seen;
    answerPickerWith(inTemp(chosen), seen);
    const QString result = PickFolder(dialogs, prompt, inTemp(start));

    QCOMPARE(result, inTemp(chosen));
    QCOMPARE(seen.title, prompt);
    QCOMPARE(seen.label, prompt);
    QVERIFY(seen.foldersOnly);
    QCOMPARE(seen.directory == inTemp(start), startShown);
}

QTEST_MAIN(FolderPickerTest)
#include "tst_folderpicker.moc"
