#include "busystate.h"
#include "failure.h"
#include "form1.h"
#include "inputlist.h"
#include "listtexts.h"
#include "scripteddialogs.h"
#include "testenvironment.h"

#include <QImage>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <memory>

using namespace quillbrook;

namespace {

const QString tooManyFiles = QStringLiteral(
    "You've selected too many files to add.\r\rPlease try adding via the \"Add All\" button.");

// Paths in one folder whose selection the Windows dialog returned as a string
// of exactly the given length: the folder, then each name after a separator.
QStringList selectionOfLength(const QString& folder, qsizetype length) {
    const QString prefix = folder == QStringLiteral("/") ? folder : folder + QLatin1Char('/');
    QStringList paths;
    qsizetype left = length - folder.size();
    while (left > 0) {
        const qsizetype nameLength = qMin<qsizetype>(99, left - 1);
        const QString number = QString::number(paths.size());
        paths.append(prefix + number + QString(nameLength - number.size(), QLatin1Char('x')));
        left -= nameLength + 1;
    }
    return paths;
}

} // namespace

class ListCommandsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<Form1> start() {
        auto form =
            std::make_unique<Form1>(Form1Setup{dialogs_, programFolder_.path(), [] { return 1; }});
        dialogs_.forget();
        return form;
    }

    test::ScriptedDialogs dialogs_;
    QTemporaryDir programFolder_;

private slots:
    void init();
    void cleanup();

    void addFiles_data();
    void addFiles();
    void addingTheSameFileTwiceListsItTwice();
    void selectionLimit_data();
    void selectionLimit();
    void dialogFailureIsReported();
    void clearList_data();
    void clearList();
    void isInListIsExactAndCaseSensitive();
    void gesturesAreFittedToTheList();
};

void ListCommandsTest::init() {
    test::clearSettingsStore();
    dialogs_.forget();
}

void ListCommandsTest::cleanup() {
    QCOMPARE(dialogs_.unusedAnswers(), QString());
}

void ListCommandsTest::addFiles_data() {
    QTest::addColumn<QStringList>("chosen");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("one file") << QStringList{"/books/a.mobi"} << QStringList{"/books/a.mobi"};
    QTest::newRow("one file is added unchanged")
        << QStringList{"/books//a.mobi"} << QStringList{"/books//a.mobi"};
    QTest::newRow("several files in the dialog's order")
        << QStringList{"/books/b.mobi", "/books/a.mobi", "/books/c.mobi"}
        << QStringList{"/books/b.mobi", "/books/a.mobi", "/books/c.mobi"};
    QTest::newRow("several files are cleaned") << QStringList{"/books//a.mobi", "//books//b.mobi"}
                                               << QStringList{"/books/a.mobi", "/books/b.mobi"};
    QTest::newRow("several files in the root folder")
        << QStringList{"/a.mobi", "/b.mobi"} << QStringList{"/a.mobi", "/b.mobi"};
    QTest::newRow("letters beyond ASCII")
        << QStringList{"/bücher/Éléphant ü.mobi", "/bücher/ß.mobi"}
        << QStringList{"/bücher/Éléphant ü.mobi", "/bücher/ß.mobi"};
    QTest::newRow("cancel") << QStringList{} << QStringList{};
}

void ListCommandsTest::addFiles() {
    QFETCH(QStringList, chosen);
    QFETCH(QStringList, expected);
    const auto form = start();
    dialogs_.answerOpenFiles(chosen);
    form->PushButton1->click();
    QCOMPARE(test::listTexts(*form->ListView1), expected);
    const QList<test::ShownDialog> shown = dialogs_.shown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.constFirst().kind, test::ShownDialog::Kind::OpenFiles);
    QCOMPARE(shown.constFirst().title,
             QStringLiteral("Add File(s) - Hold Ctrl to select multiple files"));
    QCOMPARE(shown.constFirst().detail,
             QStringLiteral("MOBI (*.mobi);;Kindle books (*.mobi *.azw *.azw3 *.prc)|"));
}

void ListCommandsTest::addingTheSameFileTwiceListsItTwice() {
    const auto form = start();
    dialogs_.answerOpenFiles({"/books/a.mobi"});
    dialogs_.answerOpenFiles({"/books/a.mobi", "/books/b.mobi"});
    form->PushButton1->click();
    form->PushButton1->click();
    QCOMPARE(test::listTexts(*form->ListView1),
             QStringList({"/books/a.mobi", "/books/a.mobi", "/books/b.mobi"}));
}

void ListCommandsTest::selectionLimit_data() {
    QTest::addColumn<QStringList>("chosen");
    QTest::addColumn<bool>("added");

    QTest::newRow("30,000 characters") << selectionOfLength("/books", 30000) << true;
    QTest::newRow("30,001 characters") << selectionOfLength("/books", 30001) << false;
    QTest::newRow("30,000 in the root folder") << selectionOfLength("/", 30000) << true;
    QTest::newRow("30,001 in the root folder") << selectionOfLength("/", 30001) << false;
    QTest::newRow("one path of 30,001 characters")
        << QStringList{QLatin1Char('/') + QString(30000, QLatin1Char('x'))} << false;
}

