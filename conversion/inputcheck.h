#pragma once

#include <QString>

namespace quillbrook {

// Why an input cannot be handed to the converter, as the failure list shows
// it (a failureReason), or an empty text when it can. A FIFO would block the
// converter for good and a link to a device could feed it without end, so
// only a regular file that can be opened for reading passes.
QString inputProblem(const QString& input);

} // namespace quillbrook
