#pragma once

#include <QString>
#include <optional>

namespace quillbrook {

// The heading of the final message's section that names the inputs that were
// converted although they look damaged.
inline const QString damagedInputsHeading = QStringLiteral(
    "These files were converted, but they look damaged, so their EPUB may be incomplete:");

// Whether the file begins as a MOBI book does: a Palm database of the type
// "BOOKMOBI", or "TEXtREAd" as the oldest books are. Only such a file is
// checked for damage: an input of another kind that the converter took was
// read as that kind, and is no damaged book.
bool isMobiBook(const QString& path);

// Why the MOBI file at the path looks damaged, in plain words, or nothing when
// it looks whole. The file is read as a reader of the whole book reads it: its
// record table is compared with the file's size, then libmobi loads it and
// parses its text and index records. A DRM-protected book is judged by its
// structure alone, since its text cannot be read without the key. Reads the
// file and never writes; safe on any content.
std::optional<QString> damageOf(const QString& mobiPath);

// One line of the damaged-inputs section: the input's path and the reason.
QString damagedInputLine(const QString& mobiPath, const QString& reason);

} // namespace quillbrook
