#include "skin.h"

#include "attributes.h"
#include "busystate.h"
#include "failure.h"
#include "form1.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

namespace quillbrook {

namespace {

bool isVisibleFile(const QString& path) {
    if (!QFileInfo(path).isFile())
        return false;
    return (GetAttr(path) & (HiddenAttribute | SystemAttribute)) == 0;
}

// The system's colour, not the widget's: an option button's background role
// is its button colour, which the design has already painted white.
void paintButtonFace(QWidget& widget) {
    QPalette palette = widget.palette();
    palette.setColor(widget.backgroundRole(), QGuiApplication::palette().color(QPalette::Button));
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

bool takesButtonFace(const QWidget& control) {
    return qobject_cast<const QRadioButton*>(&control) ||
           qobject_cast<const QCheckBox*>(&control) || qobject_cast<const QGroupBox*>(&control) ||
           qobject_cast<const QLabel*>(&control);
}

} // namespace

void SkinFramework::LoadSkin(const QString& skinFile, const QString&) {
    QFile file(skinFile);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(FileNotFound, QStringLiteral("SkinFramework.LoadSkin"));
    styleSheet_ = QString::fromUtf8(file.readAll());
}

void SkinFramework::ApplyWindow(QWidget& window) const {
    window.setStyleSheet(styleSheet_);
}

void applySkin(QWidget& window, SkinFramework& skin, const QString& programFolder) {
    const QString skinFile = programFolder + QStringLiteral("/x/o.cjs");
    if (!isVisibleFile(skinFile))
        return;
    paintButtonFace(window);
    for (QWidget* control : window.findChildren<QWidget*>())
        if (takesButtonFace(*control))
            paintButtonFace(*control);
    skin.LoadSkin(skinFile, QString());
    skin.ApplyOptions |= 1;
    skin.ApplyToFrames = true;
    skin.ApplyToDialogs = true;
    skin.ApplyWindow(window);
}

PointerRules::PointerRules(Form1& form) : QObject(&form), form_(form) {
    for (QWidget* widget :
         {static_cast<QWidget*>(&form), static_cast<QWidget*>(form.Frame2),
          static_cast<QWidget*>(form.Frame3), static_cast<QWidget*>(form.ListView1),
          form.ListView1->viewport(), static_cast<QWidget*>(form.ListView1->header())})
        watch(widget);
    for (QPushButton* button : {form.PushButton1, form.PushButton2, form.PushButton4,
                                form.PushButton6, form.PushButton7, form.PushButton9})
        watch(button);
}

void PointerRules::watch(QWidget* widget) {
    widget->setMouseTracking(true);
    widget->installEventFilter(this);
}

bool PointerRules::isListPart(const QWidget* widget) const {
    return widget == form_.ListView1 || form_.ListView1->isAncestorOf(widget);
}

// A move the control under the pointer ignores travels on to the controls it
// stands on; only the control under the pointer (any part of the list, for
// the list) applies its rule, so a button's hand is not undone by the window
// background it stands on.
bool PointerRules::isOver(const QWidget* watched, const QWidget* underPointer) const {
    return watched == underPointer || (isListPart(watched) && isListPart(underPointer));
}

bool PointerRules::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseMove || isBusy(form_))
        return false;
    const QPoint global = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
    const QWidget* underPointer = form_.childAt(form_.mapFromGlobal(global));
    if (!isOver(static_cast<QWidget*>(watched), underPointer ? underPointer : &form_))
        return false;
    if (qobject_cast<QPushButton*>(watched))
        form_.setCursor(form_.customPointer());
    else
        showDefaultPointer(form_);
    return false;
}

} // namespace quillbrook
