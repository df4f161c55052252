#pragma once

class QWidget;

namespace quillbrook {

// Return and Enter press the focused push button of the window, as Space
// does. Qt gives them to buttons only in dialogs; the main window is none.
// The filter belongs to the window.
void pressButtonsWithReturn(QWidget& window);

} // namespace quillbrook
