#include "apptitle.h"
#include "busystate.h"
#include "failure.h"
#include "filedrop.h"
#include "filetree.h"
#include "listfixture.h"
#include "testenvironment.h"

#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

using namespace quillbrook;

namespace {

const QString extensionPrompt =
    QStringLiteral("Enter file extension to load:\r\r(* for all files, txt for all txt files, doc "
                   "for all doc files, etc.)");

// A tree with every kind of name and attribute the command tells apart.
const QStringList tree{"F/a.mobi",   "F/B.MOBI",     "F/~draft.mobi",  "F/draft~.mobi",
                       "F/c.epub",   "F/notes.txt",  "F/.hidden.mobi", "F/.readonly.mobi",
                       "F/x/d.mobi", "F/y/z/e.mobi", "F/y/z/f.txt"};

} // namespace

class AddFolderTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void addsTheMatchingFilesOfTheTree_data();
    void addsTheMatchingFilesOfTheTree();
    void remembersExtensionAndFolder_data();
    void remembersExtensionAndFolder();
    void addsAFolderChosenTwiceTwice();
    void itemsRememberTheFolderTheyCameWith();
    void staysLiveAndBusyWhileAdding();
    void listingRefusesAnotherAddARunAndRemovals();
    void addsFoldersNamedInAnyScript();
    void addsNothingFromAFolderThatRefusesAccess();
    void reportsAFailedStepAndGoesOn_data();
    void reportsAFailedStepAndGoesOn();

private:
    void clickAddFolder() { fixture_->form->PushButton4->click(); }

    std::unique_ptr<test::ListFixture> fixture_;
};

void AddFolderTest::init() {
    test::clearSettingsStore();
    fixture_ = std::make_unique<test::ListFixture>();
    test::makeTree(fixture_->root(), tree);
    QFile::setPermissions(fixture_->root() + "/F/.readonly.mobi", QFileDevice::ReadOwner);
}

void AddFolderTest::cleanup() {
    QCOMPARE(fixture_->dialogs.unusedAnswers(), QString());
    fixture_.reset();
}

void AddFolderTest::addsTheMatchingFilesOfTheTree_data() {
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QStringList>("expected");

    const QStringList mobi{"F/.readonly.mobi", "F/a.mobi",   "F/B.MOBI",
                           "F/draft~.mobi",    "F/x/d.mobi", "F/y/z/e.mobi"};
    QTest::newRow("mobi, any letter case") << "mobi"
                                           << "F" << mobi;
    QTest::newRow("chosen folder ending with the separator") << "mobi"
                                                             << "F/" << mobi;
    QTest::newRow("txt") << "txt"
                         << "F" << QStringList{"F/notes.txt", "F/y/z/f.txt"};
    QTest::newRow("* for every file")
        << "*"
        << "F" << QStringList{"F/.readonly.mobi", "F/a.mobi",      "F/B.MOBI",
                              "F/c.epub",         "F/draft~.mobi", "F/notes.txt",
                              "F/x/d.mobi",       "F/y/z/e.mobi",  "F/y/z/f.txt"};
    QTest::newRow("no such files") << "azw3"
                                   << "F" << QStringList{};
    // One listing per folder, in its order, whichever extension a name matches.
    QTest::newRow("several, separated by spaces")
        << "txt mobi"
        << "F" << QStringList{"F/.readonly.mobi", "F/a.mobi",   "F/B.MOBI",     "F/draft~.mobi",
                              "F/notes.txt",      "F/x/d.mobi", "F/y/z/e.mobi", "F/y/z/f.txt"};
    QTest::newRow("several, separated by commas and spaces")
        << "epub, txt,azw3"
        << "F" << QStringList{"F/c.epub", "F/notes.txt", "F/y/z/f.txt"};
}

void AddFolderTest::addsTheMatchingFilesOfTheTree() {
    QFETCH(QString, extension);
    QFETCH(QString, chosen);
    QFETCH(QStringList, expected);
    fixture_->dialogs.answerInput(extension);
    fixture_->dialogs.answerPickFolder(fixture_->root() + '/' + chosen);
    clickAddFolder();
    QCOMPARE(fixture_->items(), fixture_->below(expected));
    QVERIFY(fixture_->dialogs.errorReports().isEmpty());
}

void AddFolderTest::remembersExtensionAndFolder_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("picked");
    QTest::addColumn<QString>("storedExtension");
    QTest::addColumn<QString>("storedFolder");
    QTest::addColumn<bool>("added");
    QTest::newRow("extension and folder chosen") << "txt"
                                                 << "F/y"
                                                 << "txt"
                                                 << "F/y" << true;
    QTest::newRow("picker cancelled") << "txt"
                                      << ""
                                      << "txt"
                                      << "earlier" << false;
    QTest::newRow("several extensions, stored as typed") << "mobi azw3, prc"
                                                         << "F/y"
                                                         << "mobi azw3, prc"
                                                         << "F/y" << true;
    QTest::newRow("prompt cancelled") << ""
                                      << "-"
                                      << "epub"
                                      << "earlier" << false;
}

