#pragma once

class QWidget;

namespace quillbrook {

// The busy state of a long operation is the wait pointer on the main window.
bool isBusy(const QWidget& window);
void showWaitPointer(QWidget& window);
void showDefaultPointer(QWidget& window);

} // namespace quillbrook
