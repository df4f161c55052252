#include "commandline.h"
#include "dialogs.h"
#include "filedrop.h"
#include "form1.h"
#include "handover.h"
#include "headlessrun.h"
#include "quillbrookversion.h"
#include "terminationsignals.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <cstdio>

namespace {

QStringList argumentsOf(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

} // namespace

int main(int argc, char* argv[]) {
    // The command line is read before the window system is reached, so help,
    // version and mistakes are answered with no display at all.
    const quillbrook::CommandLineRequest request =
        quillbrook::readCommandLine(argumentsOf(argc, argv), QDir::currentPath());
    if (request.exitStatus) {
        std::fputs(request.standardOutput.toLocal8Bit().constData(), stdout);
        std::fputs(request.standardError.toLocal8Bit().constData(), stderr);
        return *request.exitStatus;
    }
    // Without a window no window system is reached, so no display is needed.
    if (request.convert) {
        int toolkitArgumentCount = 1;
        QCoreApplication application(toolkitArgumentCount, argv);
        return quillbrook::convertWithoutWindow(request);
    }

    // The toolkit is given none of the arguments: a file named like one of its
    // own options must reach the list, not change the program.
    int toolkitArgumentCount = 1;
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication application(toolkitArgumentCount, argv);
    QApplication::setOrganizationName(QStringLiteral("Brackwater"));
    QApplication::setApplicationName(QStringLiteral("Quillbrook"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLBROOK_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral(QUILLBROOK_APP_ID));

    // One window per user and display: a later start hands its paths over
    // and ends, unless it asks for a window of its own.
    quillbrook::HandOverServer handOver;
    if (!request.newWindow &&
        quillbrook::handOverOrServe(quillbrook::handOverSocketPath(), request.paths, handOver) ==
            quillbrook::StartRole::handedOver)
        return 0;

    quillbrook::QtDialogs dialogs;
    quillbrook::Form1 window(
        {dialogs, QCoreApplication::applicationDirPath(), quillbrook::timeSeededDraw()});
    dialogs.setOwner(&window);
    quillbrook::closeOnTerminationSignals(window);
    quillbrook::PathBatchQueue* commandLinePaths = quillbrook::commandLinePathQueue(window);
    quillbrook::serveWindow(handOver, window, *commandLinePaths);

    window.move(window.screen()->availableGeometry().center() - window.rect().center());
    window.show();
    commandLinePaths->append(request.paths);
    return application.exec();
}
