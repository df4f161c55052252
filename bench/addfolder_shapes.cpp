// Times "Add All MOBI File(s) In Folder" through the real command in a real
// main window on the folder trees that are hard on a folder scan:
//   fanout  15 folders side by side, each linking twice to the next, one book
//           in each: every link followed, the last folder is reached 32,767
//           times;
//   DEPTH   a chain of DEPTH nested folders with one book at the bottom.
// Prints the list entries the add made, its seconds and the longest time the
// window went without handling its events.
//
//     addfolder_shapes                 fanout, 1000 and 2000 levels
//     addfolder_shapes fanout 500      only the named shapes

#include "filetree.h"
#include "form1.h"
#include "inputlist.h"
#include "scripteddialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>

using namespace quillbrook;

namespace {

constexpr int fanOutLevels = 15;

struct AddRun {
    double seconds;
    int added;
    double longestGapMs;
};

AddRun runAdd(Form1& form, test::ScriptedDialogs& dialogs, const QString& root) {
    inputlist::clear(*form.ListView1);
    QElapsedTimer sinceEvents;
    double longestGap = 0;
    QTimer ticker;
    ticker.setInterval(0);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, sinceEvents.nsecsElapsed() / 1e6);
        sinceEvents.restart();
    });
    dialogs.answerInput(QStringLiteral("mobi"));
    dialogs.answerPickFolder(root);
    QElapsedTimer timer;
    // The clock starts once the folder is chosen: the add itself is timed.
    dialogs.whileNextShown([&] {
        timer.start();
        sinceEvents.start();
        ticker.start();
    });
    form.PushButton4->click();
    const double elapsed = timer.nsecsElapsed() / 1e9;
    longestGap = std::max(longestGap, sinceEvents.nsecsElapsed() / 1e6);
    return {elapsed, inputlist::count(*form.ListView1), longestGap};
}

void report(const char* shape, const AddRun& run, int books) {
    std::printf("%s: %d books, %d list entries, %.3f s, longest gap %.1f ms\n", shape, books,
                run.added, run.seconds, run.longestGapMs);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QStringList shapes = application.arguments().mid(1);
    if (shapes.isEmpty())
        shapes = {QStringLiteral("fanout"), QStringLiteral("1000"), QStringLiteral("2000")};
    QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(settings.path()));
    QTemporaryDir programFolder;
    test::ScriptedDialogs dialogs;
    Form1 form({dialogs, programFolder.path(), [] { return 1; }});
    form.show();

    bool allListed = true;
    for (const QString& shape : shapes) {
        QTemporaryDir tree;
        if (shape == QLatin1String("fanout")) {
            test::makeFanOutChain(tree.path(), fanOutLevels);
            const AddRun run = runAdd(form, dialogs, tree.path());
            report("fan-out chain of 15 folders", run, fanOutLevels);
            allListed = allListed && run.added >= fanOutLevels;
            continue;
        }
        const int depth = shape.toInt();
        if (test::makeDeepChain(tree.path(), depth, {QStringLiteral("book.mobi")}).isEmpty()) {
            std::printf("could not make a chain of %d folders\n", depth);
            return 1;
        }
        const AddRun run = runAdd(form, dialogs, tree.path());
        const QByteArray name = QStringLiteral("%1 nested folders").arg(depth).toUtf8();
        report(name.constData(), run, 1);
        test::removeDeepChain(tree.path());
        allListed = allListed && run.added == 1;
    }
    return allListed ? 0 : 1;
}
