#include "lineends.h"

namespace quillbrook::unzip {

std::string_view LineEnds::pass(const char* data, std::size_t size) {
    const std::string_view piece(data, size);
    if (kind_ == Kind::Undecided && convert_ && size > 0)
        kind_ = piece.find('\0') == std::string_view::npos ? Kind::Text : Kind::Binary;
    if (kind_ != Kind::Text)
        return piece;
    out_.clear();
    for (const char c : piece) {
        if (pendingReturn_ && c != '\n')
            out_ += '\r';
        pendingReturn_ = c == '\r';
        if (!pendingReturn_)
            out_ += c;
    }
    return out_;
}

std::string_view LineEnds::finish() {
    if (!pendingReturn_)
        return {};
    pendingReturn_ = false;
    return "\r";
}

} // namespace quillbrook::unzip
