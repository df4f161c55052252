#pragma once

#include <QString>
#include <QStringList>

namespace quillbrook {

// What the first bytes of a file say about its encoding.
enum class ByteOrderMark { None, Utf8, Unicode };

// The lines of a text file, in file order, without their line breaks. The
// encoding follows the file's byte-order mark: UTF-8 with its mark, UTF-16 or
// UTF-32 with theirs, anything else is read as ANSI text. A file that cannot
// be read raises the failure that fits (53 missing, 70 refused, 75 other).
QStringList ReadTextLines(const QString& path);

// The mark a file begins with. A mark counts only when the file is at least
// as long as the mark; UTF-32 marks are tested before the UTF-16 marks they
// begin with.
ByteOrderMark CheckByteOrderMark(const QString& path);

// Reads through the text stream, as UTF-16 or as ANSI text. Lines end at
// CR LF, LF or CR; a final line break adds no empty line, and an empty file
// is one empty line.
QStringList ReadLinesByTextStream(const QString& path, bool unicodeMark);

// Reads UTF-8 text that begins with its mark; lines are cut only at CR LF.
QStringList ReadLinesUtf8(const QString& path);

// Cuts a text at every CR LF: a text ending with CR LF gives a last empty
// line, and an empty text one empty line.
QStringList SplitLines(const QString& text);

} // namespace quillbrook
