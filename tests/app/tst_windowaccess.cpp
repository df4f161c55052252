#include "busystate.h"
#include "form1.h"
#include "inputlist.h"
#include "scripteddialogs.h"
#include "testenvironment.h"

#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QTreeWidget>
#include <cmath>
#include <memory>

using namespace quillbrook;

namespace {

// The declarations of one selector in a style sheet, later ones winning.
QMap<QString, QString> declarationsOf(const QString& sheet, const QString& selector) {
    QString text = sheet;
    text.remove(QRegularExpression(QStringLiteral("/\\*.*?\\*/"),
                                   QRegularExpression::DotMatchesEverythingOption));
    QMap<QString, QString> declarations;
    const QRegularExpression rule(QStringLiteral("([^{}]+)\\{([^{}]*)\\}"));
    for (const QRegularExpressionMatch& match : rule.globalMatch(text)) {
        const QStringList selectors = match.captured(1).split(QLatin1Char(','));
        if (std::none_of(selectors.begin(), selectors.end(),
                         [&](const QString& each) { return each.trimmed() == selector; }))
            continue;
        for (const QString& declaration : match.captured(2).split(QLatin1Char(';'))) {
            const qsizetype colon = declaration.indexOf(QLatin1Char(':'));
            if (colon > 0)
                declarations[declaration.left(colon).trimmed()] =
                    declaration.mid(colon + 1).simplified();
        }
    }
    return declarations;
}

QList<QColor> coloursIn(const QString& value) {
    QList<QColor> colours;
    for (const QRegularExpressionMatch& match :
         QRegularExpression(QStringLiteral("#[0-9a-fA-F]{6}")).globalMatch(value))
        colours.append(QColor(match.captured()));
    return colours;
}

// WCAG 2.1 relative luminance and contrast ratio.
double luminance(const QColor& colour) {
    const auto channel = [](double value) {
        return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
           0.0722 * channel(colour.blueF());
}

double contrast(const QColor& one, const QColor& other) {
    const double lighter = std::max(luminance(one), luminance(other));
    const double darker = std::min(luminance(one), luminance(other));
    return (lighter + 0.05) / (darker + 0.05);
}

QString accessibleText(QWidget* widget, QAccessible::Text kind) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible ? accessible->text(kind) : QStringLiteral("<no interface>");
}

} // namespace

// What the window offers a user without a mouse, or with a screen reader:
// the focus order, Return on buttons, a visible focus, names for every
// control, and buttons that show what a busy window refuses.
class WindowAccessTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void tabOrder_data();
    void tabOrder();
    void returnPressesTheFocusedButton_data();
    void returnPressesTheFocusedButton();
    void focusStandsOutFromItsSurroundings_data();
    void focusStandsOutFromItsSurroundings();
    void everyControlIsNamed();
    void progressTextIsTheDescription();
    void buttonsShowWhatTheBusyWindowRefuses_data();
    void buttonsShowWhatTheBusyWindowRefuses();

private:
    void startWindow();

    test::ScriptedDialogs dialogs_;
    std::unique_ptr<Form1> form_;
};

void WindowAccessTest::init() {
    test::clearSettingsStore();
    dialogs_.forget();
}

void WindowAccessTest::cleanup() {
    form_.reset();
    QCOMPARE(dialogs_.unusedAnswers(), QString());
    QVERIFY(dialogs_.shown().isEmpty());
}

void WindowAccessTest::startWindow() {
    form_ =
        std::make_unique<Form1>(Form1Setup{dialogs_, test::builtProgramFolder(), [] { return 1; }});
    form_->show();
    form_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
}

