#include "entrynames.h"

#include <algorithm>

namespace quillbrook::unzip {

namespace {
char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
} // namespace

NameSet::NameSet(int32_t count, const char* const* list, bool caseSensitive)
    : caseSensitive_(caseSensitive) {
    // The list's last usable slot holds the empty text that ends it.
    const int32_t usable = std::clamp<int32_t>(count, 0, 1023);
    for (int32_t i = 0; list != nullptr && i < usable && list[i] != nullptr; ++i) {
        if (*list[i] != '\0')
            names_.insert(key(list[i]));
    }
}

std::string NameSet::key(std::string_view name) const {
    std::string result(name);
    if (!caseSensitive_)
        std::transform(result.begin(), result.end(), result.begin(), asciiLower);
    return result;
}

bool NameSet::contains(std::string_view entryName) {
    const bool found = names_.count(key(entryName)) != 0;
    anyMatched_ = anyMatched_ || found;
    return found;
}

std::optional<std::vector<std::string>> safeComponents(std::string_view entryName) {
    if (entryName.empty() || entryName.front() == '/')
        return std::nullopt;
    std::vector<std::string> components;
    std::size_t start = 0;
    while (start <= entryName.size()) {
        const std::size_t end = std::min(entryName.find('/', start), entryName.size());
        const std::string_view part = entryName.substr(start, end - start);
        if (part == "..")
            return std::nullopt;
        if (!part.empty() && part != ".")
            components.emplace_back(part);
        start = end + 1;
    }
    if (components.empty())
        return std::nullopt;
    return components;
}

bool namesFolder(std::string_view entryName) {
    return !entryName.empty() && entryName.back() == '/';
}

void spacesToUnderscores(std::vector<std::string>& components) {
    for (std::string& part : components)
        std::replace(part.begin(), part.end(), ' ', '_');
}

} // namespace quillbrook::unzip
