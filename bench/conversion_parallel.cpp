// The conversion run with its default number of converters at once against
// what a user would run instead: 24 real MOBI files (the project's sample
// sources, made into MOBI by calibre, each under six names) converted by
// "Start Converting" on a real main window (offscreen), by a bare
// one-at-a-time ebook-convert loop, and by "xargs -P N" with the program's
// N. Prints each wall-clock time, the median of the runs (first argument,
// default 3), the two ratios (targets: at most 0.75 of the loop, at most
// 0.70 of xargs, through the warm converter) and the program's own processor
// time during its run (getrusage RUSAGE_SELF) as a share of the run's wall
// time (target under 1 %). The three take turns going first. For each it
// also prints the converters' processor seconds per book (RUSAGE_CHILDREN:
// every process the turn started, once reaped) and the peak memory of the
// processes it started (the sum of their PSS, from /proc/<pid>/smaps_rollup,
// sampled every 50 ms; for xargs that includes the shells and xargs itself).
// A last round runs the program with WarmConverter set to False.
// With --headless the program's turn is "quillbrook --convert --jobs N" on
// the folder of books instead of the window, started as its own process (its
// own processor time is then not told apart from the converters').

#include "conversionbenchmark.h"
#include "form1.h"
#include "scripteddialogs.h"
#include "settingskeys.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <atomic>
#include <ctime>
#include <functional>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

using namespace quillbrook;

namespace {

constexpr int namesPerSource = 6;

QTextStream out(stdout);

double ownProcessorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Processor seconds of every child reaped so far, and of what they reaped.
double childrenProcessorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The processes below this one, found through the parent of each in /proc.
QList<qint64> descendants() {
    QHash<qint64, QList<qint64>> children;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/") + entry + QStringLiteral("/stat"));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1)
            children[fields[1].toLongLong()] << entry.toLongLong();
    }
    QList<qint64> found = children.value(getpid());
    for (qsizetype i = 0; i < found.size(); ++i)
        found << children.value(found[i]);
    return found;
}

qint64 pssKilobytes(qint64 pid) {
    QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (!rollup.open(QIODevice::ReadOnly))
        return 0;
    for (QByteArray line = rollup.readLine(); !line.isEmpty(); line = rollup.readLine())
        if (line.startsWith("Pss:"))
            return line.simplified().split(' ').value(1).toLongLong();
    return 0;
}

// The highest sum of the PSS of every process below this one while it lives.
class PeakMemory {
public:
    PeakMemory()
        : sampler_([this] {
              while (!done_) {
                  qint64 sum = 0;
                  for (const qint64 pid : descendants())
                      sum += pssKilobytes(pid);
                  peak_ = std::max<qint64>(peak_, sum);
                  std::this_thread::sleep_for(std::chrono::milliseconds(50));
              }
              timespec spent{};
              clock_gettime(CLOCK_THREAD_CPUTIME_ID, &spent);
              samplerSeconds_ = double(spent.tv_sec) + spent.tv_nsec / 1e9;
          }) {}
    ~PeakMemory() { stop(); }
    double stopMegabytes() {
        stop();
        return peak_ / 1024.0;
    }
    // The processor time the sampling took from this process.
    double samplerSeconds() const { return samplerSeconds_; }

private:
    void stop() {
        done_ = true;
        if (sampler_.joinable())
            sampler_.join();
    }

    std::atomic<bool> done_{false};
    std::atomic<qint64> peak_{0};
    std::atomic<double> samplerSeconds_{0};
    std::thread sampler_;
};

// What a turn cost the converters it started.
struct ConverterCost {
    double processorSeconds = 0;
    double peakMegabytes = 0;
    double samplerSeconds = 0;
};

// Runs the turn while its converters' processor time and memory are counted.
ConverterCost converterCostOf(const std::function<void()>& turn) {
    const double before = childrenProcessorSeconds();
    PeakMemory memory;
    turn();
    const double peak = memory.stopMegabytes();
    return {childrenProcessorSeconds() - before, peak, memory.samplerSeconds()};
}

void runShell(const QString& script, const QStringList& arguments) {
    QProcess shell;
    shell.start(QStringLiteral("/bin/sh"), QStringList{QStringLiteral("-c"), script} + arguments);
    if (!shell.waitForFinished(-1) || shell.exitCode() != 0)
        qFatal("the shell command failed: %s", qPrintable(script));
}

