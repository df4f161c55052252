#include "apptitle.h"
#include "desktopfolder.h"
#include "failure.h"
#include "form1.h"
#include "scripteddialogs.h"
#include "testenvironment.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <memory>

using namespace quillbrook;

namespace {
const QString startupTypeMismatch =
    QStringLiteral("Type mismatch\r\nin Ferncastle2021/08/31.Form1.Form_Load at line 134");
}

class StartupTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<Form1> start(int draw = 1) {
        return std::make_unique<Form1>(
            Form1Setup{dialogs_, programFolder_.path(), [draw] { return draw; }});
    }

    test::ScriptedDialogs dialogs_;
    QTemporaryDir programFolder_;

private slots:
    void init();
    void cleanup();

    void emptyStoreSelectsTheFirstOptionAndStoresTheDesktop();
    void storedOptions_data();
    void storedOptions();
    void storedEmptyFolderStartsEmpty();
    void storedFolderIsShown();
    void applicationTitle_data();
    void applicationTitle();
    void desktopFolder();
    void windowLayout();
    void controlGeometry_data();
    void controlGeometry();
    void webSiteOpensOnlyOnASeven_data();
    void webSiteOpensOnlyOnASeven();
    void handPointer();
    void optionClicksAndTypingAreStoredAtOnce();
    void libraryOptions_data();
    void libraryOptions();
    void closingEndsEveryOperation();
};

void StartupTest::init() {
    test::clearSettingsStore();
    dialogs_.forget();
}

void StartupTest::cleanup() {
    QCOMPARE(dialogs_.unusedAnswers(), QString());
}

void StartupTest::emptyStoreSelectsTheFirstOptionAndStoresTheDesktop() {
    const auto form = start();
    const QString desktop = GetDesktopFolder();
    QVERIFY(desktop.endsWith(QLatin1Char('/')));
    QCOMPARE(form->Text1->text(), desktop);
    QCOMPARE(test::storedSetting("Text1"), desktop);
    QVERIFY(form->Option1->isChecked());
    QVERIFY(!form->Option2->isChecked());
    QVERIFY(form->Frame3->isEnabled());
    QCOMPARE(test::storedSetting("Option1"), QStringLiteral("True"));
    QCOMPARE(test::storedSetting("Option2"), QStringLiteral("False"));
    QVERIFY(dialogs_.shown().isEmpty());
}

void StartupTest::storedOptions_data() {
    QTest::addColumn<QString>("option1");
    QTest::addColumn<QString>("option2");
    QTest::addColumn<bool>("selected1");
    QTest::addColumn<bool>("selected2");
    QTest::addColumn<QStringList>("reports");

    QTest::newRow("second option") << "False"
                                   << "True" << false << true << QStringList();
    QTest::newRow("neither") << "False"
                             << "False" << false << false << QStringList();
    QTest::newRow("one") << "1"
                         << "0" << true << false << QStringList();
    QTest::newRow("minus one") << "-1"
                               << "0" << true << false << QStringList();
    QTest::newRow("lower case true") << "true"
                                     << "false" << true << false << QStringList();
    QTest::newRow("upper case") << "FALSE"
                                << "TRUE" << false << true << QStringList();
    QTest::newRow("not a truth value")
        << "maybe"
        << "False" << true << false << QStringList{startupTypeMismatch};
    QTest::newRow("empty text") << ""
                                << "False" << true << false << QStringList{startupTypeMismatch};
}

void StartupTest::storedOptions() {
    QFETCH(QString, option1);
    QFETCH(QString, option2);
    QFETCH(bool, selected1);
    QFETCH(bool, selected2);
    QFETCH(QStringList, reports);
    test::storeSetting("Option1", option1);
    test::storeSetting("Option2", option2);

    const auto form = start();

    QCOMPARE(form->Option1->isChecked(), selected1);
    QCOMPARE(form->Option2->isChecked(), selected2);
    QCOMPARE(form->Frame3->isEnabled(), selected1);
    QCOMPARE(dialogs_.errorReports(), reports);
    // Start-up went on to the end: the caption of step 126 and the column of 128 are there.
    QCOMPARE(form->windowTitle(), QStringLiteral("Quillbrook"));
    QCOMPARE(form->ListView1->headerItem()->text(0), QStringLiteral("MOBI File(s)"));
}

