#pragma once

#include "dialogs.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <variant>

namespace quillbrook::test {

// A dialog that was shown, as the scripted dialogs recorded it.
struct ShownDialog {
    enum class Kind { Message, ErrorReport, Input, OpenFiles, PickFolder, OpenLocation };
    Kind kind;
    QString text; // message, prompt, dialog title or location
    QString title;
    Dialogs::Buttons buttons = Dialogs::Buttons::Ok;
    Dialogs::Icon icon = Dialogs::Icon::None;
    QString detail; // default text, filter or starting folder
};

// Dialogs that answer as a test prepared them and record everything shown.
// Message boxes with only OK and error reports need no prepared answer.
class ScriptedDialogs : public Dialogs {
public:
    void answerMessage(Answer answer) { answers_.push_back(answer); }
    void answerInput(const QString& text) { answers_.push_back(InputAnswer{text}); }
    void answerOpenFiles(const QStringList& paths) { answers_.push_back(paths); }
    void answerPickFolder(const QString& folder) { answers_.push_back(FolderAnswer{folder}); }
    // Makes the next dialog that needs an answer raise this failure instead.
    void failNext(int errorNumber) { answers_.push_back(FailureAnswer{errorNumber}); }
    // Runs while the next dialog of any kind is open, before it answers.
    void whileNextShown(std::function<void()> action) { duringNext_ = std::move(action); }

    const QList<ShownDialog>& shown() const { return shown_; }
    QList<ShownDialog> shown(ShownDialog::Kind kind) const;
    QStringList errorReports() const;
    QStringList messages() const;
    void forget() { shown_.clear(); }

    // Empty when every prepared answer was used; otherwise says what was left.
    QString unusedAnswers() const;

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
    struct InputAnswer {
        QString text;
    };
    struct FolderAnswer {
        QString folder;
    };
    struct FailureAnswer {
        int number;
    };
    using Prepared = std::variant<Answer, InputAnswer, QStringList, FolderAnswer, FailureAnswer>;

    void record(ShownDialog dialog);
    template <typename T> T take(const char* what);

    std::deque<Prepared> answers_;
    QList<ShownDialog> shown_;
    std::function<void()> duringNext_;
};

} // namespace quillbrook::test
