// What the program's conversion run costs on top of calibre itself: 20 real
// MOBI files converted by "Start Converting" on a real main window (offscreen)
// against a plain shell loop that calls ebook-convert on the same files. Prints
// the median of several runs of each, side by side, as wall-clock time and as
// the processor time of the processes started (which other work on the
// machine disturbs less); the target is a wall-clock ratio of at most 1.05.
// The two take turns going first.

#include "busystate.h"
#include "conversionbenchmark.h"
#include "form1.h"
#include "inputlist.h"
#include "scripteddialogs.h"
#include "settings.h"
#include "settingskeys.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <sys/resource.h>

using namespace quillbrook;

namespace {

constexpr int books = 20;
constexpr int runs = 5;

QTextStream out(stdout);

// Wall-clock and processor seconds of one conversion of all books.
struct Cost {
    double wall = 0;
    double processor = 0;
};

double childProcessorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

template <typename Work> Cost measure(Work work) {
    const double processorBefore = childProcessorSeconds();
    QElapsedTimer timer;
    timer.start();
    work();
    return {timer.nsecsElapsed() / 1e9, childProcessorSeconds() - processorBefore};
}

bool runShell(const QString& script, const QString& folder) {
    QProcess shell;
    shell.setWorkingDirectory(folder);
    shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script});
    return shell.waitForFinished(-1) && shell.exitCode() == 0;
}

// Makes one small book with calibre and copies it under 20 names.
QStringList makeBooks(const QString& folder) {
    QFile page(folder + QStringLiteral("/book.html"));
    if (!page.open(QIODevice::WriteOnly))
        qFatal("cannot write the page");
    page.write("<html><head><title>Bench</title></head><body><h1>Bench</h1>"
               "<p>A page of text for the converter.</p></body></html>");
    page.close();
    if (!runShell(QStringLiteral("ebook-convert book.html book.mobi >/dev/null 2>&1"), folder))
        qFatal("calibre could not make the sample book");
    QStringList paths;
    for (int i = 1; i <= books; ++i) {
        paths << folder + QStringLiteral("/book %1.mobi").arg(i, 2, 10, QLatin1Char('0'));
        QFile::copy(folder + QStringLiteral("/book.mobi"), paths.constLast());
    }
    QFile::remove(folder + QStringLiteral("/book.mobi"));
    return paths;
}

Cost programRun(Form1& form, test::ScriptedDialogs& dialogs, const QStringList& inputs,
                const QString& outputs) {
    QDir(outputs).removeRecursively();
    QDir().mkpath(outputs);
    form.setText1(outputs);
    listInputs(form, inputs);
    dialogs.forget();
    const Cost cost = measure([&] { convertInWindow(form); });
    if (!everyBookConverted(dialogs.messages(), inputs.size()))
        qFatal("the conversion run did not convert every book: %s",
               qPrintable(dialogs.messages().join(QStringLiteral(" / "))));
    return cost;
}

Cost shellLoop(const QString& inputs, const QString& outputs) {
    QDir(outputs).removeRecursively();
    QDir().mkpath(outputs);
    const QString loop = QStringLiteral(
        "for f in \"$0\"/*.mobi; do n=${f##*/}; "
        "ebook-convert \"$f\" \"$1/${n%.mobi}.epub\" > \"$1/log.txt\" 2>&1 || exit 1; done");
    return measure([&] {
        QProcess shell;
        shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), loop, inputs, outputs});
        if (!shell.waitForFinished(-1) || shell.exitCode() != 0)
            qFatal("the shell loop failed");
    });
}

double median(const QList<Cost>& costs, double Cost::*figure) {
    QList<double> values;
    for (const Cost& cost : costs)
        values << cost.*figure;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir work;
    isolateConversionBenchmark(work.path());
    QApplication app(argc, argv);
    const QString inputs = work.path() + QStringLiteral("/in");
    QDir().mkpath(inputs);
    const QStringList books = makeBooks(inputs);

    // The program's own cost per conversion, so one converter at a time as the loop has.
    WriteSetting(settingKeys::SimultaneousConversions.key, QStringLiteral("1"));
    test::ScriptedDialogs dialogs;
    Form1 form(Form1Setup{dialogs, QStringLiteral(QUILLBROOK_PROGRAM_DIR), [] { return 1; }});
    form.Option1->click();

    QList<Cost> program;
    QList<Cost> shell;
    const QString programOut = work.path() + QStringLiteral("/program-out");
    const QString shellOut = work.path() + QStringLiteral("/shell-out");
    for (int run = 1; run <= runs; ++run) {
        if (run % 2 == 1)
            shell << shellLoop(inputs, shellOut);
        program << programRun(form, dialogs, books, programOut);
        if (run % 2 == 0)
            shell << shellLoop(inputs, shellOut);
        out << QStringLiteral("run %1: program %2 s (processor %3 s), shell loop %4 s "
                              "(processor %5 s)\n")
                   .arg(run)
                   .arg(program.constLast().wall, 0, 'f', 2)
                   .arg(program.constLast().processor, 0, 'f', 2)
                   .arg(shell.constLast().wall, 0, 'f', 2)
                   .arg(shell.constLast().processor, 0, 'f', 2)
            << Qt::flush;
    }
    const double wallRatio = median(program, &Cost::wall) / median(shell, &Cost::wall);
    const double processorRatio =
        median(program, &Cost::processor) / median(shell, &Cost::processor);
    out << QStringLiteral("%1 MOBI files, median of %2 runs: program %3 s, shell loop %4 s, "
                          "ratio %5 (target at most 1.05); processor time ratio %6\n")
               .arg(books.size())
               .arg(runs)
               .arg(median(program, &Cost::wall), 0, 'f', 2)
               .arg(median(shell, &Cost::wall), 0, 'f', 2)
               .arg(wallRatio, 0, 'f', 3)
               .arg(processorRatio, 0, 'f', 3);
    return 0;
}
