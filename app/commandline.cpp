#include "commandline.h"

#include "addfolder.h"
#include "apptitle.h"
#include "failure.h"
#include "filedrop.h"
#include "form1.h"
#include "paths.h"
#include "quillbrookversion.h"
#include "settingskeys.h"

#include <QCommandLineParser>
#include <QDir>

namespace quillbrook {

namespace {

const QString helpText = QStringLiteral(
    "Usage: quillbrook [--new-window] [FILE|FOLDER]...\n"
    "       quillbrook --convert [--output DIR] [--keep-subfolders] [--skip-converted]\n"
    "                  [--jobs N] [--extension EXT] FILE|FOLDER...\n"
    "Converts MOBI e-books into EPUB with calibre, many at a time.\n"
    "\n"
    "Opens the window and adds the files and folders given to its list, as a drop\n"
    "of them on the list does. A folder adds every file of its tree that has one of\n"
    "the extensions last entered for \"Add All MOBI File(s) In Folder\" (at first\n"
    "mobi).\n"
    "When the program already runs for this user on this display, the files and\n"
    "folders go to that window instead, which comes to the front.\n"
    "\n"
    "With --convert there is no window and no display is needed: the files given,\n"
    "and the files of each folder's tree that have one of the extensions EXT, are\n"
    "converted at once. One line per book goes to standard error as it ends, and\n"
    "the final message to standard output. The exit status is 0 when every book\n"
    "was converted or skipped, 1 when one failed, 2 for a mistake in the options,\n"
    "and 128 plus the signal's number when a signal stopped the run.\n"
    "\n"
    "Options:\n"
    "  --new-window        Open a separate window even when the program already runs.\n"
    "  --convert           Convert without a window.\n"
    "  --output DIR        Save the EPUB files in DIR (which must exist), not\n"
    "                      beside their books.\n"
    "  --keep-subfolders   Under DIR, keep each book's path below the folder given.\n"
    "  --skip-converted    Skip a book whose EPUB is newer than the book.\n"
    "  --jobs N            Run N converters at once (1 to 16).\n"
    "  --extension EXT     Take the files with extension EXT from folders (mobi);\n"
    "                      several are separated by commas, as in mobi,azw3.\n"
    "  -h, --help          Show this help and exit.\n"
    "  -v, --version       Show the version and exit.\n"
    "  --                  Take every argument after it as a file or folder.\n");

CommandLineRequest answer(int exitStatus, const QString& output, const QString& error) {
    CommandLineRequest request;
    request.exitStatus = exitStatus;
    request.standardOutput = output;
    request.standardError = error;
    return request;
}

CommandLineRequest usageError(const QString& problem) {
    return answer(2, {}, QStringLiteral("quillbrook: %1 Try 'quillbrook --help'.\n").arg(problem));
}

// A path as given when it is absolute, as a drop gives it; otherwise taken
// from the working folder, since the program's own current folder changes.
QString absolutePathOf(const QString& argument, const QString& workingFolder) {
    if (QDir::isAbsolutePath(argument))
        return argument;
    return QDir::cleanPath(QDir(workingFolder).absoluteFilePath(argument));
}

// A settings store that cannot be read has already been reported by the
// window's start-up; the folders then get the extension's first value.
QString folderExtension() {
    try {
        return settingKeys::Extension.read();
    } catch (const Failure&) {
        return settingKeys::Extension.defaultText;
    }
}

// The options of --convert; each but --convert itself is a mistake without it.
struct ConvertOptions {
    QCommandLineOption convert{QStringLiteral("convert")};
    QCommandLineOption output{QStringLiteral("output"), QString(), QStringLiteral("DIR")};
    QCommandLineOption keepSubfolders{QStringLiteral("keep-subfolders")};
    QCommandLineOption skipConverted{QStringLiteral("skip-converted")};
    QCommandLineOption jobs{QStringLiteral("jobs"), QString(), QStringLiteral("N")};
    QCommandLineOption extension{QStringLiteral("extension"), QString(), QStringLiteral("EXT"),
                                 QStringLiteral("mobi")};

