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
#include "folderadd.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

using namespace quillbrook;

namespace {

constexpr int fanOutLevels = 15;

void report(const char* shape, const AddRun& run, int books) {
    std::printf("%s: %d books, %d list entries, %.3f s, longest gap %.1f ms\n", shape, books,
                run.added, run.milliseconds / 1000, run.longestGap);
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
