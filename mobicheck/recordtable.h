#pragma once

#include <QString>
#include <cstdio>
#include <optional>

namespace quillbrook {

// What is wrong with the record table of the Palm database that holds a MOBI
// book, measured against the file's size: a cut-off file, or records that lie
// out of order or outside the file. Nothing when every record it names lies in
// the file in order. The file's reading position is left anywhere.
std::optional<QString> recordTableDamage(std::FILE* book);

} // namespace quillbrook
