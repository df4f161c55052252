#include "busystate.h"

#include <QWidget>

namespace quillbrook {

bool isBusy(const QWidget& window) {
    return window.testAttribute(Qt::WA_SetCursor) && window.cursor().shape() == Qt::WaitCursor;
}

void showWaitPointer(QWidget& window) {
    window.setCursor(Qt::WaitCursor);
}

void showDefaultPointer(QWidget& window) {
    window.unsetCursor();
}

} // namespace quillbrook
