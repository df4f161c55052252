#include "skin.h"

#include "attributes.h"
#include "failure.h"
#include "paths.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QWidget>

namespace quillbrook {

namespace {

bool isVisibleFile(const QString& path) {
    if (!QFileInfo(path).isFile())
        return false;
    return (GetAttr(path) & (HiddenAttribute | SystemAttribute)) == 0;
}

void paintButtonFace(QWidget& widget) {
    QPalette palette = widget.palette();
    palette.setColor(widget.backgroundRole(), palette.color(QPalette::Button));
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

} // namespace quillbrook
