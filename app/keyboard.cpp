#include "keyboard.h"

#include <QKeyEvent>
#include <QPushButton>

namespace quillbrook {

namespace {

class ReturnPressesButton : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            return false;
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if (modifiers != Qt::NoModifier)
            return false;
        // Holding the key down presses the button once.
        if (!key->isAutoRepeat())
            static_cast<QPushButton*>(watched)->click();
        return true;
    }
};

} // namespace

void pressButtonsWithReturn(QWidget& window) {
    auto* filter = new ReturnPressesButton(&window);
    for (QPushButton* button : window.findChildren<QPushButton*>())
        button->installEventFilter(filter);
}

} // namespace quillbrook
