#include "mobicheck.h"

#include "recordtable.h"

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <mobi.h>

namespace quillbrook {

namespace {

using BookFile = std::unique_ptr<std::FILE, decltype(&std::fclose)>;
using LoadedBook = std::unique_ptr<MOBIData, decltype(&mobi_free)>;
using ParsedBook = std::unique_ptr<MOBIRawml, decltype(&mobi_free_rawml)>;

// libmobi's error codes in plain words.
QString libmobiReason(MOBI_RET code) {
    switch (code) {
    case MOBI_DATA_CORRUPT:
        return QStringLiteral("Corrupted data");
    case MOBI_BUFFER_END:
        return QStringLiteral("Corrupted data: a record ends in the middle of its content");
    case MOBI_MALLOC_FAILED:
        return QStringLiteral("Corrupted data: it declares sizes too large to be read");
    case MOBI_FILE_UNSUPPORTED:
        return QStringLiteral("Unsupported document type");
    case MOBI_FILE_ENCRYPTED:
    case MOBI_DRM_PIDINV:
    case MOBI_DRM_KEYNOTFOUND:
    case MOBI_DRM_UNSUPPORTED:
    case MOBI_DRM_EXPIRED:
        return QStringLiteral("Encrypted data that cannot be read");
    default:
        return QStringLiteral("Data that cannot be read (libmobi error %1)").arg(int(code));
    }
}

// Parses the text and index records as libmobi does for the whole book.
MOBI_RET parseWholeBook(const MOBIData* book) {
    const ParsedBook parsed(mobi_init_rawml(book), &mobi_free_rawml);
    if (!parsed)
        return MOBI_MALLOC_FAILED;
    return mobi_parse_rawml(parsed.get(), book);
}

std::optional<QString> libmobiDamage(std::FILE* file) {
    const LoadedBook book(mobi_init(), &mobi_free);
    if (!book)
        return libmobiReason(MOBI_MALLOC_FAILED);
    std::rewind(file);
    if (const MOBI_RET loaded = mobi_load_file(book.get(), file); loaded != MOBI_SUCCESS)
        return libmobiReason(loaded);
    // A protected book's text is unreadable without its key, which is no damage:
    // the converter reports such a book itself.
    if (mobi_is_encrypted(book.get()))
        return std::nullopt;
    if (const MOBI_RET parsed = parseWholeBook(book.get()); parsed != MOBI_SUCCESS)
        return libmobiReason(parsed);
    return std::nullopt;
}

} // namespace

std::optional<QString> damageOf(const QString& mobiPath) {
    const BookFile file(std::fopen(QFile::encodeName(mobiPath).constData(), "rbe"), &std::fclose);
    if (!file)
        return QStringLiteral("The file cannot be read: ") + qt_error_string(errno);
    if (auto tableDamage = recordTableDamage(file.get()))
        return tableDamage;
    return libmobiDamage(file.get());
}

QString damagedInputLine(const QString& mobiPath, const QString& reason) {
    return mobiPath + QStringLiteral(" (") + reason + QLatin1Char(')');
}

} // namespace quillbrook