void StartupTest::storedEmptyFolderStartsEmpty() {
    test::storeSetting("Text1", QString());
    const auto form = start();
    QCOMPARE(form->Text1->text(), QString());
    QCOMPARE(test::storedSetting("Text1"), QString(""));
}

void StartupTest::storedFolderIsShown() {
    test::storeSetting("Text1", "/srv/books/out/");
    const auto form = start();
    QCOMPARE(form->Text1->text(), QStringLiteral("/srv/books/out/"));
}

void StartupTest::applicationTitle_data() {
    QTest::addColumn<QString>("product");
    QTest::addColumn<QString>("title");
    QTest::newRow("one word") << "Quillbrook"
                              << "Quillbrook";
    QTest::newRow("two words") << "Quillbrook Converter"
                               << "Quillbrook";
    QTest::newRow("three words") << "Quillbrook MOBI Converter"
                                 << "Quillbrook MOBI";
    QTest::newRow("over forty") << "Quillbrook Batch Converter For Many Kinds Of Electronic Books"
                                << "Quillbrook Batch Converter For Many";
    QTest::newRow("forty after one cut") << "Quillbrook converts MOBI files into EPUB files"
                                         << "Quillbrook converts MOBI files into EPUB";
    QTest::newRow("forty-one after one cut") << "Quillbrook converts MOBI to EPUB in batch mode"
                                             << "Quillbrook converts MOBI to EPUB in";
    QTest::newRow("long single word")
        << QString(50, QLatin1Char('q')) << QString(50, QLatin1Char('q'));
}

void StartupTest::applicationTitle() {
    QFETCH(QString, product);
    QFETCH(QString, title);
    QCOMPARE(deriveApplicationTitle(product), title);
    QVERIFY(title.size() <= 40 || !title.contains(QLatin1Char(' ')));
}

void StartupTest::desktopFolder() {
    QCOMPARE(GetDesktopFolder([](int) { return QStringLiteral("/home/reader/Desktop"); }),
             QStringLiteral("/home/reader/Desktop/"));
    QCOMPARE(GetSpecialFolderPath(5), QString());
    try {
        GetDesktopFolder([](int) { return QString(); });
        QFAIL("an unnamed desktop must fail");
    } catch (const Failure& failure) {
        QCOMPARE(failure.number(), int(InvalidArgument));
    }
}

