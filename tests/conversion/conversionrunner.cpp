// A small program for the tests: the real main window, its list filled with
// the paths on the command line, a conversion run started at once, and the
// program's handling of termination signals, as the real program has it. It
// prints "running" once the run has started and exits when the window closes.

#include "form1.h"
#include "inputlist.h"
#include "scripteddialogs.h"
#include "terminationsignals.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    quillbrook::test::ScriptedDialogs dialogs;
    quillbrook::Form1 window(
        {dialogs, qEnvironmentVariable("QUILLBROOK_PROGRAM_DIR"), [] { return 1; }});
    quillbrook::closeOnTerminationSignals(window);
    for (const QString& path : application.arguments().mid(1))
        quillbrook::inputlist::append(*window.ListView1, path);
    window.show();
    QTimer::singleShot(0, &window, [&window] {
        window.PushButton2->click();
        std::puts("running");
        std::fflush(stdout);
    });
    return QApplication::exec();
}
