#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quillbrook::unzip {

// Gives a text entry this platform's line ends (CR LF becomes LF) as its
// pieces pass through. An entry counts as text when its first piece holds no
// NUL byte; anything else passes unchanged.
class LineEnds {
public:
    explicit LineEnds(bool convert) : convert_(convert) {}

    std::string_view pass(const char* data, std::size_t size);
    // What is still held back once the entry's last piece has passed.
    std::string_view finish();

private:
    enum class Kind { Undecided, Text, Binary };

    bool convert_;
    Kind kind_ = Kind::Undecided;
    bool pendingReturn_ = false;
    std::string out_;
};

} // namespace quillbrook::unzip
