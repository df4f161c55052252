#include "commandline.h"

#include "addfolder.h"
#include "apptitle.h"
#include "failure.h"
#include "filedrop.h"
#include "form1.h"
#include "quillbrookversion.h"
#include "settingskeys.h"

#include <QCommandLineParser>
#include <QDir>

namespace quillbrook {

namespace {

const QString helpText = QStringLiteral(
    "Usage: quillbrook [--new-window] [FILE|FOLDER]...\n"
    "Converts MOBI e-books into EPUB with calibre, many at a time.\n"
    "\n"
    "Opens the window and adds the files and folders given to its list, as a drop\n"
    "of them on the list does. A folder adds every file of its tree that has one of\n"
    "the extensions last entered for \"Add All MOBI File(s) In Folder\" (at first\n"
    "mobi).\n"
    "When the program already runs for this user on this display, the files and\n"
    "folders go to that window instead, which comes to the front.\n"
    "\n"
    "Options:\n"
    "  --new-window   Open a separate window even when the program already runs.\n"
    "  -h, --help     Show this help and exit.\n"
    "  -v, --version  Show the version and exit.\n"
    "  --             Take every argument after it as a file or folder.\n");

CommandLineRequest answer(int exitStatus, const QString& output, const QString& error) {
    return {exitStatus, output, error, {}};
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

} // namespace

CommandLineRequest readCommandLine(const QStringList& arguments, const QString& workingFolder) {
    QCommandLineParser parser;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, QString());
    const QCommandLineOption newWindow(QStringLiteral("new-window"), QString());
    parser.addOptions({help, version, newWindow});
    if (!parser.parse(arguments))
        return answer(2, {},
                      QStringLiteral("quillbrook: %1 Try 'quillbrook --help'.\n")
                          .arg(parser.errorText().simplified()));
    if (parser.isSet(help))
        return answer(0, helpText, {});
    if (parser.isSet(version))
        return answer(0, productName + QLatin1Char(' ') + QStringLiteral(QUILLBROOK_VERSION "\n"),
                      {});
    CommandLineRequest request;
    request.newWindow = parser.isSet(newWindow);
    for (const QString& argument : parser.positionalArguments())
        request.paths.append(absolutePathOf(argument, workingFolder));
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
