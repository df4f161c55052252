#pragma once

#include <QString>

namespace quillbrook {

// The folder in which each conversion run makes its own working folder: the
// value of TEMP when it is set and not empty, unchanged, except that a
// relative one is taken relative to the folder the program started in. Otherwise a private folder
// of the user's under the system's temporary location, made with mode 0700; it is used only while
// it is the user's own real folder that nobody else may write in, since the converter run from it
// could otherwise be planted by another user. An unsafe folder is a permission failure (70).
QString TemporaryFolder();

} // namespace quillbrook