// Each sample source made into MOBI once by calibre, then copied under more names.
QStringList makeBooks(const QString& sources, const QString& folder) {
    QStringList books;
    const QStringList pages = QDir(sources).entryList({QStringLiteral("*.html")}, QDir::Files);
    for (const QString& page : pages) {
        const QString stem = page.chopped(5);
        const QString made = folder + QLatin1Char('/') + stem + QStringLiteral(".mobi");
        runShell(QStringLiteral("ebook-convert \"$0\" \"$1\" >/dev/null 2>&1"),
                 {sources + QLatin1Char('/') + page, made});
        for (int copy = 1; copy < namesPerSource; ++copy) {
            books << folder + QStringLiteral("/%1 %2.mobi").arg(stem).arg(copy);
            QFile::copy(made, books.constLast());
        }
        books << made;
    }
    return books;
}

void emptyFolder(const QString& folder) {
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
}

struct ProgramCost {
    double wall = 0;
    double ownProcessor = 0;
};

ProgramCost programRun(Form1& form, test::ScriptedDialogs& dialogs, const QStringList& books,
                       const QString& outputs) {
    emptyFolder(outputs);
    form.setText1(outputs);
    listInputs(form, books);
    dialogs.forget();
    const double processorBefore = ownProcessorSeconds();
    QElapsedTimer timer;
    timer.start();
    convertInWindow(form);
    const ProgramCost cost{timer.nsecsElapsed() / 1e9, ownProcessorSeconds() - processorBefore};
    if (!everyBookConverted(dialogs.messages(), books.size()))
        qFatal("the conversion run did not convert every book: %s",
               qPrintable(dialogs.messages().join(QStringLiteral(" / "))));
    return cost;
}

double timed(const QString& script, const QStringList& arguments, const QString& outputs) {
    emptyFolder(outputs);
    QElapsedTimer timer;
    timer.start();
    runShell(script, arguments);
    return timer.nsecsElapsed() / 1e9;
}

const QString headlessRun = QStringLiteral(
    "\"$3/quillbrook\" --convert --output \"$1\" --jobs \"$2\" \"$0\" > /dev/null 2>&1");

const QString serialLoop =
    QStringLiteral("for f in \"$0\"/*.mobi; do n=${f##*/}; "
                   "ebook-convert \"$f\" \"$1/${n%.mobi}.epub\" > /dev/null 2>&1 || exit 1; done");

const QString xargsRun = QStringLiteral(
    "cd \"$0\" && printf '%s\\0' *.mobi | xargs -0 -P \"$2\" -I{} "
    "sh -c 'ebook-convert \"$1\" \"$2/${1%.mobi}.epub\" > /dev/null 2>&1' _ {} \"$1\"");

