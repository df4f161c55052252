#include "dialogs.h"
#include "failure.h"

#include <cstdio>

namespace quillbrook {

Dialogs::Answer PrintingDialogs::messageBox(const QString& text, Buttons buttons, Icon,
                                            const QString& title) {
    print(title.isEmpty() ? text : title + QStringLiteral(": ") + text);
    return buttons == Buttons::Ok ? Answer::Ok : Answer::No;
}

void PrintingDialogs::errorReport(const QString& text) {
    print(QStringLiteral("Application Error: ") + text);
}

QString PrintingDialogs::inputBox(const QString&, const QString&, const QString&) {
    return {};
}

QStringList PrintingDialogs::openFiles(const QString&, const QString&, const QString&) {
    return {};
}

QString PrintingDialogs::pickFolder(const QString&, const QString&) {
    return {};
}

void PrintingDialogs::openLocation(const QString&) {
    throw Failure(FileNotFound, QStringLiteral("openLocation"));
}

void PrintingDialogs::print(const QString& text) {
    ++printedCount_;
    std::fputs((displayedText(text) + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

} // namespace quillbrook
