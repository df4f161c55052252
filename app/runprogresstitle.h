#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

namespace quillbrook {

// The window's title while a run has reached the given percentage:
// "42% - Quillbrook", the percentage in front of the window's own title.
QString runProgressTitle(int percent, const QString& windowTitle);

// Shows a run's progress in the window's title from the run's start and puts
// the title back, as it was at the start, when the run ends (this is destroyed).
class RunProgressTitle {
public:
    explicit RunProgressTitle(QWidget& window);
    ~RunProgressTitle();
    RunProgressTitle(const RunProgressTitle&) = delete;
    RunProgressTitle& operator=(const RunProgressTitle&) = delete;

    void show(int percent);

private:
    QPointer<QWidget> window_;
    QString title_;
};

} // namespace quillbrook
