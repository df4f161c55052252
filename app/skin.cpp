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

// The control whose rule a move over the given control follows: a disabled
// control passes the mouse to the control that holds it.
const QWidget* PointerRules::actingControl(const QWidget* underPointer) const {
    while (!underPointer->isEnabled() && underPointer != &form_)
        underPointer = underPointer->parentWidget();
    return underPointer;
}

// A move travels from the control under the pointer up through the controls
// that hold it while they pass it on; it is acted on where it passes the
// acting control or a disabled control below it, so that a button's hand is
// not undone by the window background it stands on.
bool PointerRules::actsHere(const QWidget* receiver, const QWidget* underPointer,
                            const QWidget* acting) const {
    if (isListPart(receiver) && isListPart(acting))
        return true;
    const bool holdsTarget = receiver == underPointer || receiver->isAncestorOf(underPointer);
    return holdsTarget && (receiver == acting || acting->isAncestorOf(receiver));
}

bool PointerRules::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseMove || isBusy(form_))
        return false;
    const QPoint global = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
    const QWidget* child = form_.childAt(form_.mapFromGlobal(global));
    const QWidget* underPointer = child ? child : &form_;
    const QWidget* acting = actingControl(underPointer);
    if (!actsHere(static_cast<QWidget*>(watched), underPointer, acting))
        return false;
    if (qobject_cast<const QPushButton*>(acting))
        form_.setCursor(form_.customPointer());
    else if (acting == &form_ || acting == form_.Frame2 || acting == form_.Frame3 ||
             isListPart(acting))
        showDefaultPointer(form_);
    return false;
}

} // namespace quillbrook
