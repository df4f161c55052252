#include "apptitle.h"

namespace quillbrook {

namespace {
constexpr qsizetype longestTitle = 40;

QString& currentTitle() {
    static QString title = productName;
    return title;
}
} // namespace

QString deriveApplicationTitle(const QString& name) {
    QString title = name;
    do {
        const qsizetype lastBlank = title.lastIndexOf(QLatin1Char(' '));
        if (lastBlank < 0)
            break;
        title.truncate(lastBlank);
    } while (title.size() > longestTitle);
    return title;
}

QString applicationTitle() {
    return currentTitle();
}

void setApplicationTitle(const QString& title) {
    currentTitle() = title;
}

} // namespace quillbrook
