#pragma once

#include <QString>
#include <QStringList>

namespace quillbrook::test {

// The MOBI types calibre writes: "old" (MOBI 6), "new" (KF8) and "both"
// (a hybrid file that holds the two).
inline const QStringList calibreMobiTypes{QStringLiteral("old"), QStringLiteral("new"),
                                          QStringLiteral("both")};

// Converts a book (HTML or MOBI) into a MOBI file of the given type with the
// real calibre. Returns what went wrong, or an empty text.
QString makeMobiWithCalibre(const QString& input, const QString& mobi, const QString& mobiType);

} // namespace quillbrook::test
