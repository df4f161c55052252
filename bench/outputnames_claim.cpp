// Times OutputNames::claim for a run's worth of inputs: 20,000 inputs that
// all give the same output name against 20,000 that give different ones, and
// prints the time per claim. Equal names are numbered "(2)", "(3)", ...: each
// claim should cost the same however many came before. Then the same with the
// 20,000 inputs, real files, made known to OutputNames first, as a run does.

#include "outputnames.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdio>

using namespace quillbrook;

namespace {

constexpr int inputCount = 20000;

// The time to make the inputs known (none when the list is empty) and to claim
// the outputs.
double secondsToClaim(const QStringList& inputs, const QStringList& outputs) {
    OutputNames names;
    QElapsedTimer timer;
    timer.start();
    for (const QString& input : inputs)
        names.addInput(input);
    for (const QString& output : outputs)
        names.claim(output);
    return timer.nsecsElapsed() / 1e9;
}

void report(const char* kind, const QStringList& inputs, const QStringList& outputs) {
    const double seconds = secondsToClaim(inputs, outputs);
    std::printf("%d %s: %.3f s, %.2f us per input\n", int(outputs.size()), kind, seconds,
                seconds * 1e6 / outputs.size());
}

// Real input files, all with the base name "book" or each with its own.
QStringList makeInputs(const QString& folder, bool equalBaseNames) {
    QStringList inputs;
    for (int i = 0; i < inputCount; ++i) {
        const QString path =
            folder +
            (equalBaseNames ? QStringLiteral("/book.m%1") : QStringLiteral("/book%1.mobi")).arg(i);
        QFile(path).open(QIODevice::WriteOnly);
        inputs << path;
    }
    return inputs;
}

} // namespace

int main() {
    QTemporaryDir library;
    const QString out = library.path() + QStringLiteral("/out");
    QStringList equal;
    QStringList different;
    for (int i = 0; i < inputCount; ++i) {
        equal << out + QStringLiteral("/book.epub");
        different << out + QStringLiteral("/book%1.epub").arg(i);
    }
    report("different names", {}, different);
    report("equal names", {}, equal);
    report("different names, inputs known", makeInputs(library.path(), false), different);
    report("equal names, inputs known", makeInputs(library.path(), true), equal);
    return 0;
}
