// Times "Add All MOBI File(s) In Folder" on a tree of 20,000 files in 2,000
// folders, a quarter of them MOBI files in mixed letter case, through the real
// command in a real main window, against find(1) over the same tree in the
// same run; and measures the longest time the window went without handling
// its events during the add.

#include "folderadd.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>

using namespace quillbrook;

namespace {

constexpr int topFolders = 40;
constexpr int foldersEach = 49; // 40 + 40 * 49 = 2,000 folders
constexpr int filesPerFolder = 10;
constexpr int runs = 5;

int makeTree(const QString& root) {
    const char* extensions[] = {".mobi", ".epub", ".txt",  ".pdf",  ".MOBI", ".azw3",
                                ".html", ".jpg",  ".Mobi", ".docx", ".rtf",  ".png"};
    int files = 0;
    const auto fill = [&](const QString& folder) {
        QDir().mkpath(folder);
        for (int i = 0; i < filesPerFolder; ++i) {
            QFile file(
                folder +
                QStringLiteral("/book%1%2").arg(files).arg(QLatin1String(extensions[files % 12])));
            file.open(QIODevice::WriteOnly);
            ++files;
        }
    };
    for (int top = 0; top < topFolders; ++top) {
        const QString topFolder = root + QStringLiteral("/shelf%1").arg(top);
        fill(topFolder);
        for (int sub = 0; sub < foldersEach; ++sub)
            fill(topFolder + QStringLiteral("/row%1").arg(sub));
    }
    return files;
}

struct FindRun {
    double milliseconds;
    int found;
};

FindRun runFind(const QString& root) {
    QElapsedTimer timer;
    timer.start();
    QProcess find;
    find.start(QStringLiteral("find"), {root, "-type", "f", "-iname", "*.mobi"});
    find.waitForFinished(-1);
    const double elapsed = timer.nsecsElapsed() / 1e6;
    return {elapsed, int(find.readAllStandardOutput().count('\n'))};
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(settings.path()));
    QTemporaryDir programFolder;
    QTemporaryDir tree;
    const int files = makeTree(tree.path());
    std::printf("tree: %d files in %d folders\n", files, topFolders * (1 + foldersEach));

    test::ScriptedDialogs dialogs;
    Form1 form({dialogs, programFolder.path(), [] { return 1; }});
    form.show();

    runFind(tree.path()); // both read the same, warm file-system cache
    std::vector<double> findTimes;
    std::vector<double> addTimes;
    std::vector<double> gaps;
    FindRun find{};
    AddRun add{};
    for (int run = 0; run < runs; ++run) {
        find = runFind(tree.path());
        add = runAdd(form, dialogs, tree.path());
        findTimes.push_back(find.milliseconds);
        addTimes.push_back(add.milliseconds);
        gaps.push_back(add.longestGap);
        std::printf("run %d: find %.1f ms (%d files), add %.1f ms (%d files), longest gap "
                    "%.1f ms over %d event rounds\n",
                    run + 1, find.milliseconds, find.found, add.milliseconds, add.added,
                    add.longestGap, add.eventRounds);
    }
    const double findMedian = median(findTimes);
    const double addMedian = median(addTimes);
    const double findBest = *std::min_element(findTimes.begin(), findTimes.end());
    const double addBest = *std::min_element(addTimes.begin(), addTimes.end());
    std::printf("median: find %.1f ms, add %.1f ms, ratio %.2f (target at most 3)\n", findMedian,
                addMedian, addMedian / findMedian);
    std::printf("best: find %.1f ms, add %.1f ms, ratio %.2f\n", findBest, addBest,
                addBest / findBest);
    std::printf("longest gap between handled window events: %.1f ms (target at most 100)\n",
                *std::max_element(gaps.begin(), gaps.end()));
    return add.added == find.found ? 0 : 1;
}