void StartupTest::windowLayout() {
    const auto form = start();
    QCOMPARE(form->windowTitle(), QStringLiteral("Quillbrook"));
    QCOMPARE(quillbrook::applicationTitle(), QStringLiteral("Quillbrook"));
    QCOMPARE(form->size(), QSize(536, 447));
    QCOMPARE(form->minimumSize(), form->maximumSize());
    QVERIFY(!(form->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(form->windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(form->windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!form->windowIcon().isNull());

    QCOMPARE(form->ListView1->header()->sectionSize(0), 487);
    QCOMPARE(form->ListView1->columnCount(), 1);
    QVERIFY(form->ListView1->toolTip().startsWith("Drag and drop files here. Double-click"));
    QCOMPARE(form->ProgressBar1->format(), QStringLiteral("Progress Bar"));
    QCOMPARE(form->Frame2->title(), QStringLiteral("Save Option"));
    QCOMPARE(form->Frame3->parentWidget(), form->Frame2);
    QCOMPARE(form->Text1->parentWidget(), form->Frame3);
    QCOMPARE(form->PushButton9->parentWidget(), form->Frame3);
    QCOMPARE(form->PushButton2->text(), QStringLiteral("Start Converting"));
    QCOMPARE(form->PushButton1->font().pointSizeF(), 11.25);
    QVERIFY(form->PushButton1->font().bold());
    QCOMPARE(form->Text1->font().pointSize(), 9);
    QVERIFY(form->Option1->font().bold());

    // The focus goes top to bottom, left to right; the bar and the frames take none.
    const QList<QWidget*> tabOrder{form->ListView1,      form->PushButton1,   form->PushButton4,
                                   form->PushButton6,    form->PushButton7,   form->Option1,
                                   form->KeepSubfolders, form->Text1,         form->PushButton9,
                                   form->Option2,        form->SkipConverted, form->PushButton2};
    for (const QWidget* unfocused :
         {static_cast<QWidget*>(form->ProgressBar1), static_cast<QWidget*>(form->Frame2),
          static_cast<QWidget*>(form->Frame3)})
        QCOMPARE(unfocused->focusPolicy(), Qt::NoFocus);
    QList<QWidget*> chain;
    for (QWidget* widget = tabOrder.constFirst(); chain.size() < tabOrder.size();
         widget = widget->nextInFocusChain())
        if (tabOrder.contains(widget))
            chain.append(widget);
    QCOMPARE(chain, tabOrder);
}

void StartupTest::controlGeometry_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("caption");
    // Twips of the design divided by 15.
    QTest::newRow("ListView1") << "ListView1" << QRect(8, 8, 520, 169) << "";
    QTest::newRow("ProgressBar1") << "ProgressBar1" << QRect(8, 412, 520, 27) << "";
    QTest::newRow("PushButton1") << "PushButton1" << QRect(8, 183, 256, 27) << "Add MOBI File(s)";
    QTest::newRow("PushButton4") << "PushButton4" << QRect(272, 183, 256, 27)
                                 << "Add All MOBI File(s) In Folder";
    QTest::newRow("PushButton2") << "PushButton2" << QRect(8, 377, 520, 27) << "Start Converting";
    QTest::newRow("PushButton6") << "PushButton6" << QRect(8, 217, 256, 27) << "Clear List";
    QTest::newRow("PushButton7") << "PushButton7" << QRect(272, 217, 256, 27)
                                 << "Load Sample/Example Files";
    QTest::newRow("Frame2") << "Frame2" << QRect(8, 247, 520, 121) << "";
    QTest::newRow("Option2") << "Option2" << QRect(16, 94, 241, 17)
                             << "Save results in folder of original file";
    QTest::newRow("Option1") << "Option1" << QRect(16, 20, 241, 17)
                             << "Save results to this folder:";
    QTest::newRow("Frame3") << "Frame3" << QRect(32, 34, 464, 54) << "";
    QTest::newRow("Text1") << "Text1" << QRect(16, 20, 385, 23) << "";
    QTest::newRow("PushButton9") << "PushButton9" << QRect(408, 20, 40, 23) << "...";
    // In the frame, to the right of the option row each belongs to.
    QTest::newRow("KeepSubfolders")
        << "KeepSubfolders" << QRect(272, 20, 240, 17) << "Keep sub-folders";
    QTest::newRow("SkipConverted")
        << "SkipConverted" << QRect(272, 94, 240, 17) << "Skip books already converted";
}

void StartupTest::controlGeometry() {
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, caption);
    const auto form = start();
    const auto* control = form->findChild<QWidget*>(name);
    QVERIFY(control);
    QCOMPARE(control->geometry(), geometry);
    if (const auto* button = qobject_cast<const QAbstractButton*>(control))
        QCOMPARE(button->text(), caption);
}

void StartupTest::webSiteOpensOnlyOnASeven_data() {
    QTest::addColumn<int>("draw");
    QTest::addColumn<bool>("opens");
    QTest::newRow("1") << 1 << false;
    QTest::newRow("6") << 6 << false;
    QTest::newRow("7") << 7 << true;
    QTest::newRow("100") << 100 << false;
}

void StartupTest::webSiteOpensOnlyOnASeven() {
    QFETCH(int, draw);
    QFETCH(bool, opens);
    const auto form = start(draw);
    const auto opened = dialogs_.shown(test::ShownDialog::Kind::OpenLocation);
    QCOMPARE(opened.size(), opens ? 1 : 0);
    if (opens)
        QCOMPARE(opened.constFirst().text, webAddress);
}

void StartupTest::handPointer() {
    QCOMPARE(start()->customPointer().shape(), Qt::ArrowCursor);

    QFile broken(programFolder_.filePath("HAND-M.CUR"));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("not a cursor");
    broken.close();
    const auto form = start();
    QCOMPARE(dialogs_.errorReports(),
             QStringList{"Path/File access error\r\nin Ferncastle2021/08/31.Form1.Form_Load at "
                         "line 104"});
    QCOMPARE(form->customPointer().shape(), Qt::ArrowCursor);
    QVERIFY(form->Frame3->isEnabled());
    dialogs_.forget();

    QPixmap hand(32, 32);
    hand.fill(Qt::blue);
    QVERIFY(hand.save(programFolder_.filePath("HAND-M.CUR"), "PNG"));
    QCOMPARE(start()->customPointer().shape(), Qt::BitmapCursor);
    QVERIFY(dialogs_.errorReports().isEmpty());
}

void StartupTest::optionClicksAndTypingAreStoredAtOnce() {
    const auto form = start();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));

    QTest::mouseClick(form->Option2, Qt::LeftButton);
    QVERIFY(form->Option2->isChecked());
    QVERIFY(!form->Frame3->isEnabled());
    QCOMPARE(test::storedSetting("Option1"), QStringLiteral("False"));
    QCOMPARE(test::storedSetting("Option2"), QStringLiteral("True"));

    QTest::mouseClick(form->Option1, Qt::LeftButton);
    QVERIFY(form->Frame3->isEnabled());
    QCOMPARE(test::storedSetting("Option1"), QStringLiteral("True"));

    form->Text1->clear();
    QTest::keyClicks(form->Text1, "/mn");
    QCOMPARE(test::storedSetting("Text1"), QStringLiteral("/mn"));
    QTest::keyClick(form->Text1, Qt::Key_Backspace);
    QCOMPARE(test::storedSetting("Text1"), QStringLiteral("/m"));

    form->setText1("/srv/out/");
    QCOMPARE(test::storedSetting("Text1"), QStringLiteral("/srv/out/"));
}