    QList<QCommandLineOption> onlyWithConvert() const {
        return {output, keepSubfolders, skipConverted, jobs, extension};
    }
};

// The conversion --convert asks for, or the usage error in its options.
CommandLineRequest readConvertRequest(const QCommandLineParser& parser,
                                      const ConvertOptions& options, const QString& workingFolder,
                                      CommandLineRequest request) {
    if (request.newWindow)
        return usageError(QStringLiteral("--new-window opens a window; --convert has none."));
    if (request.paths.isEmpty())
        return usageError(QStringLiteral("--convert needs at least one file or folder."));
    ConvertRequest convert;
    convert.keepSubfolders = parser.isSet(options.keepSubfolders);
    convert.skipConverted = parser.isSet(options.skipConverted);
    if (parser.isSet(options.jobs)) {
        bool isNumber = false;
        const int jobs = parser.value(options.jobs).toInt(&isNumber);
        if (!isNumber || jobs < 1 || jobs > mostSimultaneousConversions)
            return usageError(QStringLiteral("--jobs takes a number from 1 to %1.")
                                  .arg(mostSimultaneousConversions));
        convert.jobs = jobs;
    }
    convert.extension = parser.value(options.extension);
    if (convert.extension.isEmpty())
        return usageError(QStringLiteral("--extension takes an extension, such as mobi."));
    if (parser.isSet(options.output)) {
        const QString output = parser.value(options.output);
        convert.outputFolder = absolutePathOf(output, workingFolder);
        if (output.isEmpty() || !FolderExists(convert.outputFolder))
            return usageError(
                QStringLiteral("The output folder \"%1\" does not exist.").arg(output));
    }
    request.convert = convert;
    return request;
}

} // namespace

CommandLineRequest readCommandLine(const QStringList& arguments, const QString& workingFolder) {
    QCommandLineParser parser;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, QString());
    const QCommandLineOption newWindow(QStringLiteral("new-window"), QString());
    const ConvertOptions convertOptions;
    parser.addOptions({help, version, newWindow, convertOptions.convert});
    parser.addOptions(convertOptions.onlyWithConvert());
    if (!parser.parse(arguments))
        return usageError(parser.errorText().simplified());
    if (parser.isSet(help))
        return answer(0, helpText, {});
    if (parser.isSet(version))
        return answer(0, productName + QLatin1Char(' ') + QStringLiteral(QUILLBROOK_VERSION "\n"),
                      {});
    CommandLineRequest request;
    request.newWindow = parser.isSet(newWindow);
    for (const QString& argument : parser.positionalArguments())
        request.paths.append(absolutePathOf(argument, workingFolder));
    if (parser.isSet(convertOptions.convert))
        return readConvertRequest(parser, convertOptions, workingFolder, request);
    for (const QCommandLineOption& option : convertOptions.onlyWithConvert())
        if (parser.isSet(option))
            return usageError(QStringLiteral("--%1 is used only with --convert.")
                                  .arg(option.names().constFirst()));
    return request;
}

void addCommandLinePaths(Form1& window, const QStringList& paths) {
    const FolderCommandTarget target{window, *window.ListView1, window.dialogs(),
                                     window.lifetime()};
    const QStringList folderPatterns = extensionPatterns(folderExtension());
    for (const QString& path : paths) {
        if (window.lifetime().ended())
            return;
        addPathAsDropped(target, path, folderPatterns);
    }
}

PathBatchQueue* commandLinePathQueue(Form1& window) {
    const FolderCommandTarget target{window, *window.ListView1, window.dialogs(),
                                     window.lifetime()};
    return new PathBatchQueue(
        target, [&window](const QStringList& paths) { addCommandLinePaths(window, paths); },
        &window);
}

} // namespace quillbrook
