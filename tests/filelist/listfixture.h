#pragma once

#include "busystate.h"
#include "form1.h"
#include "inputlist.h"
#include "listtexts.h"
#include "scripteddialogs.h"

#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <memory>

namespace quillbrook::test {

// A real main window over scripted dialogs, with a program folder of its own
// that holds nothing beside the program, and a folder for the test's files.
struct ListFixture {
    QTemporaryDir files;
    QTemporaryDir programFolder;
    ScriptedDialogs dialogs;
    std::unique_ptr<Form1> form;

    ListFixture()
        : form(std::make_unique<Form1>(
              Form1Setup{dialogs, programFolder.path(), [] { return 1; }})) {}

    QString root() const { return files.path(); }

    // The list's texts, top to bottom.
    QStringList items() const { return listTexts(*form->ListView1); }

    // The given names below the test's folder.
    QStringList below(const QStringList& names) const {
        QStringList paths;
        for (const QString& name : names)
            paths << root() + '/' + name;
        return paths;
    }
};

// Runs an action once from the event loop, at the first moment after start()
// that the window is busy: in the middle of a folder add's or a drop's listing.
class OnceWhileBusy {
public:
    OnceWhileBusy(QWidget& window, std::function<void()> action) {
        timer_.setInterval(0);
        QObject::connect(&timer_, &QTimer::timeout, &timer_,
                         [this, &window, action = std::move(action)] {
                             if (acted || !isBusy(window))
                                 return;
                             acted = true;
                             action();
                         });
    }

    void start() { timer_.start(); }

    bool acted = false;

private:
    QTimer timer_;
};

} // namespace quillbrook::test
