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
// through this pair, with the signal's number, and the rest is done from there.
int signalPair[2] = {-1, -1};

void wakeEventLoop(int signalNumber) {
    const char byte = char(signalNumber);
    [[maybe_unused]] const ssize_t written = write(signalPair[0], &byte, 1);
}

} // namespace

void handleTerminationSignals(QObject& context, std::function<void(int signalNumber)> handler) {
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPair) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPair[1], QSocketNotifier::Read, &context);
    QObject::connect(notifier, &QSocketNotifier::activated, &context,
                     [notifier, handler = std::move(handler)] {
                         char byte = 0;
                         [[maybe_unused]] const ssize_t read = ::read(signalPair[1], &byte, 1);
                         notifier->setEnabled(false);
                         handler(byte);
                     });
    struct sigaction action {};
    action.sa_handler = wakeEventLoop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signalNumber, &action, nullptr);
}

void closeOnTerminationSignals(Form1& window) {
    handleTerminationSignals(window, [&window](int) {
        window.closeWithoutAsking();
        QCoreApplication::quit();
    });
}

} // namespace quillbrook
