#pragma once

#include <QString>
#include <chrono>

class QWidget;

namespace quillbrook {

// A run that took longer than this may have ended while the user was away.
inline constexpr std::chrono::seconds longRun{30};

// Whether the end of a run is announced: only after a long run, and only when
// the window is not the active window (the user is looking elsewhere).
bool runEndIsAnnounced(std::chrono::milliseconds runTime, bool windowIsActive);

// The desktop notification's text: "Quillbrook: N of M files converted", with
// M the number of books the run took and N those converted.
QString runEndNotificationText(int converted, int taken);

// Hands the text to the desktop's notification service
// (org.freedesktop.Notifications on the session bus) without waiting for an
// answer. Without a session bus or without the service nothing happens.
void sendDesktopNotification(const QString& text);

// At the end of a run: when runEndIsAnnounced, the window asks for attention
// (the taskbar's alert) and the desktop notification is sent.
void announceRunEnd(QWidget& window, int converted, int taken, std::chrono::milliseconds runTime);

} // namespace quillbrook
