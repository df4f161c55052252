#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace quillbrook::unzip {

// The include or exclude names of a run, matched whole against entry names.
class NameSet {
public:
    NameSet(int32_t count, const char* const* list, bool caseSensitive);

    bool empty() const { return names_.empty(); }
    bool contains(std::string_view entryName);
    bool anyMatched() const { return anyMatched_; }

private:
    std::string key(std::string_view name) const;

    std::unordered_set<std::string> names_;
    bool caseSensitive_;
    bool anyMatched_ = false;
};

// The folders and file name an entry is written under, below the extract
// folder; none for a name that would leave it (absolute, or climbing with "..")
// or that names nothing.
std::optional<std::vector<std::string>> safeComponents(std::string_view entryName);

bool namesFolder(std::string_view entryName);

void spacesToUnderscores(std::vector<std::string>& components);

} // namespace quillbrook::unzip
