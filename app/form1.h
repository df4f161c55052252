#pragma once

#include "conversionwindow.h"
#include "handledoperation.h"
#include "runprogresstitle.h"

#include <QCursor>
#include <QWidget>
#include <functional>
#include <optional>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTreeWidget;

namespace quillbrook {

class Dialogs;

// What the main window is given when it is made.
struct Form1Setup {
    Dialogs& dialogs;
    // The folder that holds the program and the files installed beside it.
    QString programFolder;
    // Draws a whole number from 1 to 100 for the occasional visit to the web site.
    std::function<int()> drawFrom1To100;
};

// The seeded 1-to-100 draw the program uses.
std::function<int()> timeSeededDraw();

// The program's only window. Its controls keep their designer names; the
// commands they trigger live in their subsystems.
class Form1 : public QWidget {
    Q_OBJECT

public:
    explicit Form1(Form1Setup setup);
    ~Form1() override;

    Dialogs& dialogs() const { return setup_.dialogs; }
    const ProgramLifetime& lifetime() const { return lifetime_; }
    const QString& programFolder() const { return setup_.programFolder; }

    // Sets the output-folder text the way a change of it is always handled:
    // the new text is stored under "Text1" at once.
    void setText1(const QString& text);

    // Closes the window without the question a conversion run going on asks
    // first, as when the program is told to end.
    void closeWithoutAsking();

    // The custom pointer: the hand loaded from "HAND-M.CUR", or the arrow.
    QCursor customPointer() const;

    QTreeWidget* ListView1;
    QProgressBar* ProgressBar1;
    QPushButton* PushButton1;
    QPushButton* PushButton4;
    QPushButton* PushButton2;
    QPushButton* PushButton6;
    QPushButton* PushButton7;
    QGroupBox* Frame2;
    QRadioButton* Option2;
    QRadioButton* Option1;
    QGroupBox* Frame3;
    QLineEdit* Text1;
    QPushButton* PushButton9;
    QCheckBox* KeepSubfolders;
    QCheckBox* SkipConverted;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void connectControls();
    // Each subsystem's commands are wired to the controls in a file of its own.
    void connectListCommands();
    void connectFolderCommands();
    void connectConversionCommands();
    void keepSelectedOptionInTabChain();
    void showBusyState();
    void showRunProgressInTitle(int percent);
    void Form_Load();
    void optionSelected();
    void Text1_Change();
    void storeLibraryOptions();

    Form1Setup setup_;
    ProgramLifetime lifetime_;
    std::optional<QCursor> handPointer_;
    ConversionWindowState conversionState_;
    // Only while a conversion run shows its progress in the title.
    std::optional<RunProgressTitle> runTitle_;
    bool closingWithoutAsking_ = false;
};

} // namespace quillbrook
