#pragma once

#include "conversionwindow.h"

namespace quillbrook {

// "Start Converting": converts every file of the input list with calibre's
// converter and ends with one message that names the files not converted.
void PushButton2_Click(const ConversionWindow& window);

} // namespace quillbrook
