#include "conversionrun.h"

#include "apptitle.h"
#include "busystate.h"
#include "cunzip.h"
#include "dialogs.h"
#include "failure.h"
#include "handledoperation.h"
#include "inputlist.h"
#include "munzip.h"
#include "outputstamp.h"
#include "paths.h"
#include "runandwait.h"
#include "temporaryfolder.h"
#include "textfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <algorithm>
#include <cmath>
#include <optional>

namespace quillbrook {

namespace {

const QString lineBreak = QStringLiteral("\r\n");

QString closingSentence() {
    return QStringLiteral("were not converted. It may be that they are too big in filesize. "
                          "Please email ") +
           supportAddress +
           QStringLiteral(" a screenshot of this error message if you have any questions.");
}

QString archiveFile() {
    return TemporaryFolder() + pathSeparator + QStringLiteral("calibre.zip");
}

QString converterFolder() {
    return TemporaryFolder() + pathSeparator + QStringLiteral("calibre");
}

QString inConverterFolder(const QString& name) {
    return converterFolder() + pathSeparator + name;
}

QByteArray readConverterResource() {
    QFile resource(QStringLiteral(":/CUSTOM/101"));
    if (!resource.open(QIODevice::ReadOnly))
        throw Failure(FileNotFound, QStringLiteral("LoadResData"));
    return resource.readAll();
}

// The zip component is loaded from the program's folder.
void enterProgramFolder(const QString& folder) {
    if (!QDir::setCurrent(folder))
        throw Failure(PathNotFound, QStringLiteral("ChDir"));
    mUnzip::setComponentFolder(folder);
}

// One piece of the batch line, taken literally by the shell whatever it holds.
QString shellQuoted(QString piece) {
    piece.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + piece + QLatin1Char('\'');
}

// The share of the list reached, for a bar that runs from 0 to 100; halves go
// to the even neighbour, as the bar was always fed.
int progressValue(int position, int itemCount) {
    return static_cast<int>(std::lrint(std::min(100.0, double(position) / itemCount * 100.0)));
}

QString withoutOuterSpaces(const QString& text) {
    qsizetype first = 0;
    qsizetype end = text.size();
    while (first < end && text[first] == QLatin1Char(' '))
        ++first;
    while (end > first && text[end - 1] == QLatin1Char(' '))
        --end;
    return text.mid(first, end - first);
}

void processEvents() {
    QCoreApplication::processEvents();
}

// One press of "Start Converting" and what it keeps until it ends.
class ConversionRun {
public:
    explicit ConversionRun(const ConversionWindow& window)
        : w_(window), op_(window.dialogs, window.lifetime, locations::startConverting) {}

    void run();

private:
    QString destinationProblem();
    void prepare();
    void unpackConverter();
    void convert(int position);
    void showProgress(int position);
    void formOutput();
    void runConverter();
    void recordFailure();
    void finish();
    void showMessage(const QString& text) { w_.dialogs.messageBox(text); }

