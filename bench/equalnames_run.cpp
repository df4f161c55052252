// The whole run through the window when many inputs share one base name:
// 20,000 inputs (or the count given) named "book.mobi" in folders of their
// own, saved into one folder as "book.epub", "book (2).epub", ..., against as
// many inputs with names of their own. The converter is a stand-in that copies
// its input (cp, first on PATH as ebook-convert), so the figures are the
// program's own cost per input. Prints the time from "Start Converting" to the
// final message for each.

#include "conversionbenchmark.h"
#include "scripteddialogs.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRadioButton>
#include <QTemporaryDir>
#include <cstdio>

using namespace quillbrook;

namespace {

QStringList makeInputs(const QString& folder, int count, bool equalNames) {
    QStringList inputs;
    for (int i = 1; i <= count; ++i) {
        const QString path = equalNames ? folder + QStringLiteral("/%1/book.mobi").arg(i)
                                        : folder + QStringLiteral("/book %1.mobi").arg(i);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write("a book") != 6)
            qFatal("cannot write %s", qPrintable(path));
        inputs << path;
    }
    return inputs;
}

double secondsToTheFinalMessage(Form1& form, test::ScriptedDialogs& dialogs,
                                const QStringList& inputs, const QString& outputs) {
    QDir().mkpath(outputs);
    form.setText1(outputs);
    listInputs(form, inputs);
    dialogs.forget();
    QElapsedTimer timer;
    timer.start();
    convertInWindow(form);
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (dialogs.messages().size() != 1 || !dialogs.messages().constFirst().startsWith("Done.") ||
        dialogs.messages().constFirst().contains(QStringLiteral("were not converted")))
        qFatal("the run did not convert every input");
    if (QDir(outputs).entryList(QDir::Files).size() != inputs.size())
        qFatal("the run did not save every output");
    return seconds;
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir work;
    isolateConversionBenchmark(work.path());
    QApplication app(argc, argv);
    const int count = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 20000;
    const QString fake = work.path() + QStringLiteral("/fake");
    QDir().mkpath(fake);
    if (!QFile::link(QStringLiteral("/bin/cp"), fake + QStringLiteral("/ebook-convert")))
        qFatal("cannot make the stand-in converter");
    qputenv("PATH", QFile::encodeName(fake) + ':' + qgetenv("PATH"));

    test::ScriptedDialogs dialogs;
    Form1 form(Form1Setup{dialogs, QStringLiteral(QUILLBROOK_PROGRAM_DIR), [] { return 1; }});
    form.Option1->click();
    const double equal =
        secondsToTheFinalMessage(form, dialogs, makeInputs(work.path() + "/equal", count, true),
                                 work.path() + QStringLiteral("/out-equal"));
    std::printf("%d inputs sharing one base name: %.1f s to the final message\n", count, equal);
    std::fflush(stdout);
    const double different =
        secondsToTheFinalMessage(form, dialogs, makeInputs(work.path() + "/own", count, false),
                                 work.path() + QStringLiteral("/out-own"));
    std::printf("%d inputs with names of their own: %.1f s to the final message\n", count,
                different);
    return 0;
}
