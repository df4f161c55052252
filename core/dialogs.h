#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace quillbrook {

// Every modal question or message the program shows goes through this
// interface. The program passes QtDialogs; tests pass a scripted one that
// records what was shown and answers as prepared.
class Dialogs {
public:
    // YesNoDefaultNo: a question whose safe answer is No, the button Enter presses.
    enum class Buttons { Ok, YesNo, YesNoDefaultNo };
    enum class Icon { None, Exclamation, Information, Question };
    enum class Answer { Ok, Yes, No };

    virtual ~Dialogs() = default;

    // A message box; an empty title stands for the application title.
    virtual Answer messageBox(const QString& text, Buttons buttons = Buttons::Ok,
                              Icon icon = Icon::None, const QString& title = {}) = 0;

    // The "Application Error" box: exclamation icon, one OK button.
    virtual void errorReport(const QString& text) = 0;

    // A text input box. Returns the empty text when the user cancels.
    virtual QString inputBox(const QString& prompt, const QString& title,
                             const QString& defaultText) = 0;

    // The multi-selection open-files dialog. Returns the chosen paths, none on cancel.
    virtual QStringList openFiles(const QString& title, const QString& filter,
                                  const QString& startFolder) = 0;

    // The folder picker. Returns the chosen folder, the empty text on cancel.
    virtual QString pickFolder(const QString& prompt, const QString& startFolder) = 0;

    // Opens a local folder in the file manager, or a web address in the browser,
    // without waiting. Raises a Failure when nothing could be started.
    virtual void openLocation(const QString& folderOrAddress) = 0;
};

// A message's text with every line ended by a plain LF, as it is shown: the
// program's texts end lines with CR LF or bare CRs.
QString displayedText(QString text);

// Dialogs for a program without a window: messages and error reports are
// printed on standard error, no question is asked (a question gets its safe
// answer, No), and nothing is chosen.
class PrintingDialogs : public Dialogs {
public:
    Answer messageBox(const QString& text, Buttons buttons, Icon icon,
                      const QString& title) override;
    void errorReport(const QString& text) override;
    QString inputBox(const QString& prompt, const QString& title,
                     const QString& defaultText) override;
    QStringList openFiles(const QString& title, const QString& filter,
                          const QString& startFolder) override;
    QString pickFolder(const QString& prompt, const QString& startFolder) override;
    void openLocation(const QString& folderOrAddress) override;

    // How many messages and error reports have been printed.
    int printedCount() const { return printedCount_; }

private:
    void print(const QString& text);

    int printedCount_ = 0;
};

// The real dialogs, owned by the given window.
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* owner = nullptr) : owner_(owner) {}
    void setOwner(QWidget* owner) { owner_ = owner; }

    Answer messageBox(const QString& text, Buttons buttons, Icon icon,
                      const QString& title) override;
    void errorReport(const QString& text) override;
    QString inputBox(const QString& prompt, const QString& title,
                     const QString& defaultText) override;
    QStringList openFiles(const QString& title, const QString& filter,
                          const QString& startFolder) override;
    QString pickFolder(const QString& prompt, const QString& startFolder) override;
    void openLocation(const QString& folderOrAddress) override;

private:
    QWidget* owner_;
};

} // namespace quillbrook
