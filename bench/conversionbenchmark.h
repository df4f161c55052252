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

// Gives a conversion benchmark the offscreen platform, a settings store and a
// temporary folder of its own under its work folder; called before the
// application object exists.
inline void isolateConversionBenchmark(const QString& work) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(work + QStringLiteral("/config")));
    qputenv("TEMP", QFile::encodeName(work + QStringLiteral("/temp")));
    QDir().mkpath(work + QStringLiteral("/temp"));
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
