// A whole library run again: a tree of small MOBI copies (a sample book, ten
// to a sub-folder: 5,000 books in 500 sub-folders at the largest size) whose
// EPUB files are all present and newer. For 1,000, 2,500 and 5,000 books (or
// the sizes given as arguments) it prints the time of "Add All MOBI File(s) In
// Folder", of a run with "Keep sub-folders" and "Skip books already
// converted" (the final message included), of a bare shell loop over the same
// tree that finds the books whose EPUB is not newer (find, then a "-nt" test
// per book), and the run's share of that loop (target at most 3 at 5,000
// books); then it changes 10 books and runs again with a stand-in for calibre
// that copies the book, which must convert exactly those 10. Each time per
// book as well, which stays flat when a cost grows linearly.

#include "busystate.h"
#include "conversionbenchmark.h"
#include "folderadd.h"
#include "form1.h"
#include "inputlist.h"
#include "scripteddialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTextStream>
#include <fcntl.h>
#include <sys/stat.h>

using namespace quillbrook;

namespace {

constexpr int booksPerFolder = 10;
constexpr int changedBooks = 10;
constexpr qint64 bookTime = 1'700'000'000;

QTextStream out(stdout);

void setModified(const QString& path, qint64 seconds) {
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    if (utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) != 0)
        qFatal("cannot set the time of %s", qPrintable(path));
}

QString relativeBook(int number) {
    const int folder = number / booksPerFolder;
    return QStringLiteral("Author %1/Series %2/Book %3")
        .arg(folder / 10, 3, 10, QLatin1Char('0'))
        .arg(folder % 10)
        .arg(number % booksPerFolder);
}

// The books, and beside them in the output tree an EPUB written later.
void makeLibrary(const QString& sample, const QString& library, const QString& output, int books) {
    for (int number = 0; number < books; ++number) {
        const QString book = library + QLatin1Char('/') + relativeBook(number) + ".mobi";
        const QString epub = output + QLatin1Char('/') + relativeBook(number) + ".epub";
        QDir().mkpath(QFileInfo(book).path());
        QDir().mkpath(QFileInfo(epub).path());
        if (!QFile::copy(sample, book) || !QFile::copy(sample, epub))
            qFatal("cannot copy the sample");
        setModified(book, bookTime);
        setModified(epub, bookTime + 60);
    }
}

// A calibre that copies the book and notes each call.
QString installFakeCalibre(const QString& folder) {
    const QString fake = folder + QStringLiteral("/ebook-convert");
    QFile script(fake);
    if (!script.open(QIODevice::WriteOnly))
        qFatal("cannot write the fake calibre");
    script.write("#!/bin/sh\necho \"$1\" >> \"$0.calls\"\ncp -T -- \"$1\" \"$2\"\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("PATH", QFile::encodeName(folder) + ':' + qgetenv("PATH"));
    return fake + QStringLiteral(".calls");
}

double runSeconds(Form1& form, test::ScriptedDialogs& dialogs, QString* message) {
    dialogs.forget();
    QElapsedTimer timer;
    timer.start();
    form.PushButton2->click();
    while (isBusyWith(form, BusyWork::conversionRun) || dialogs.messages().isEmpty())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    *message = dialogs.messages().constFirst();
    return timer.nsecsElapsed() / 1e9;
}

const QString skipLoop =
    QStringLiteral("cd \"$0\" && find . -name '*.mobi' | while IFS= read -r f; do "
                   "e=\"$1/${f%.mobi}.epub\"; [ \"$e\" -nt \"$f\" ] || echo \"$f\"; done > \"$2\"");

double loopSeconds(const QString& library, const QString& output, const QString& list) {
    QProcess shell;
    QElapsedTimer timer;
    timer.start();
    shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), skipLoop, library, output, list});
    if (!shell.waitForFinished(-1) || shell.exitCode() != 0)
        qFatal("the shell loop failed");
    return timer.nsecsElapsed() / 1e9;
}

void measure(Form1& form, test::ScriptedDialogs& dialogs, const QString& work,
             const QString& sample, const QString& calls, int books) {
    const QString library = work + QStringLiteral("/library-%1").arg(books);
    const QString output = work + QStringLiteral("/epub-%1").arg(books);
    makeLibrary(sample, library, output, books);
    form.setText1(output + QLatin1Char('/'));

    const AddRun add = runAdd(form, dialogs, library);
    if (add.added != books)
        qFatal("the add found %d books of %d", add.added, books);
    QString message;
    const double skipRun = runSeconds(form, dialogs, &message);
    if (message != QStringLiteral("Done.\r\n0 of %1 files were converted.\r\n%1 files were "
                                  "skipped, because their EPUB is newer than the book.")
                       .arg(books))
        qFatal("the skip run said: %s", qPrintable(message.left(300)));
    const double loop = loopSeconds(library, output, work + QStringLiteral("/not-newer"));

    QFile::remove(calls);
    for (int number = 0; number < books; number += books / changedBooks)
        setModified(library + QLatin1Char('/') + relativeBook(number) + ".mobi", bookTime + 120);
    const double changedRun = runSeconds(form, dialogs, &message);
    QFile called(calls);
    called.open(QIODevice::ReadOnly);
    const int conversions = int(called.readAll().count('\n'));
    if (conversions != changedBooks ||
        !message.startsWith(QStringLiteral("Done.\r\n%1 of %2 files were converted.\r\n%3 files")
                                .arg(changedBooks)
                                .arg(books)
                                .arg(books - changedBooks)))
        qFatal("the second run converted %d books: %s", conversions, qPrintable(message.left(300)));

    const auto perBook = [books](double seconds) { return seconds * 1e6 / books; };
    out << QStringLiteral("%1 books in %2 sub-folders: add %3 s (%4 us/book); skip run %5 s "
                          "(%6 us/book); shell loop %7 s (%8 us/book); skip run / loop %9; "
                          "run with %10 changed books %11 s, converted exactly %12\n")
               .arg(books)
               .arg(books / booksPerFolder)
               .arg(add.milliseconds / 1e3, 0, 'f', 3)
               .arg(perBook(add.milliseconds / 1e3), 0, 'f', 1)
               .arg(skipRun, 0, 'f', 3)
               .arg(perBook(skipRun), 0, 'f', 1)
               .arg(loop, 0, 'f', 3)
               .arg(perBook(loop), 0, 'f', 1)
               .arg(skipRun / loop, 0, 'f', 2)
               .arg(changedBooks)
               .arg(changedRun, 0, 'f', 3)
               .arg(conversions)
        << Qt::flush;
    QDir(library).removeRecursively();
    QDir(output).removeRecursively();
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir work;
    isolateConversionBenchmark(work.path());
    QApplication app(argc, argv);
    QList<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes << std::max(changedBooks, QString::fromLocal8Bit(argv[i]).toInt());
    if (sizes.isEmpty())
        sizes = {1000, 2500, 5000};
    const QString fakes = work.path() + QStringLiteral("/fake");
    QDir().mkpath(fakes);
    const QString calls = installFakeCalibre(fakes);
    const QString sample =
        QStringLiteral(QUILLBROOK_PROGRAM_DIR) + QStringLiteral("/Samples/Two-Sonnets.mobi");

    test::ScriptedDialogs dialogs;
    Form1 form(Form1Setup{dialogs, QStringLiteral(QUILLBROOK_PROGRAM_DIR), [] { return 1; }});
    form.Option1->click();
    form.KeepSubfolders->setChecked(true);
    form.SkipConverted->setChecked(true);
    for (const int books : sizes)
        measure(form, dialogs, work.path(), sample, calls, books);
    return 0;
}
