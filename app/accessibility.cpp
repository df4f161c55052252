#include "accessibility.h"

#include "form1.h"

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>

namespace quillbrook {

namespace {

// Qt's own interface for a progress bar describes it by its hover hint; ours
// describes it by the text it shows ("Processing: ..."), read afresh each time,
// whoever set it.
class ProgressBarWithTextDescription : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit ProgressBarWithTextDescription(QProgressBar* bar)
        : QAccessibleWidget(bar, QAccessible::ProgressBar) {}

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Description)
            return bar()->text();
        return QAccessibleWidget::text(kind);
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QVariant currentValue() const override { return bar()->value(); }
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return bar()->maximum(); }
    QVariant minimumValue() const override { return bar()->minimum(); }
    QVariant minimumStepSize() const override { return 1; }

private:
    QProgressBar* bar() const { return static_cast<QProgressBar*>(widget()); }
};

QAccessibleInterface* progressBarInterface(const QString&, QObject* object) {
    if (auto* bar = qobject_cast<QProgressBar*>(object))
        return new ProgressBarWithTextDescription(bar);
    return nullptr;
}

} // namespace

void describeControls(Form1& form) {
    // Before anything asks for the bar's interface: Qt keeps the first it makes.
    QAccessible::installFactory(progressBarInterface);
    form.ListView1->setAccessibleName(QStringLiteral("Books to convert"));
    // The hint, and the keys that do what its mouse gestures do.
    form.ListView1->setAccessibleDescription(
        form.ListView1->toolTip() +
        QStringLiteral(
            " The Delete key removes the selected item; Ctrl+Up and Ctrl+Down move it."));
    form.ProgressBar1->setAccessibleName(QStringLiteral("Conversion progress"));
    form.Frame2->setAccessibleName(form.Frame2->title());
    form.Frame3->setAccessibleName(QStringLiteral("Output folder"));
    form.Text1->setAccessibleName(QStringLiteral("Output folder"));
    form.Text1->setAccessibleDescription(
        QStringLiteral("The folder the EPUB files are saved in when \"Save results to this "
                       "folder:\" is selected"));
    form.PushButton9->setAccessibleName(QStringLiteral("Choose output folder"));
    form.KeepSubfolders->setAccessibleName(form.KeepSubfolders->text());
    form.KeepSubfolders->setAccessibleDescription(
        QStringLiteral("Saves a book added with a folder under its sub-folder of that folder"));
    form.SkipConverted->setAccessibleName(form.SkipConverted->text());
    form.SkipConverted->setAccessibleDescription(
        QStringLiteral("Leaves out a book whose EPUB file is newer than the book"));
}

} // namespace quillbrook