void WindowAccessTest::tabOrder_data() {
    QTest::addColumn<QString>("option1");
    QTest::addColumn<QString>("option2");
    QTest::addColumn<QStringList>("expected");
    const QStringList top{"ListView1", "PushButton1", "PushButton4", "PushButton6", "PushButton7"};
    QTest::newRow("results to the folder")
        << "True"
        << "False" << top + QStringList{"Option1",     "KeepSubfolders", "Text1",
                                        "PushButton9", "SkipConverted",  "PushButton2"};
    // "Keep sub-folders" is offered only with the folder.
    QTest::newRow("results beside the books")
        << "False"
        << "True" << top + QStringList{"Option2", "SkipConverted", "PushButton2"};
    QTest::newRow("no option selected")
        << "False"
        << "False" << top + QStringList{"Option1", "SkipConverted", "PushButton2"};
}

// From the list, Tab visits every control that takes the focus, top to
// bottom and left to right, and comes back to the list.
void WindowAccessTest::tabOrder() {
    QFETCH(QString, option1);
    QFETCH(QString, option2);
    QFETCH(QStringList, expected);
    test::storeSetting("Option1", option1);
    test::storeSetting("Option2", option2);
    startWindow();

    form_->ListView1->setFocus(Qt::TabFocusReason);
    QStringList visited{QApplication::focusWidget()->objectName()};
    for (int presses = 0; presses < 2 * expected.size(); ++presses) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        if (QApplication::focusWidget() == form_->ListView1)
            break;
        visited.append(QApplication::focusWidget()->objectName());
    }
    QCOMPARE(visited, expected);
}

void WindowAccessTest::returnPressesTheFocusedButton_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<bool>("pressed");
    QTest::newRow("Return") << int(Qt::Key_Return) << Qt::KeyboardModifiers() << true;
    QTest::newRow("Enter on the keypad")
        << int(Qt::Key_Enter) << Qt::KeyboardModifiers(Qt::KeypadModifier) << true;
    QTest::newRow("Space, as before") << int(Qt::Key_Space) << Qt::KeyboardModifiers() << true;
    QTest::newRow("Ctrl+Return is no press")
        << int(Qt::Key_Return) << Qt::KeyboardModifiers(Qt::ControlModifier) << false;
}

void WindowAccessTest::returnPressesTheFocusedButton() {
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(bool, pressed);
    startWindow();
    inputlist::append(*form_->ListView1, "/books/a.mobi");

    form_->PushButton6->setFocus(Qt::TabFocusReason);
    QTest::keyClick(form_->PushButton6, Qt::Key(key), modifiers);

    QCOMPARE(inputlist::count(*form_->ListView1), pressed ? 0 : 1);
}

void WindowAccessTest::focusStandsOutFromItsSurroundings_data() {
    QTest::addColumn<QString>("focusSelector");
    // The selectors whose background colours touch the focus ring; "window"
    // for the window's own background, which the skin leaves to the system.
    QTest::addColumn<QStringList>("surroundings");
    QTest::newRow("push button") << "QPushButton:focus"
                                 << QStringList{"window", "QPushButton:focus"};
    QTest::newRow("list") << "QTreeWidget:focus"
                          << QStringList{"window", "QTreeWidget", "QHeaderView::section"};
    QTest::newRow("text field") << "QLineEdit:focus" << QStringList{"window", "QLineEdit"};
}

// The focus ring's contrast with every colour beside it is at least 3:1.
void WindowAccessTest::focusStandsOutFromItsSurroundings() {
    QFETCH(QString, focusSelector);
    QFETCH(QStringList, surroundings);
    startWindow();
    QFile skinFile(test::builtProgramFolder() + "/x/o.cjs");
    QVERIFY(skinFile.open(QIODevice::ReadOnly));
    const QString skin = QString::fromUtf8(skinFile.readAll());
    const QList<QColor> ring = coloursIn(declarationsOf(skin, focusSelector).value("border"));
    QCOMPARE(ring.size(), 1);
    QVERIFY(declarationsOf(skin, focusSelector).value("border").startsWith("2px"));

    for (const QString& surrounding : surroundings) {
        const QList<QColor> colours =
            surrounding == "window"
                ? QList<QColor>{form_->palette().color(form_->backgroundRole()),
                                form_->Frame3->palette().color(form_->Frame3->backgroundRole())}
                : coloursIn(declarationsOf(skin, surrounding).value("background-color"));
        QVERIFY2(!colours.isEmpty(), qPrintable(surrounding));
        for (const QColor& colour : colours)
            QVERIFY2(contrast(ring.constFirst(), colour) >= 3.0,
                     qPrintable(QStringLiteral("%1 against %2 (%3): %4")
                                    .arg(ring.constFirst().name(), colour.name(), surrounding)
                                    .arg(contrast(ring.constFirst(), colour))));
    }
}

