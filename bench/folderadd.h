#pragma once

#include "form1.h"
#include "inputlist.h"
#include "scripteddialogs.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>

// "Add All MOBI File(s) In Folder" with the extension "mobi" on the folder,
// through the real command in a real main window, timed from the moment the
// folder is chosen; with the longest time the window went without handling
// its events meanwhile.
struct AddRun {
    double milliseconds;
    int added;
    double longestGap;
    int eventRounds;
};

inline AddRun runAdd(quillbrook::Form1& form, quillbrook::test::ScriptedDialogs& dialogs,
                     const QString& root) {
    using namespace quillbrook;
    inputlist::clear(*form.ListView1);
    QElapsedTimer sinceEvents;
    double longestGap = 0;
    int eventRounds = 0;
    QTimer ticker;
    ticker.setInterval(0);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, sinceEvents.nsecsElapsed() / 1e6);
        sinceEvents.restart();
        ++eventRounds;
    });
    dialogs.answerInput(QStringLiteral("mobi"));
    dialogs.answerPickFolder(root);
    QElapsedTimer timer;
    // The clock starts once the folder is chosen: the add itself is timed.
    dialogs.whileNextShown([&] {
        timer.start();
        sinceEvents.start();
        ticker.start();
    });
    form.PushButton4->click();
    const double elapsed = timer.nsecsElapsed() / 1e6;
    longestGap = std::max(longestGap, sinceEvents.nsecsElapsed() / 1e6);
    return {elapsed, inputlist::count(*form.ListView1), longestGap, eventRounds};
}
