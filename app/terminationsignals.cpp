#include "terminationsignals.h"

#include "form1.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace quillbrook {

namespace {

// A signal handler may do almost nothing: it only wakes the event loop
// through this pair, and the window is closed from there.
int signalPair[2] = {-1, -1};

void wakeEventLoop(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(signalPair[0], &byte, 1);
}

} // namespace

void closeOnTerminationSignals(Form1& window) {
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPair) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPair[1], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window, notifier] {
        char byte = 0;
        [[maybe_unused]] const ssize_t read = ::read(signalPair[1], &byte, 1);
        notifier->setEnabled(false);
        window.closeWithoutAsking();
        QCoreApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = wakeEventLoop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signalNumber, &action, nullptr);
}

} // namespace quillbrook
