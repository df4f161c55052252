#include "scripteddialogs.h"

#include "failure.h"

#include <QTest>

namespace quillbrook::test {

QList<ShownDialog> ScriptedDialogs::shown(ShownDialog::Kind kind) const {
    QList<ShownDialog> matching;
    for (const ShownDialog& dialog : shown_)
        if (dialog.kind == kind)
            matching.append(dialog);
    return matching;
}

QStringList ScriptedDialogs::errorReports() const {
    QStringList texts;
    for (const ShownDialog& dialog : shown(ShownDialog::Kind::ErrorReport))
        texts.append(dialog.text);
    return texts;
}

QStringList ScriptedDialogs::messages() const {
    QStringList texts;
    for (const ShownDialog& dialog : shown(ShownDialog::Kind::Message))
        texts.append(dialog.text);
    return texts;
}

QString ScriptedDialogs::unusedAnswers() const {
    return answers_.empty()
               ? QString()
               : QStringLiteral("%1 prepared answer(s) never used").arg(answers_.size());
}

void ScriptedDialogs::record(ShownDialog dialog) {
    shown_.append(std::move(dialog));
    if (auto action = std::exchange(duringNext_, nullptr))
        action();
}

template <typename T> T ScriptedDialogs::take(const char* what) {
    if (answers_.empty()) {
        QTest::qFail(
            qPrintable(QStringLiteral("no answer prepared for %1").arg(QLatin1String(what))),
            __FILE__, __LINE__);
        return T{};
    }
    Prepared next = answers_.front();
    answers_.pop_front();
    if (const auto* failure = std::get_if<FailureAnswer>(&next))
        throw Failure(failure->number, QStringLiteral("ScriptedDialogs"));
    if (!std::holds_alternative<T>(next)) {
        QTest::qFail(
            qPrintable(
                QStringLiteral("the next prepared answer is not for %1").arg(QLatin1String(what))),
            __FILE__, __LINE__);
        return T{};
    }
    return std::get<T>(next);
}

Dialogs::Answer ScriptedDialogs::messageBox(const QString& text, Buttons buttons, Icon icon,
                                            const QString& title) {
    record({ShownDialog::Kind::Message, text, title, buttons, icon, {}});
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    return take<Answer>("a Yes/No question");
}

void ScriptedDialogs::errorReport(const QString& text) {
    record({ShownDialog::Kind::ErrorReport,
            text,
            QStringLiteral("Application Error"),
            Buttons::Ok,
            Icon::Exclamation,
            {}});
}

QString ScriptedDialogs::inputBox(const QString& prompt, const QString& title,
                                  const QString& defaultText) {
    record({ShownDialog::Kind::Input, prompt, title, Buttons::Ok, Icon::None, defaultText});
    return take<InputAnswer>("an input box").text;
}

QStringList ScriptedDialogs::openFiles(const QString& title, const QString& filter,
                                       const QString& startFolder) {
    record({ShownDialog::Kind::OpenFiles, title, title, Buttons::Ok, Icon::None,
            filter + QLatin1Char('|') + startFolder});
    return take<QStringList>("the open-files dialog");
}

QString ScriptedDialogs::pickFolder(const QString& prompt, const QString& startFolder) {
    record({ShownDialog::Kind::PickFolder, prompt, prompt, Buttons::Ok, Icon::None, startFolder});
    return take<FolderAnswer>("the folder picker").folder;
}

void ScriptedDialogs::openLocation(const QString& folderOrAddress) {
    record({ShownDialog::Kind::OpenLocation, folderOrAddress, {}, Buttons::Ok, Icon::None, {}});
    if (!answers_.empty() && std::holds_alternative<FailureAnswer>(answers_.front()))
        take<Answer>("opening a location");
}

} // namespace quillbrook::test
