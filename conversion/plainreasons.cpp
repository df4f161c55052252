#include "plainreasons.h"

#include <QRegularExpression>
#include <array>

namespace quillbrook {

namespace {

const QString lockedBook =
    QStringLiteral("the book is locked with DRM (copy protection), which calibre does not remove");
const QString incompleteBook = QStringLiteral("the file is not a complete MOBI book");
const QString outOfMemory = QStringLiteral("calibre ran out of memory");
const QString calibreCannotStart = QStringLiteral("calibre is not installed or could not start");

struct PlainReasonRow {
    QRegularExpression pattern;
    const QString& sentence;
};

// calibre ends a failed conversion with the last line of a Python traceback,
// "<exception type>: <message>", so most patterns are anchored at the start of
// the line: a book's title or path later in the line cannot match by chance.
// The first row that matches wins; the memory rows come before the start-up
// rows because a start-up without memory fails on importing a library.
const std::array<PlainReasonRow, 9>& plainReasonTable() {
    static const std::array<PlainReasonRow, 9> table{{
        // calibre refuses a MOBI book whose header names an encryption.
        {QRegularExpression(QStringLiteral(R"(^(calibre\.ebooks\.)?DRMError\b)")), lockedBook},
        // A file cut short: a header or record list ends before its fields.
        {QRegularExpression(QStringLiteral(R"(^struct\.error: unpack(_from)? requires a buffer)")),
         incompleteBook},
        // The first bytes are not a Palm database of type BOOKMOBI or TEXtREAd.
        {QRegularExpression(
             QStringLiteral(R"(^(calibre\.ebooks\.mobi\.)?MobiError: Unknown book type)")),
         incompleteBook},
        {QRegularExpression(QStringLiteral(R"(^MemoryError\b)")), outOfMemory},
        {QRegularExpression(QStringLiteral("Cannot allocate memory"),
                            QRegularExpression::CaseInsensitiveOption),
         outOfMemory},
        // The loader's words when it cannot map a library for lack of memory.
        {QRegularExpression(QStringLiteral("failed to map segment from shared object")),
         outOfMemory},
        // The program's own converter launcher, when calibre is not installed.
        {QRegularExpression(QStringLiteral(R"(^Error: calibre's ebook-convert was not found\b)")),
         calibreCannotStart},
        {QRegularExpression(QStringLiteral(R"(^(ImportError|ModuleNotFoundError)\b)")),
         calibreCannotStart},
        {QRegularExpression(QStringLiteral(R"(No module named\b)")), calibreCannotStart},
    }};
    return table;
}

} // namespace

QString plainReason(const QString& converterLine) {
    for (const PlainReasonRow& row : plainReasonTable())
        if (row.pattern.match(converterLine).hasMatch())
            return row.sentence + QStringLiteral(" (") + converterLine + QLatin1Char(')');
    return converterLine;
}

} // namespace quillbrook
