#pragma once

#include <QString>
#include <optional>

namespace quillbrook {

// Runs a command line and returns its exit code once it has ended, keeping the
// window live meanwhile.
int RunAndWait(const QString& commandLine, std::optional<int> windowStyle = std::nullopt);

} // namespace quillbrook