void ListCommandsTest::selectionLimit() {
    QFETCH(QStringList, chosen);
    QFETCH(bool, added);
    const auto form = start();
    inputlist::append(*form->ListView1, QStringLiteral("/before.mobi"));
    dialogs_.answerOpenFiles(chosen);
    form->PushButton1->click();
    QCOMPARE(inputlist::count(*form->ListView1), added ? 1 + chosen.size() : 1);
    QCOMPARE(dialogs_.errorReports(), QStringList());
    QCOMPARE(dialogs_.messages(), added ? QStringList() : QStringList{tooManyFiles});
    if (!added) {
        const test::ShownDialog message = dialogs_.shown(test::ShownDialog::Kind::Message).first();
        QCOMPARE(message.title, QString());
        QCOMPARE(message.buttons, Dialogs::Buttons::Ok);
        QCOMPARE(message.icon, Dialogs::Icon::None);
    }
}

void ListCommandsTest::dialogFailureIsReported() {
    const auto form = start();
    dialogs_.failNext(BufferTooSmall);
    form->PushButton1->click();
    QCOMPARE(dialogs_.messages(), QStringList{tooManyFiles});
    QCOMPARE(dialogs_.errorReports(), QStringList());

    dialogs_.failNext(InvalidArgument);
    form->PushButton1->click();
    QCOMPARE(dialogs_.errorReports().size(), 1);
    QVERIFY(dialogs_.errorReports().constFirst().startsWith(
        QStringLiteral("Invalid procedure call or argument\r\nin Ferncastle2021/08/31.Form1."
                       "PushButton1_Click at line 112\r\rPlease email")));
    QCOMPARE(inputlist::count(*form->ListView1), 0);
}

void ListCommandsTest::clearList_data() {
    QTest::addColumn<bool>("busy");
    QTest::addColumn<int>("left");
    QTest::newRow("idle") << false << 0;
    QTest::newRow("busy") << true << 3;
}

void ListCommandsTest::clearList() {
    QFETCH(bool, busy);
    QFETCH(int, left);
    const auto form = start();
    for (const char* path : {"/a.mobi", "/b.mobi", "/a.mobi"})
        inputlist::append(*form->ListView1, QLatin1String(path));
    if (busy)
        showWaitPointer(*form);
    form->PushButton6->click();
    QCOMPARE(inputlist::count(*form->ListView1), left);
    form->PushButton6->click();
    QCOMPARE(inputlist::count(*form->ListView1), left);
    QVERIFY(dialogs_.shown().isEmpty());
}

void ListCommandsTest::isInListIsExactAndCaseSensitive() {
    const auto form = start();
    QTreeWidget& list = *form->ListView1;
    QVERIFY(!IsInList(list, QStringLiteral("/books/a.mobi")));
    for (const char* path : {"/books/a.mobi", "/books/B.mobi", "/books/a.mobi"})
        inputlist::append(list, QString::fromUtf8(path));
    QVERIFY(IsInList(list, QStringLiteral("/books/a.mobi")));
    QVERIFY(IsInList(list, QStringLiteral("/books/B.mobi")));
    QVERIFY(!IsInList(list, QStringLiteral("/books/A.mobi")));
    QVERIFY(!IsInList(list, QStringLiteral("/books/b.mobi")));
    QVERIFY(!IsInList(list, QStringLiteral("/books/a.mob")));
    QVERIFY(!IsInList(list, QStringLiteral("/books/a.mobi ")));
    QVERIFY(!IsInList(list, QString()));
    QCOMPARE(inputlist::count(list), 3);
    QCOMPARE(inputlist::itemText(list, 2), QStringLiteral("/books/B.mobi"));
    QVERIFY_THROWS_EXCEPTION(Failure, inputlist::itemText(list, 4));
    QVERIFY_THROWS_EXCEPTION(Failure, inputlist::itemText(list, 0));
}

void ListCommandsTest::gesturesAreFittedToTheList() {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(programFolder_.filePath(QStringLiteral("drag.ico")), "ICO"));
    const auto form = start();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QTreeWidget& list = *form->ListView1;
    for (const char* path : {"/a.mobi", "/b.mobi", "/c.mobi"})
        inputlist::append(list, QLatin1String(path));
    const auto centreOf = [&](int row) {
        return list.visualItemRect(list.topLevelItem(row)).center();
    };

    QTest::mousePress(list.viewport(), Qt::LeftButton, {}, centreOf(0));
    QCOMPARE(list.cursor().pixmap().size(), QSize(16, 16));
    QTest::mouseMove(list.viewport(), centreOf(1));
    QTest::mouseRelease(list.viewport(), Qt::LeftButton, {}, centreOf(1));
    QCOMPARE(test::listTexts(list), QStringList({"/b.mobi", "/a.mobi", "/c.mobi"}));
    QCOMPARE(list.cursor().shape(), Qt::ArrowCursor);

    QTest::keyClick(&list, Qt::Key_Delete);
    QCOMPARE(test::listTexts(list), QStringList({"/b.mobi", "/c.mobi"}));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, centreOf(1));
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, centreOf(1));
    QCOMPARE(test::listTexts(list), QStringList({"/b.mobi"}));
}

QTEST_MAIN(ListCommandsTest)
#include "tst_listcommands.moc"