void StartupTest::libraryOptions_data() {
    QTest::addColumn<QString>("keep");
    QTest::addColumn<QString>("skip");
    QTest::newRow("nothing stored") << ""
                                    << "";
    QTest::newRow("both stored checked") << "True"
                                         << "True";
    QTest::newRow("one of each") << "False"
                                 << "True";
}

// Read at start-up, stored at each click and when the window closes; "Keep
// sub-folders" is offered only while results go to the chosen folder.
void StartupTest::libraryOptions() {
    QFETCH(QString, keep);
    QFETCH(QString, skip);
    if (!keep.isEmpty())
        test::storeSetting("KeepSubfolders", keep);
    if (!skip.isEmpty())
        test::storeSetting("SkipConverted", skip);
    auto form = start();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QCOMPARE(form->KeepSubfolders->isChecked(), keep == "True");
    QCOMPARE(form->SkipConverted->isChecked(), skip == "True");
    QVERIFY(form->KeepSubfolders->isEnabled());

    QTest::mouseClick(form->KeepSubfolders, Qt::LeftButton);
    QCOMPARE(test::storedSetting("KeepSubfolders"), keep == "True" ? "False" : "True");
    QTest::mouseClick(form->SkipConverted, Qt::LeftButton);
    QCOMPARE(test::storedSetting("SkipConverted"), skip == "True" ? "False" : "True");

    QTest::mouseClick(form->Option2, Qt::LeftButton);
    QVERIFY(!form->KeepSubfolders->isEnabled());
    QVERIFY(form->SkipConverted->isEnabled());
    QTest::mouseClick(form->Option1, Qt::LeftButton);
    QVERIFY(form->KeepSubfolders->isEnabled());

    form->KeepSubfolders->setChecked(true);
    form->SkipConverted->setChecked(false);
    form->close();
    QCOMPARE(test::storedSetting("KeepSubfolders"), QStringLiteral("True"));
    QCOMPARE(test::storedSetting("SkipConverted"), QStringLiteral("False"));
    form = start();
    QVERIFY(form->KeepSubfolders->isChecked());
    QVERIFY(!form->SkipConverted->isChecked());
}

void StartupTest::closingEndsEveryOperation() {
    const auto form = start();
    form->show();
    QStringList ran;
    HandledOperation op(form->dialogs(), form->lifetime(), locations::startConverting);
    op.step(142, [&] {
        form->close();
        ran << "142";
    });
    op.step(144, [&] { ran << "144"; });
    QCOMPARE(ran, QStringList{"142"});
    QVERIFY(form->lifetime().ended());
    QVERIFY(dialogs_.errorReports().isEmpty());
}

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
