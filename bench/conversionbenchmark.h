#pragma once

#include "busystate.h"
#include "form1.h"
#include "inputlist.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QString>
#include <QStringList>

// Gives a conversion benchmark the offscreen platform, a settings store, a
// state folder and a temporary folder of its own under its work folder;
// called before the application object exists.
inline void isolateConversionBenchmark(const QString& work) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(work + QStringLiteral("/config")));
    qputenv("XDG_STATE_HOME", QFile::encodeName(work + QStringLiteral("/state")));
    qputenv("TEMP", QFile::encodeName(work + QStringLiteral("/temp")));
    QDir().mkpath(work + QStringLiteral("/temp"));
}

// Whether the messages a run showed are its final message for a run that
// converted every one of so many books.
inline bool everyBookConverted(const QStringList& messages, qsizetype books) {
    return messages ==
           QStringList{QStringLiteral("Done.\r\n%1 of %1 files were converted.").arg(books)};
}

// Makes the window's list hold exactly the inputs, in order.
inline void listInputs(quillbrook::Form1& form, const QStringList& inputs) {
    quillbrook::inputlist::clear(*form.ListView1);
    for (const QString& input : inputs)
        quillbrook::inputlist::append(*form.ListView1, input);
}

// Presses "Start Converting" and runs the window's events until the run has ended.
inline void convertInWindow(quillbrook::Form1& form) {
    form.PushButton2->click();
    while (quillbrook::isBusyWith(form, quillbrook::BusyWork::conversionRun))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}
