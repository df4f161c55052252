#include "form1.h"

namespace quillbrook {

void Form1::connectListCommands() {}

} // namespace quillbrook
