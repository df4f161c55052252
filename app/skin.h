#pragma once

#include <QString>

class QWidget;

namespace quillbrook {

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

} // namespace quillbrook
