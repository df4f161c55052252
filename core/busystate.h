#pragma once

#include <functional>

class QWidget;

namespace quillbrook {

// The long operations that keep the main window busy, whatever its pointer
// shows: while one is going on, the list refuses removals and reorders.
enum class BusyWork { conversionRun, folderAdd };

// Marks the window busy with one more operation of that kind and shows the
// wait pointer.
void beginBusy(QWidget& window, BusyWork work);
// Ends one operation of that kind; the default pointer comes back only once
// no operation is left, so a folder add ending mid-run leaves the run busy.
void endBusy(QWidget& window, BusyWork work);
bool isBusyWith(const QWidget& window, BusyWork work);

// Keeps the window busy with one operation of that kind for as long as it
// lives, however the operation ends.
class BusyScope {
public:
    BusyScope(QWidget& window, BusyWork work) : window_(window), work_(work) {
        beginBusy(window_, work_);
    }
    ~BusyScope() { endBusy(window_, work_); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    QWidget& window_;
    BusyWork work_;
};

// Calls back after each begin and end of an operation on the window, so that
// the window can show what it refuses meanwhile. The watch belongs to the window.
void whenBusyChanges(QWidget& window, std::function<void()> changed);

// Busy while an operation is going on or while the window shows the wait pointer.
bool isBusy(const QWidget& window);
void showWaitPointer(QWidget& window);
void showDefaultPointer(QWidget& window);

} // namespace quillbrook