void AddFolderTest::remembersExtensionAndFolder() {
    QFETCH(QString, answer);
    QFETCH(QString, picked);
    QFETCH(QString, storedExtension);
    QFETCH(QString, storedFolder);
    QFETCH(bool, added);
    const QString earlier = fixture_->root() + "/earlier";
    test::storeSetting("Extension", "epub");
    test::storeSetting("LastFolder", earlier);
    fixture_->dialogs.answerInput(answer);
    if (picked != "-")
        fixture_->dialogs.answerPickFolder(picked.isEmpty() ? QString()
                                                            : fixture_->root() + '/' + picked);
    clickAddFolder();

    const QList<test::ShownDialog> shown = fixture_->dialogs.shown();
    QCOMPARE(shown.constFirst().kind, test::ShownDialog::Kind::Input);
    QCOMPARE(shown.constFirst().text, extensionPrompt);
    QCOMPARE(shown.constFirst().title, applicationTitle());
    QCOMPARE(shown.constFirst().detail, QStringLiteral("epub"));
    if (picked != "-") {
        QCOMPARE(shown.at(1).kind, test::ShownDialog::Kind::PickFolder);
        QCOMPARE(shown.at(1).text, QStringLiteral("Please select folder:"));
        QCOMPARE(shown.at(1).detail, earlier);
    }
    QCOMPARE(shown.size(), picked == "-" ? 1 : 2);
    QCOMPARE(test::storedSetting("Extension"), storedExtension);
    QCOMPARE(test::storedSetting("LastFolder"), fixture_->root() + '/' + storedFolder);
    QCOMPARE(fixture_->items().isEmpty(), !added);
}

void AddFolderTest::addsAFolderChosenTwiceTwice() {
    for (int time = 0; time < 2; ++time) {
        fixture_->dialogs.answerInput("txt");
        fixture_->dialogs.answerPickFolder(fixture_->root() + "/F/y");
    }
    QCOMPARE(test::storedSetting("Extension"), QString());
    clickAddFolder();
    QCOMPARE(fixture_->dialogs.shown().at(0).detail, QStringLiteral("mobi"));
    clickAddFolder();
    QCOMPARE(fixture_->dialogs.shown().at(2).detail, QStringLiteral("txt"));
    QCOMPARE(fixture_->dialogs.shown().at(3).detail, fixture_->root() + "/F/y");
    QCOMPARE(fixture_->items(), fixture_->below({"F/y/z/f.txt", "F/y/z/f.txt"}));
}

// Unseen in the list; moving an item moves its folder with it.
void AddFolderTest::itemsRememberTheFolderTheyCameWith() {
    fixture_->dialogs.answerInput("mobi");
    fixture_->dialogs.answerPickFolder(fixture_->root() + "/F/y/");
    clickAddFolder();
    const FolderCommandTarget target{*fixture_->form, *fixture_->form->ListView1, fixture_->dialogs,
                                     fixture_->form->lifetime()};
    addPathAsDropped(target, fixture_->root() + "/F/x", {"*.*"});
    addPathAsDropped(target, fixture_->root() + "/F/a.mobi", {"*.*"});
    QTreeWidget& list = *fixture_->form->ListView1;
    QCOMPARE(fixture_->items(), fixture_->below({"F/y/z/e.mobi", "F/x/d.mobi", "F/a.mobi"}));
    QCOMPARE(inputlist::itemBaseFolder(list, 1), fixture_->root() + "/F/y/");
    QCOMPARE(inputlist::itemBaseFolder(list, 2), fixture_->root() + "/F/x");
    QCOMPARE(inputlist::itemBaseFolder(list, 3), QString());
    QCOMPARE(list.topLevelItem(0)->text(0), fixture_->root() + "/F/y/z/e.mobi");

    inputlist::swapItems(*list.topLevelItem(0), *list.topLevelItem(2));
    QCOMPARE(inputlist::itemBaseFolder(list, 1), QString());
    QCOMPARE(inputlist::itemBaseFolder(list, 3), fixture_->root() + "/F/y/");
    QCOMPARE(inputlist::itemText(list, 3), fixture_->root() + "/F/y/z/e.mobi");
}

void AddFolderTest::staysLiveAndBusyWhileAdding() {
    int ticksWhileBusy = 0;
    QTimer ticker;
    ticker.setInterval(0);
    connect(&ticker, &QTimer::timeout, this, [&] {
        if (isBusy(*fixture_->form))
            ++ticksWhileBusy;
    });
    fixture_->dialogs.answerInput("mobi");
    fixture_->dialogs.answerPickFolder(fixture_->root() + "/F");
    fixture_->dialogs.whileNextShown([&] { ticker.start(); });
    clickAddFolder();
    QVERIFY(ticksWhileBusy > 0);
    QVERIFY(!isBusy(*fixture_->form));
    QCOMPARE(fixture_->items().size(), 6);
}