double median(QList<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir work;
    isolateConversionBenchmark(work.path());
    QApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    const bool headless = arguments.removeAll(QStringLiteral("--headless")) > 0;
    const int runs = arguments.isEmpty() ? 3 : std::max(1, arguments.constFirst().toInt());
    const QString inputs = work.path() + QStringLiteral("/in");
    QDir().mkpath(inputs);
    const QStringList books = makeBooks(QStringLiteral(QUILLBROOK_SAMPLE_SOURCES), inputs);
    const int simultaneous = SimultaneousConversions();

    test::ScriptedDialogs dialogs;
    Form1 form(Form1Setup{dialogs, QStringLiteral(QUILLBROOK_PROGRAM_DIR), [] { return 1; }});
    form.Option1->click();

    QList<double> program;
    QList<double> ownShare;
    const auto ownProcessorText = [headless](double share) {
        return headless ? QStringLiteral("not measured")
                        : QStringLiteral("%1 %").arg(share * 100, 0, 'f', 3);
    };
    QList<double> serial;
    QList<double> parallel;
    QList<ConverterCost> programCost;
    QList<ConverterCost> parallelCost;
    const QString outputs = work.path() + QStringLiteral("/out");
    const QString parallelism = QString::number(simultaneous);
    for (int run = 1; run <= runs; ++run) {
        // The sampling thread's time is not the program's own.
        const auto programTurn = [&] {
            if (headless) {
                double wall = 0;
                programCost << converterCostOf([&] {
                    wall = timed(
                        headlessRun,
                        {inputs, outputs, parallelism, QStringLiteral(QUILLBROOK_PROGRAM_DIR)},
                        outputs);
                });
                program << wall;
                ownShare << 0;
                return;
            }
            ProgramCost cost;
            programCost << converterCostOf(
                [&] { cost = programRun(form, dialogs, books, outputs); });
            program << cost.wall;
            ownShare << (cost.ownProcessor - programCost.constLast().samplerSeconds) / cost.wall;
        };
        const auto serialTurn = [&] { serial << timed(serialLoop, {inputs, outputs}, outputs); };
        const auto xargsTurn = [&] {
            parallelCost << converterCostOf([&] {
                parallel << timed(xargsRun, {inputs, outputs, parallelism}, outputs);
            });
        };
        const std::function<void()> turns[] = {programTurn, serialTurn, xargsTurn};
        for (int turn = 0; turn < 3; ++turn)
            turns[(turn + run - 1) % 3]();
        out << QStringLiteral("run %1: program %2 s (own processor %3), serial loop %4 s, "
                              "xargs -P %5 %6 s\n")
                   .arg(run)
                   .arg(program.constLast(), 0, 'f', 2)
                   .arg(ownProcessorText(ownShare.constLast()))
                   .arg(serial.constLast(), 0, 'f', 2)
                   .arg(parallelism)
                   .arg(parallel.constLast(), 0, 'f', 2)
            << QStringLiteral("  program: %1 processor s per book, peak %2 MB; xargs: %3 "
                              "processor s per book, peak %4 MB\n")
                   .arg(programCost.constLast().processorSeconds / books.size(), 0, 'f', 3)
                   .arg(programCost.constLast().peakMegabytes, 0, 'f', 0)
                   .arg(parallelCost.constLast().processorSeconds / books.size(), 0, 'f', 3)
                   .arg(parallelCost.constLast().peakMegabytes, 0, 'f', 0)
            << Qt::flush;
    }
    settingKeys::WarmConverter.write(false);
    double cold = 0;
    const ConverterCost coldCost =
        converterCostOf([&] { cold = programRun(form, dialogs, books, outputs).wall; });
    const auto medianOf = [](const QList<ConverterCost>& costs, double ConverterCost::*figure) {
        QList<double> values;
        for (const ConverterCost& cost : costs)
            values << cost.*figure;
        return median(values);
    };
    const double programPeak = medianOf(programCost, &ConverterCost::peakMegabytes);
    const double parallelPeak = medianOf(parallelCost, &ConverterCost::peakMegabytes);
    out << QStringLiteral("WarmConverter False: program %1 s (%2 of the median xargs), %3 "
                          "processor s per book, peak %4 MB\n")
               .arg(cold, 0, 'f', 2)
               .arg(cold / median(parallel), 0, 'f', 3)
               .arg(coldCost.processorSeconds / books.size(), 0, 'f', 3)
               .arg(coldCost.peakMegabytes, 0, 'f', 0)
        << QStringLiteral("medians: processor s per book, program %1, xargs %2; peak memory "
                          "program %3 MB, xargs %4 MB, ratio %5 (target at most 1.25)\n")
               .arg(medianOf(programCost, &ConverterCost::processorSeconds) / books.size(), 0, 'f',
                    3)
               .arg(medianOf(parallelCost, &ConverterCost::processorSeconds) / books.size(), 0, 'f',
                    3)
               .arg(programPeak, 0, 'f', 0)
               .arg(parallelPeak, 0, 'f', 0)
               .arg(programPeak / parallelPeak, 0, 'f', 3);
    out << (headless ? QStringLiteral("quillbrook --convert: ") : QStringLiteral("the window: "))
        << QStringLiteral("%1 MOBI files, %2 converters at once, median of %3 runs: program %4 s, "
                          "serial loop %5 s, xargs -P %2 %6 s\n")
               .arg(books.size())
               .arg(simultaneous)
               .arg(runs)
               .arg(median(program), 0, 'f', 2)
               .arg(median(serial), 0, 'f', 2)
               .arg(median(parallel), 0, 'f', 2)
        << QStringLiteral("program / serial loop %1 (target at most 0.75); program / xargs %2 "
                          "(target at most 0.70); own processor time %3 of the run's wall "
                          "time (target under 1 %)\n")
               .arg(median(program) / median(serial), 0, 'f', 3)
               .arg(median(program) / median(parallel), 0, 'f', 3)
               .arg(ownProcessorText(median(ownShare)));
    return 0;
}
