#pragma once

#include <QString>

namespace quillbrook {

// The longest reason a failed input is listed with; a longer one is cut there
// and ends in "...".
inline constexpr qsizetype longestReason = 1000;

// The two lines of a converter's log a failure's reason is taken from.
struct LogReasonLines {
    // The last line that mentions "error" in any letter case, without the
    // spaces around it; empty when no line does.
    QString lastErrorLine;
    // The last line with more than white space in it, trimmed.
    QString lastNonEmptyLine;
};

// Reads the log once, as a stream, so memory stays bounded by a line's kept
// length whatever the size of the log or of its lines. Lines end at CR LF, LF
// or CR; a text with a UTF-16 or UTF-32 mark is read as such, anything else as
// UTF-8, a line that is no valid UTF-8 as Latin-1. Both lines come cut to
// longestReason characters. A log that cannot be read raises the failure that
// fits (53 missing, 70 refused, 75 other).
LogReasonLines reasonLinesOfLog(const QString& path);

} // namespace quillbrook
