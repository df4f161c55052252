#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace quillbrook::unzip {

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd();

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes the descriptor; false (with errno) when closing reported an error.
    bool close();

private:
    int fd_ = -1;
};

// The extract folder, created with the folders above it when missing.
UniqueFd openExtractFolder(const std::string& path);

// The folder made of the first `depth` components below `root`, creating what
// is missing (the deepest with `deepestMode`). It is walked one level at a
// time and never through a symbolic link, so it cannot lead outside `root`.
UniqueFd openSubfolder(int root, const std::vector<std::string>& components, std::size_t depth,
                       mode_t deepestMode);

// The bytes free to write on the filesystem that holds `folder`, or will hold
// it once made: the nearest folder above it that exists decides. None when
// the filesystem does not tell.
std::optional<uint64_t> freeSpaceFor(const std::string& folder);

// What stands at a name in a folder, links not followed.
std::optional<struct stat> existingEntry(int folder, const std::string& name);

// A file being written under a temporary name in its folder. It takes its real
// name only when complete, so a failed entry leaves an earlier file of that
// name as it was, and a link standing at that name is replaced, never followed.
class PendingFile {
public:
    PendingFile(int folder, mode_t mode);
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    ~PendingFile();

    bool valid() const { return fd_.valid(); }
    bool write(const char* data, std::size_t size);
    bool commit(const std::string& name, std::time_t modified);

private:
    int folder_;
    UniqueFd fd_;
    std::string tempName_;
    bool committed_ = false;
};

} // namespace quillbrook::unzip
