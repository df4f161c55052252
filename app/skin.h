#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace quillbrook {

class Form1;

// Themes a window from a skin file, a Qt style sheet.
class SkinFramework {
public:
    // Loads the skin file; a file that cannot be read is a failure.
    void LoadSkin(const QString& skinFile, const QString& section);
    unsigned ApplyOptions = 0;
    bool ApplyToFrames = false;
    bool ApplyToDialogs = false;
    // Applies the loaded skin to the window.
    void ApplyWindow(QWidget& window) const;

private:
    QString styleSheet_;
};

// Applies the skin file "x/o.cjs" of the program folder, when one is there
// and is neither hidden nor a system file.
void applySkin(QWidget& window, SkinFramework& skin, const QString& programFolder);

// The main window's pointer follows the mouse: the custom pointer over the
// push buttons, the default pointer over the window background, the two
// frames and the list; while the window shows the busy state's wait pointer
// it is left alone. Other controls leave the pointer as it is.
class PointerRules : public QObject {
    Q_OBJECT

public:
    // Watches the window's controls; the rules belong to the window.
    explicit PointerRules(Form1& form);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watch(QWidget* widget);
    bool isListPart(const QWidget* widget) const;
    const QWidget* actingControl(const QWidget* underPointer) const;
    bool actsHere(const QWidget* receiver, const QWidget* underPointer,
                  const QWidget* acting) const;

    Form1& form_;
};

} // namespace quillbrook
