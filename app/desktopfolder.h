#pragma once

#include <QString>
#include <functional>

namespace quillbrook {

// The shell's special folder with the given number, without a trailing
// separator; the empty text when the platform cannot name it. Only folder
// number 0, the user's desktop, is known.
QString GetSpecialFolderPath(int folderNumber);

// The desktop folder followed by one separator. An unnamed desktop is an
// invalid-argument failure.
QString
GetDesktopFolder(const std::function<QString(int)>& specialFolderPath = GetSpecialFolderPath);

} // namespace quillbrook
