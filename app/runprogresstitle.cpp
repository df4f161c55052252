#include "runprogresstitle.h"

namespace quillbrook {

QString runProgressTitle(int percent, const QString& windowTitle) {
    return QStringLiteral("%1% - %2").arg(percent).arg(windowTitle);
}

RunProgressTitle::RunProgressTitle(QWidget& window)
    : window_(&window), title_(window.windowTitle()) {}

RunProgressTitle::~RunProgressTitle() {
    if (window_)
        window_->setWindowTitle(title_);
}

void RunProgressTitle::show(int percent) {
    if (window_)
        window_->setWindowTitle(runProgressTitle(percent, title_));
}

} // namespace quillbrook
