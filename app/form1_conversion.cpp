#include "form1.h"

namespace quillbrook {

void Form1::connectConversionCommands() {}

} // namespace quillbrook
