#pragma once

#include <QString>

namespace quillbrook {

// The reason a failed input is listed with, in words a reader can act on.
// Given the converter's line that explains a failure (the text the run puts
// after " Error: "), returns "<plain sentence> (<the line>)" when the line is
// one of calibre's messages for a failure that has a plain explanation, and
// the line unchanged otherwise.
QString plainReason(const QString& converterLine);

} // namespace quillbrook
