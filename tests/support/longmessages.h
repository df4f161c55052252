#pragma once

#include <QString>

namespace quillbrook::test {

// A final message of the program's shape with the given number of failed
// inputs, each on a line of about 80 characters, lines broken with CR LF.
QString messageWithFailures(int count);

// A final message whose one failure has a reason of the given length without
// a blank in it.
QString messageWithOneLongReason(qsizetype length);

} // namespace quillbrook::test