    const ConversionWindow& w_;
    HandledOperation op_;
    QString logFile_;
    QString batchFile_;
    QByteArray archive_;
    std::optional<cUnzip> unzip_;
    QString failures_;
    QString input_;
    QString output_;
    QString command_;
    QString arguments_;
    OutputStamp outputBefore_;
    int exitCode_ = 0;
    QString errorText_;
    QStringList logLines_;
};

void ConversionRun::run() {
    // A folder add's listing lets window events through; a run may not start in it.
    if (op_.exitIf(
            100, [&] { return w_.state.converting || isBusyWith(w_.window, BusyWork::folderAdd); }))
        return;
    op_.step(102, [&] { w_.state.converting = true; });
    if (op_.exitIf(104, [&] { return inputlist::count(w_.ListView1) == 0; })) {
        op_.step(214, [&] { showMessage(QStringLiteral("No files added.")); });
    } else if (const QString problem = destinationProblem(); !problem.isEmpty()) {
        op_.step(212, [&] { showMessage(problem); });
    } else {
        prepare();
        int itemCount = 0;
        op_.step(140, [&] { itemCount = inputlist::count(w_.ListView1); });
        for (int position = 1; position <= itemCount; ++position)
            convert(position);
        finish();
    }
    w_.state.converting = false;
}

// The output folder is looked at only here; with neither save option selected
// there is no place to put results, and the user is asked to choose one.
QString ConversionRun::destinationProblem() {
    QString problem;
    op_.step(106, [&] {
        if (!w_.Option1.isChecked() && !w_.Option2.isChecked())
            problem = QStringLiteral(
                "No save option is selected. Please select where to save the results.");
        else if (!w_.Option2.isChecked() && !FolderExists(w_.Text1.text()))
            problem = QStringLiteral("Folder does not exist. Please select another folder.");
    });
    return problem;
}

void ConversionRun::prepare() {
    op_.step(108, [&] { beginBusy(w_.window, BusyWork::conversionRun); });
    op_.step(110, [&] { failures_.clear(); });
    op_.step(112, [&] { logFile_ = inConverterFolder(QStringLiteral("debug.txt")); });
    op_.step(114, [&] { batchFile_ = inConverterFolder(QStringLiteral("Convert.bat")); });
    op_.step(116, [&] { DeleteFileQuietly(logFile_); });
    op_.step(118, processEvents);
    op_.step(120, [&] { archive_ = readConverterResource(); });
    op_.step(122, processEvents);
    if (op_.when(124, [&] { return !PathExists(archiveFile()); }))
        op_.step(124, [&] { WriteBytesIfAbsent(archive_, archiveFile()); });
    op_.step(126, [&] { enterProgramFolder(w_.programFolder); });
    unpackConverter();
    op_.step(138, [&] { DeleteFileQuietly(archiveFile()); });
}

void ConversionRun::unpackConverter() {
    op_.step(128, [&] { unzip_.emplace(); });
    op_.step(130, [&] { unzip_->setZipFile(archiveFile()); });
    op_.step(132, [&] { unzip_->setUseFolderNames(true); });
    op_.step(134, [&] { unzip_->setUnzipFolder(converterFolder()); });
    op_.step(136, [&] { unzip_->Unzip(); });
}

void ConversionRun::convert(int position) {
    op_.step(142, processEvents);
    op_.step(144, [&] { showWaitPointer(w_.window); });
    op_.step(146, [&] { input_ = inputlist::itemText(w_.ListView1, position); });
    showProgress(position);
    op_.step(152, processEvents);
    formOutput();
    runConverter();
    if (!op_.exitIf(174, [&] { return exitCode_ == 0 && writtenSince(outputBefore_, output_); }))
        recordFailure();
    op_.step(192, [&] { DeleteFileQuietly(logFile_); });
    op_.step(194, [&] { DeleteFileQuietly(batchFile_); });
}

// Items added during the run are not converted by it, yet they count here.
void ConversionRun::showProgress(int position) {
    op_.step(148, [&] {
        w_.ProgressBar1.setValue(progressValue(position, inputlist::count(w_.ListView1)));
    });
    op_.step(150, [&] {
        w_.ProgressBar1.setFormat(QStringLiteral("Processing: ") + FileNameOf(input_));
    });
}

void ConversionRun::formOutput() {
    const auto epubName = [&] {
        return StripExtension(FileNameOf(input_)) + QStringLiteral(".epub");
    };
    if (op_.when(154, [&] { return w_.Option1.isChecked(); }))
        op_.step(156, [&] { output_ = CleanPath(w_.Text1.text() + pathSeparator + epubName()); });
    else if (op_.when(158, [&] { return w_.Option2.isChecked(); }))
        op_.step(160, [&] { output_ = CleanPath(FolderOf(input_) + pathSeparator + epubName()); });
}

// The batch line is a shell line: every piece is quoted so that nothing in a
// path is run, the log takes both output streams, and the closing comment
// swallows the carriage return that ends every line the program writes.
void ConversionRun::runConverter() {
    op_.step(162, [&] {
        command_ = shellQuoted(inConverterFolder(QStringLiteral("ebook-convert.exe")));
    });
    op_.step(164,
             [&] { arguments_ = shellQuoted(input_) + QLatin1Char(' ') + shellQuoted(output_); });
    op_.step(166, [&] {
        arguments_ += QStringLiteral(" > ") + shellQuoted(logFile_) + QStringLiteral(" 2>&1 #");
    });
    op_.step(168, [&] { DeleteFileQuietly(batchFile_); });
    op_.step(170, [&] { WriteTextFile(command_ + QLatin1Char(' ') + arguments_, batchFile_); });
    op_.step(172, [&] {
        outputBefore_ = stampOf(output_);
        exitCode_ = RunAndWait(batchFile_, 0);
    });
}

// The reason shown for a failed input is the last log line that mentions an error.
void ConversionRun::recordFailure() {
    op_.step(176, [&] { errorText_.clear(); });
    if (!op_.exitIf(178, [&] { return !PathExists(logFile_); })) {
        op_.step(180, [&] { logLines_ = ReadTextLines(logFile_); });
        for (qsizetype j = 0; j < logLines_.size(); ++j) {
            if (op_.when(184, [&] {
                    return logLines_[j].contains(QLatin1String("error"), Qt::CaseInsensitive);
                }))
                op_.step(186, [&] {
                    errorText_ = QStringLiteral(" Error: ") + withoutOuterSpaces(logLines_[j]);
                });
        }
    }
    op_.step(190, [&] { failures_ += lineBreak + input_ + errorText_; });
}

void ConversionRun::finish() {
    op_.step(198, [&] { DeleteFolderTree(converterFolder()); });
    op_.step(200, [&] { endBusy(w_.window, BusyWork::conversionRun); });
    op_.step(202, [&] { w_.ProgressBar1.setValue(0); });
    op_.step(204, [&] { w_.ProgressBar1.setFormat(QStringLiteral("Progress Bar")); });
    if (!op_.exitIf(206, [&] { return failures_.isEmpty(); }))
        op_.step(208, [&] {
            failures_ = lineBreak + lineBreak + QStringLiteral("These files:") + lineBreak +
                        failures_ + lineBreak + lineBreak + closingSentence();
        });
    op_.step(210, [&] { showMessage(QStringLiteral("Done.") + failures_); });
}

} // namespace

void PushButton2_Click(const ConversionWindow& window) {
    ConversionRun(window).run();
}

} // namespace quillbrook
