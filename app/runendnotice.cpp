#include "runendnotice.h"

#include "apptitle.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>
#include <QWidget>

namespace quillbrook {

namespace {
const QString notificationService = QStringLiteral("org.freedesktop.Notifications");
const QString notificationPath = QStringLiteral("/org/freedesktop/Notifications");
// Let the notification server decide how long the notice stays.
constexpr int serverChoosesTimeout = -1;
} // namespace

bool runEndIsAnnounced(std::chrono::milliseconds runTime, bool windowIsActive) {
    return runTime > longRun && !windowIsActive;
}

QString runEndNotificationText(int converted, int taken) {
    return QStringLiteral("%1: %2 of %3 files converted")
        .arg(productName)
        .arg(converted)
        .arg(taken);
}

void sendDesktopNotification(const QString& text) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    // The desktop entry names the program and its icon to the notification server.
    const QString desktopEntry = QGuiApplication::desktopFileName();
    QVariantMap hints;
    if (!desktopEntry.isEmpty())
        hints.insert(QStringLiteral("desktop-entry"), desktopEntry);
    QDBusMessage notify = QDBusMessage::createMethodCall(
        notificationService, notificationPath, notificationService, QStringLiteral("Notify"));
    notify << productName << 0u << desktopEntry << text << QString() << QStringList() << hints
           << serverChoosesTimeout;
    // Sent without waiting: a slow or absent server must not hold up the window.
    bus.send(notify);
}

void announceRunEnd(QWidget& window, int converted, int taken, std::chrono::milliseconds runTime) {
    if (!runEndIsAnnounced(runTime, window.isActiveWindow()))
        return;
    QApplication::alert(&window);
    sendDesktopNotification(runEndNotificationText(converted, taken));
}

} // namespace quillbrook
