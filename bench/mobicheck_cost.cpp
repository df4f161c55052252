// What the damage check of converted inputs costs: its own time over a set of
// 20 real MOBI files (the shipped samples and books calibre makes from the
// samples and their sources, in all three MOBI types), and over one long book.
// Prints the median of a number of rounds, in total and per file.

#include "calibrebooks.h"
#include "mobicheck.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>

using namespace quillbrook;

namespace {

constexpr int rounds = 30;
constexpr int longBookRepeats = 60;
const QString samples = QStringLiteral(QUILLBROOK_SAMPLES_SOURCE);

void make(const QString& input, const QString& mobi, const QString& mobiType) {
    const QString problem = test::makeMobiWithCalibre(input, mobi, mobiType);
    if (!problem.isEmpty())
        qFatal("%s", qPrintable(problem));
}

QStringList shippedSamples() {
    QStringList paths;
    const QDir folder(samples);
    for (const QString& name : folder.entryList({QStringLiteral("*.mobi")}, QDir::Files))
        paths << folder.filePath(name);
    return paths;
}

QStringList sampleSources() {
    QStringList paths;
    const QDir folder(samples + QStringLiteral("/sources"));
    for (const QString& name : folder.entryList({QStringLiteral("*.html")}, QDir::Files))
        paths << folder.filePath(name);
    return paths;
}

// The shipped samples, each source in every MOBI type, and the samples
// converted again into the KF8 and hybrid types.
QStringList makeBookSet(const QDir& folder) {
    QStringList books = shippedSamples();
    for (const QString& source : sampleSources())
        for (const QString& mobiType : test::calibreMobiTypes) {
            books << folder.filePath(QFileInfo(source).baseName() + QLatin1Char('-') + mobiType +
                                     QStringLiteral(".mobi"));
            make(source, books.constLast(), mobiType);
        }
    for (const QString& sample : shippedSamples()) {
        const QString mobiType = books.size() % 2 ? QStringLiteral("new") : QStringLiteral("both");
        books << folder.filePath(QFileInfo(sample).baseName() + QStringLiteral("-again.mobi"));
        make(sample, books.constLast(), mobiType);
    }
    if (books.size() != 20)
        qFatal("the set has %lld books instead of 20", qlonglong(books.size()));
    return books;
}

// A hybrid book with the text of all sources, many times over.
QString makeLongBook(const QDir& folder) {
    const QRegularExpression body(QStringLiteral("<body[^>]*>(.*)</body>"),
                                  QRegularExpression::DotMatchesEverythingOption);
    QString text;
    for (const QString& source : sampleSources()) {
        QFile file(source);
        if (!file.open(QIODevice::ReadOnly))
            qFatal("cannot read %s", qPrintable(source));
        text += body.match(QString::fromUtf8(file.readAll())).captured(1);
    }
    const QString html = folder.filePath(QStringLiteral("long.html"));
    QFile page(html);
    if (!page.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(html));
    page.write(QStringLiteral("<html><head><meta charset=\"utf-8\"><title>A Long Book</title>"
                              "</head><body>%1</body></html>")
                   .arg(text.repeated(longBookRepeats))
                   .toUtf8());
    page.close();
    const QString book = folder.filePath(QStringLiteral("long.mobi"));
    make(html, book, QStringLiteral("both"));
    return book;
}

// The median time, in milliseconds, of checking every book once.
double medianRound(const QStringList& books) {
    QList<double> times;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        for (const QString& book : books)
            if (damageOf(book))
                qFatal("%s was named as damaged", qPrintable(book));
        times << timer.nsecsElapsed() / 1e6;
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

qint64 totalSize(const QStringList& books) {
    qint64 bytes = 0;
    for (const QString& book : books)
        bytes += QFileInfo(book).size();
    return bytes;
}

void report(QTextStream& out, const QString& what, const QStringList& books) {
    const double total = medianRound(books);
    out << what << ": " << books.size() << " files, " << totalSize(books) / 1024 << " KiB, "
        << QString::number(total, 'f', 2) << " ms in all, "
        << QString::number(total / books.size(), 'f', 3) << " ms per file (median of " << rounds
        << " rounds)\n";
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir temp;
    const QDir folder(temp.path());
    QTextStream out(stdout);
    out << "making the books with calibre...\n" << Qt::flush;
    const QStringList set = makeBookSet(folder);
    const QString longBook = makeLongBook(folder);
    report(out, QStringLiteral("damage check, 20-file set"), set);
    report(out, QStringLiteral("damage check, one long book"), {longBook});
    return 0;
}
