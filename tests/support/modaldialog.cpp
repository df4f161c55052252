#include "modaldialog.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

namespace quillbrook::test {

void actOnModalDialog(std::function<void(QWidget*)> action) {
    auto* poll = new QTimer(qApp);
    poll->setInterval(0);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, action = std::move(action)] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog || !dialog->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        action(dialog);
    });
    poll->start();
}

} // namespace quillbrook::test
