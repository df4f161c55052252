#pragma once

#include <QString>

namespace quillbrook {

// The folder a conversion run keeps its working files in: the value of TEMP
// when it is set and not empty, unchanged. Otherwise a private folder of the
// user's under the system's temporary location, made with mode 0700; it is
// used only while it is the user's own real folder that nobody else may write
// in, since the converter run from it could otherwise be planted by another
// user. An unsafe folder is a permission failure (70).
QString TemporaryFolder();

} // namespace quillbrook
