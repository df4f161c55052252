#pragma once

#include "conversionwindow.h"

namespace quillbrook {

// "...": lets the user choose the output folder, starting at the folder last
// chosen this way ("LastFolderDot"). The folder text gets exactly one trailing
// separator; "LastFolderDot" keeps the folder as it was chosen.
void PushButton9_Click(const ConversionWindow& window);

} // namespace quillbrook
