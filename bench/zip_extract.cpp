// Extracts a 100 MB archive of 1,000 entries through cUnzip and the program's
// zip component, and with "unzip -q" for comparison, several times each, and
// prints the median times and their ratio. The target is at most 1.2.

#include "cunzip.h"
#include "munzip.h"
#include "testarchive.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace quillbrook;

namespace {
constexpr int entryCount = 1000;
constexpr qsizetype entrySize = 100 * 1000;
constexpr int runs = 5;

bool makeArchive(const QString& path) {
    QList<test::ArchiveEntry> entries;
    for (int i = 0; i < entryCount; ++i) {
        const QByteArray name =
            "books/shelf" + QByteArray::number(i % 20) + "/part" + QByteArray::number(i) + ".txt";
        entries << test::fileEntry(name, test::compressibleData(entrySize, uint32_t(i)));
    }
    return test::writeArchive(path, entries);
}

// The files below a folder and their bytes, to show the extraction was whole.
std::pair<int, qint64> filesBelow(const QString& folder) {
    std::pair<int, qint64> found{0, 0};
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        ++found.first;
        found.second += it.fileInfo().size();
    }
    return found;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Seconds for one extraction into an empty folder, which is removed after.
double timed(const QString& folder, const std::function<bool()>& extract) {
    QDir(folder).removeRecursively();
    QElapsedTimer timer;
    timer.start();
    const bool extracted = extract();
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    QDir(folder).removeRecursively();
    if (!extracted)
        std::fprintf(stderr, "an extraction failed\n");
    return extracted ? seconds : -1;
}
} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    mUnzip::setComponentFolder(QStringLiteral(QUILLBROOK_PROGRAM_DIR));
    QTemporaryDir temp;
    const QString archive = temp.filePath(QStringLiteral("bench.zip"));
    const QString folder = temp.filePath(QStringLiteral("out"));
    if (!temp.isValid() || !makeArchive(archive)) {
        std::fprintf(stderr, "could not make the archive\n");
        return 1;
    }
    std::printf("archive: %d entries, %lld bytes of data, %lld bytes packed\n", entryCount,
                static_cast<long long>(entryCount * entrySize),
                static_cast<long long>(QFileInfo(archive).size()));

    const auto component = [&] {
        cUnzip extractor;
        extractor.setZipFile(archive);
        extractor.setUseFolderNames(true);
        extractor.setUnzipFolder(folder);
        return !extractor.Unzip();
    };
    const auto unzipTool = [&] {
        return QProcess::execute(QStringLiteral("unzip"), {QStringLiteral("-q"), archive,
                                                           QStringLiteral("-d"), folder}) == 0;
    };
    std::vector<double> ours;
    std::vector<double> theirs;
    component(); // also warms the page cache for both
    const auto [files, bytes] = filesBelow(folder);
    std::printf("cUnzip extracted %d files, %lld bytes\n", files, static_cast<long long>(bytes));
    for (int run = 0; run < runs; ++run) {
        ours.push_back(timed(folder, component));
        theirs.push_back(timed(folder, unzipTool));
    }
    if (*std::min_element(ours.begin(), ours.end()) < 0 ||
        *std::min_element(theirs.begin(), theirs.end()) < 0)
        return 1;
    const double ourMedian = median(ours);
    const double theirMedian = median(theirs);
    std::printf("cUnzip (libvbuzip10): median %.3f s over %d runs\n", ourMedian, runs);
    std::printf("unzip -q:             median %.3f s over %d runs\n", theirMedian, runs);
    std::printf("ratio: %.2f (target at most 1.20)\n", ourMedian / theirMedian);
    return 0;
}
