// Figures of the input list at the size a large folder scan produces: the heap
// each item costs beyond its path text, and the time of "Load Sample/Example
// Files" and of its IsInList checks over that list.

#include "dialogs.h"
#include "inputlist.h"
#include "samples.h"
#include "scripteddialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <malloc.h>

using namespace quillbrook;

namespace {

constexpr int listSize = 100000;
constexpr int timedRuns = 7;

// Bytes the heap has handed out, large blocks served by mmap included.
size_t heapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

QString pathNumber(int i) {
    return QStringLiteral("/home/reader/Books/Collected Authors/Volume %1/book number %2.mobi")
        .arg(i / 1000)
        .arg(i);
}

// Fills the list with fresh paths and returns the heap it took per item beyond
// the paths' UTF-16 text.
double bytesPerItem(const std::function<void(const QString&)>& add) {
    QCoreApplication::processEvents();
    malloc_trim(0);
    const size_t before = heapInUse();
    size_t textBytes = 0;
    for (int i = 0; i < listSize; ++i) {
        const QString path = pathNumber(i);
        textBytes += size_t(path.size()) * sizeof(char16_t);
        add(path);
    }
    QCoreApplication::processEvents();
    const size_t after = heapInUse();
    return (double(after - before) - double(textBytes)) / listSize;
}

QTreeWidget* shownList(QWidget& window) {
    auto* list = new QTreeWidget(&window);
    list->setHeaderLabels({QStringLiteral("MOBI File(s)")});
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setGeometry(8, 8, 520, 169);
    window.show();
    return list;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double millisecondsOf(const std::function<void()>& action) {
    QElapsedTimer timer;
    timer.start();
    action();
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char* argv[]) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QString programFolder = qEnvironmentVariable(
        "QUILLBROOK_PROGRAM_DIR", QStringLiteral(QUILLBROOK_BUILT_PROGRAM_DIR));

    std::printf("input list of %d items\n", listSize);
    {
        QWidget window;
        QTreeWidget* list = shownList(window);
        const double stock = bytesPerItem([&](const QString& path) {
            list->addTopLevelItem(new QTreeWidgetItem(QStringList{path}));
        });
        std::printf("  stock QTreeWidgetItem, for comparison: %7.1f bytes per item\n", stock);
    }
    QWidget window;
    QTreeWidget* list = shownList(window);
    // As a folder add makes them: every item keeps the folder it came with.
    const QString addedFolder = QStringLiteral("/home/reader/Books");
    const double perItem =
        bytesPerItem([&](const QString& path) { inputlist::append(*list, path, addedFolder); });
    std::printf("  the input list's items:                %7.1f bytes per item beyond the path "
                "text, with the folder they came with (target at most 300)\n",
                perItem);

    std::vector<double> scans;
    for (int run = 0; run < timedRuns; ++run)
        scans.push_back(
            millisecondsOf([&] { IsInList(*list, QStringLiteral("/not/in/the/list.mobi")); }));
    std::printf("  IsInList, a path not in the list:      %7.2f ms (median of %d)\n", median(scans),
                timedRuns);

    test::ScriptedDialogs dialogs;
    std::vector<double> loads;
    for (int run = 0; run < timedRuns; ++run) {
        dialogs.answerMessage(Dialogs::Answer::No);
        loads.push_back(millisecondsOf([&] { LoadSampleFiles(*list, dialogs, programFolder); }));
    }
    std::printf("  Load Sample/Example Files:             %7.2f ms first press, %.2f ms median of "
                "%d (target under 100), %d items now\n",
                loads.front(), median(loads), timedRuns, inputlist::count(*list));
    return 0;
}
