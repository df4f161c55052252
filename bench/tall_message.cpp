// The final message at lengths no message box can show: time until the dialog
// has painted, time from OK until it is gone, and the process's peak memory,
// for the program's dialogs and for a plain QMessageBox (how every message was
// shown before tall ones got a scrolling dialog). Each figure comes from a
// process of its own, so that peak memory belongs to one dialog alone.
//
//   tall_message                       all cases
//   tall_message dialogs|messagebox failures|longreason COUNT    one case

#include "dialogs.h"
#include "longmessages.h"
#include "modaldialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <cstdio>
#include <functional>
#include <sys/resource.h>

using namespace quillbrook;

namespace {

double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

QPushButton* okButtonOf(QWidget* dialog) {
    for (auto* button : dialog->findChildren<QPushButton*>())
        if (button->text().remove(QLatin1Char('&')) == QLatin1String("OK"))
            return button;
    return nullptr;
}

// Shows a dialog with `show`, waits for the dialog to paint once, presses OK
// and prints the figures.
void measure(const QString& label, const std::function<void()>& show) {
    const double baseline = peakMegabytes();
    QElapsedTimer clock;
    double shownSeconds = 0;
    qint64 pressedAt = 0;
    test::actOnModalDialog([&](QWidget* dialog) {
        dialog->repaint();
        shownSeconds = clock.nsecsElapsed() / 1e9;
        pressedAt = clock.nsecsElapsed();
        okButtonOf(dialog)->click();
    });
    clock.start();
    show();
    const double closedSeconds = (clock.nsecsElapsed() - pressedAt) / 1e9;
    std::printf(
        "%-44s shown in %7.3f s, closed in %7.3f s, peak memory %7.1f MB (%.1f MB before)\n",
        qPrintable(label), shownSeconds, closedSeconds, peakMegabytes(), baseline);
    std::fflush(stdout);
}

int runOneCase(const QStringList& arguments) {
    const bool plainBox = arguments.at(1) == QLatin1String("messagebox");
    const int count = arguments.at(3).toInt();
    const bool longReason = arguments.at(2) == QLatin1String("longreason");
    const QString text =
        longReason ? test::messageWithOneLongReason(count) : test::messageWithFailures(count);
    const QString label = QStringLiteral("%1, %2 %3 (%4 KB)")
                              .arg(plainBox ? "QMessageBox" : "program's dialogs")
                              .arg(count)
                              .arg(longReason ? "characters' reason" : "failures")
                              .arg(text.size() / 1024);
    QtDialogs dialogs;
    measure(label, [&] {
        if (!plainBox) {
            dialogs.messageBox(text, Dialogs::Buttons::Ok, Dialogs::Icon::None, {});
            return;
        }
        QString shown = text;
        shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Quillbrook"), shown, QMessageBox::Ok);
        box.exec();
    });
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() == 4)
        return runOneCase(arguments);

    // A QMessageBox lays out its whole text at once; at 100,000 failures that
    // takes half a minute, so its growth is shown at smaller counts as well.
    const QList<QStringList> cases{
        {"dialogs", "failures", "300"},         {"dialogs", "failures", "100000"},
        {"dialogs", "longreason", "102400"},    {"messagebox", "failures", "300"},
        {"messagebox", "failures", "10000"},    {"messagebox", "failures", "100000"},
        {"messagebox", "longreason", "102400"},
    };
    for (const QStringList& oneCase : cases) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QApplication::applicationFilePath(), oneCase);
        child.waitForFinished(-1);
    }
    return 0;
}