// The listing lets window events through: what arrives then may add to the
// list after the listing, but may not start a second folder add or a run, nor
// remove anything.
void AddFolderTest::listingRefusesAnotherAddARunAndRemovals() {
    Form1& form = *fixture_->form;
    test::makeTree(fixture_->root(), {"late.mobi"});
    inputlist::append(*form.ListView1, fixture_->root() + "/first.mobi");
    QMimeData lateDrop;
    lateDrop.setUrls({QUrl::fromLocalFile(fixture_->root() + "/late.mobi")});
    test::OnceWhileBusy duringListing(form, [&] {
        form.PushButton4->click();
        form.PushButton2->click();
        form.PushButton6->click();
        form.ListView1->setCurrentItem(form.ListView1->topLevelItem(0));
        QTest::keyClick(form.ListView1, Qt::Key_Delete);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &lateDrop, Qt::LeftButton, {});
        QCoreApplication::sendEvent(form.ListView1->viewport(), &enter);
        QDropEvent drop(QPoint(5, 5), Qt::CopyAction, &lateDrop, Qt::LeftButton, {});
        QCoreApplication::sendEvent(form.ListView1->viewport(), &drop);
    });
    fixture_->dialogs.answerInput("mobi");
    fixture_->dialogs.answerPickFolder(fixture_->root() + "/F");
    fixture_->dialogs.whileNextShown([&] { duringListing.start(); });
    clickAddFolder();
    QTRY_COMPARE(fixture_->items().size(), 8);

    QVERIFY(duringListing.acted);
    QCOMPARE(fixture_->items(),
             fixture_->below({"first.mobi", "F/.readonly.mobi", "F/a.mobi", "F/B.MOBI",
                              "F/draft~.mobi", "F/x/d.mobi", "F/y/z/e.mobi", "late.mobi"}));
    // Only the first add's two questions were asked, and no run said anything.
    QCOMPARE(fixture_->dialogs.shown().size(), 2);
    QVERIFY(!isBusy(form));
}

void AddFolderTest::addsFoldersNamedInAnyScript() {
    const QString f = fixture_->root() + "/F";
    test::makeTree(f, {QStringLiteral("Книги/a.mobi"), QStringLiteral("Author’s Books/b.mobi"),
                       QStringLiteral("Müller – Bücher/c.mobi"), QStringLiteral("书架/d.mobi"),
                       QStringLiteral("Ελληνικά/new\nline/e.mobi"), "what?/f.mobi"});
    // A name that is no UTF-8 cannot be handed on intact, nor anything below it.
    const test::NativeNamedFolder notUtf8(f, "latin1-\xe9t\xe9", "g.mobi");
    QVERIFY(notUtf8.made());
    fixture_->dialogs.answerInput("mobi");
    fixture_->dialogs.answerPickFolder(f);
    clickAddFolder();
    QCOMPARE(fixture_->items(),
             fixture_->below({"F/.readonly.mobi", "F/a.mobi", "F/B.MOBI", "F/draft~.mobi",
                              QStringLiteral("F/Author’s Books/b.mobi"),
                              QStringLiteral("F/Müller – Bücher/c.mobi"), "F/x/d.mobi",
                              QStringLiteral("F/Книги/a.mobi"), QStringLiteral("F/书架/d.mobi"),
                              "F/y/z/e.mobi", QStringLiteral("F/Ελληνικά/new\nline/e.mobi")}));
}

void AddFolderTest::addsNothingFromAFolderThatRefusesAccess() {
    test::RefusedAccess refused(fixture_->root() + "/F");
    if (!refused.refused())
        QSKIP("this system does not let the test refuse itself access to a folder");
    fixture_->dialogs.answerInput("mobi");
    fixture_->dialogs.answerPickFolder(fixture_->root() + "/F");
    clickAddFolder();
    QCOMPARE(fixture_->items(), QStringList());
    QVERIFY(fixture_->dialogs.errorReports().isEmpty());
    QVERIFY(!isBusy(*fixture_->form));
}

void AddFolderTest::reportsAFailedStepAndGoesOn_data() {
    QTest::addColumn<bool>("pickerFails");
    QTest::addColumn<int>("step");
    QTest::newRow("extension prompt") << false << 100;
    QTest::newRow("folder picker") << true << 104;
}

void AddFolderTest::reportsAFailedStepAndGoesOn() {
    QFETCH(bool, pickerFails);
    QFETCH(int, step);
    if (pickerFails)
        fixture_->dialogs.answerInput("mobi");
    fixture_->dialogs.failNext(PermissionDenied);
    clickAddFolder();
    const QStringList reports = fixture_->dialogs.errorReports();
    QCOMPARE(reports.size(), 1);
    QVERIFY2(reports.constFirst().startsWith(
                 QStringLiteral("Permission denied\r\nin Ferncastle2021/08/31.Form1."
                                "PushButton4_Click at line %1\r\rPlease email")
                     .arg(step)),
             qPrintable(reports.constFirst()));
    QVERIFY(fixture_->items().isEmpty());
    QVERIFY(!isBusy(*fixture_->form));
}

QTEST_MAIN(AddFolderTest)
#include "tst_addfolder.moc"