void WindowAccessTest::everyControlIsNamed() {
    startWindow();
    const QMap<QString, QString> expected{
        {"ListView1", "Books to convert"},
        {"ProgressBar1", "Conversion progress"},
        {"PushButton1", "Add MOBI File(s)"},
        {"PushButton4", "Add All MOBI File(s) In Folder"},
        {"PushButton2", "Start Converting"},
        {"PushButton6", "Clear List"},
        {"PushButton7", "Load Sample/Example Files"},
        {"Frame2", "Save Option"},
        {"Option1", "Save results to this folder:"},
        {"Option2", "Save results in folder of original file"},
        {"Frame3", "Output folder"},
        {"Text1", "Output folder"},
        {"PushButton9", "Choose output folder"},
        {"KeepSubfolders", "Keep sub-folders"},
        {"SkipConverted", "Skip books already converted"},
    };
    for (auto each = expected.begin(); each != expected.end(); ++each) {
        QWidget* control = form_->findChild<QWidget*>(each.key());
        QVERIFY2(control, qPrintable(each.key()));
        QCOMPARE(accessibleText(control, QAccessible::Name), each.value());
    }
    const QString listDescription = accessibleText(form_->ListView1, QAccessible::Description);
    QVERIFY2(listDescription.startsWith(form_->ListView1->toolTip()) &&
                 listDescription.contains("Ctrl+Up"),
             qPrintable(listDescription));
    QVERIFY(!accessibleText(form_->Text1, QAccessible::Description).isEmpty());
}

void WindowAccessTest::progressTextIsTheDescription() {
    startWindow();
    QCOMPARE(accessibleText(form_->ProgressBar1, QAccessible::Description), "Progress Bar");
    form_->ProgressBar1->setValue(50);
    form_->ProgressBar1->setFormat("Processing: a.mobi");
    QCOMPARE(accessibleText(form_->ProgressBar1, QAccessible::Description), "Processing: a.mobi");
    QAccessibleValueInterface* value =
        QAccessible::queryAccessibleInterface(form_->ProgressBar1)->valueInterface();
    QVERIFY(value);
    QCOMPARE(value->currentValue().toInt(), 50);
    QCOMPARE(value->maximumValue().toInt(), 100);
}

void WindowAccessTest::buttonsShowWhatTheBusyWindowRefuses_data() {
    QTest::addColumn<QList<BusyWork>>("works");
    QTest::addColumn<QString>("caption");
    QTest::newRow("a conversion run")
        << QList<BusyWork>{BusyWork::conversionRun} << "Stop Converting";
    QTest::newRow("a folder add") << QList<BusyWork>{BusyWork::folderAdd} << "Start Converting";
    QTest::newRow("a folder add during a run")
        << QList<BusyWork>{BusyWork::conversionRun, BusyWork::folderAdd} << "Stop Converting";
}

void WindowAccessTest::buttonsShowWhatTheBusyWindowRefuses() {
    QFETCH(QList<BusyWork>, works);
    QFETCH(QString, caption);
    startWindow();
    for (const BusyWork work : works)
        beginBusy(*form_, work);
    QCOMPARE(form_->PushButton2->text(), caption);
    QVERIFY(!form_->PushButton6->isEnabled());
    for (const BusyWork work : works)
        endBusy(*form_, work);
    QCOMPARE(form_->PushButton2->text(), QStringLiteral("Start Converting"));
    QVERIFY(form_->PushButton6->isEnabled());
}

QTEST_MAIN(WindowAccessTest)
#include "tst_windowaccess.moc"
