#pragma once

#include <QString>

namespace quillbrook {

// The sub-folder a book is saved in under "Keep sub-folders": the folder of
// its path relative to the folder it came into the list with, ending with the
// separator ("Austen/" for "/home/a/Books/Austen/Emma.mobi" that came with
// "/home/a/Books"). Empty for a book directly inside that folder, for a book
// added on its own (no folder), and for a path that does not lie below the
// folder.
QString keptSubfolder(const QString& input, const QString& baseFolder);

// Makes the missing folders of the relative path (separator-ended folder
// names, no "." or "..") below an existing folder. Each is reached through the
// one above it, never by its whole path, and must be a folder itself, not a
// link, so nothing is made through a path someone could swap. Returns the
// reason the input is listed with when a folder could not be made, or empty.
QString makeSubfolders(const QString& folder, const QString& relativePath);

// True when the output path holds a regular file whose modification time is
// later than the input's: the book was converted after it last changed. Equal
// times are not later, and a folder in place of the output counts as no file.
bool isConvertedAlready(const QString& output, const QString& input);

} // namespace quillbrook
