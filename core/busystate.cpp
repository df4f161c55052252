#include "busystate.h"

#include <QDynamicPropertyChangeEvent>
#include <QWidget>

namespace quillbrook {

namespace {

// The count of each kind of operation lives on the window itself, so every
// command that is handed the window sees the same state.
const char* countProperty(BusyWork work) {
    switch (work) {
    case BusyWork::conversionRun:
        return "quillbrookConversionRuns";
    case BusyWork::folderAdd:
        return "quillbrookFolderAdds";
    }
    return "";
}

int runningCount(const QWidget& window, BusyWork work) {
    return window.property(countProperty(work)).toInt();
}

bool isCountProperty(const QByteArray& name) {
    return name == countProperty(BusyWork::conversionRun) ||
           name == countProperty(BusyWork::folderAdd);
}

// Every change of a count reaches the window as a property change.
class BusyWatch : public QObject {
public:
    BusyWatch(QWidget& window, std::function<void()> changed)
        : QObject(&window), changed_(std::move(changed)) {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::DynamicPropertyChange &&
            isCountProperty(static_cast<QDynamicPropertyChangeEvent*>(event)->propertyName()))
            changed_();
        return false;
    }

private:
    std::function<void()> changed_;
};

bool anyWorkGoingOn(const QWidget& window) {
    return isBusyWith(window, BusyWork::conversionRun) || isBusyWith(window, BusyWork::folderAdd);
}

} // namespace

void beginBusy(QWidget& window, BusyWork work) {
    window.setProperty(countProperty(work), runningCount(window, work) + 1);
    showWaitPointer(window);
}

void endBusy(QWidget& window, BusyWork work) {
    window.setProperty(countProperty(work), qMax(0, runningCount(window, work) - 1));
    if (!anyWorkGoingOn(window))
        showDefaultPointer(window);
}

bool isBusyWith(const QWidget& window, BusyWork work) {
    return runningCount(window, work) > 0;
}

void whenBusyChanges(QWidget& window, std::function<void()> changed) {
    new BusyWatch(window, std::move(changed));
}

bool isBusy(const QWidget& window) {
    return anyWorkGoingOn(window) ||
           (window.testAttribute(Qt::WA_SetCursor) && window.cursor().shape() == Qt::WaitCursor);
}

void showWaitPointer(QWidget& window) {
    window.setCursor(Qt::WaitCursor);
}

void showDefaultPointer(QWidget& window) {
    window.unsetCursor();
}

} // namespace quillbrook
