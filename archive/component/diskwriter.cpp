#include "diskwriter.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace quillbrook::unzip {

namespace {
constexpr int folderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

bool makeFolder(int parent, const char* name, mode_t mode) {
    return mkdirat(parent, name, mode) == 0 || errno == EEXIST;
}

std::string temporaryName() {
    static unsigned counter = 0;
    return ".vbuzip-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
}
} // namespace

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

UniqueFd::~UniqueFd() {
    close();
}

bool UniqueFd::close() {
    if (fd_ < 0)
        return true;
    return ::close(std::exchange(fd_, -1)) == 0;
}

UniqueFd openExtractFolder(const std::string& path) {
    const std::string folder = path.empty() ? std::string(".") : path;
    for (std::size_t slash = folder.find('/', 1); slash != std::string::npos;
         slash = folder.find('/', slash + 1))
        makeFolder(AT_FDCWD, folder.substr(0, slash).c_str(), 0777);
    makeFolder(AT_FDCWD, folder.c_str(), 0777);
    return UniqueFd(open(folder.c_str(), folderFlags));
}

UniqueFd openSubfolder(int root, const std::vector<std::string>& components, std::size_t depth,
                       mode_t deepestMode) {
    UniqueFd current(fcntl(root, F_DUPFD_CLOEXEC, 0));
    for (std::size_t i = 0; i < depth && current.valid(); ++i) {
        const char* name = components[i].c_str();
        if (!makeFolder(current.get(), name, i + 1 == depth ? deepestMode : 0777))
            return UniqueFd();
        current = UniqueFd(openat(current.get(), name, folderFlags | O_NOFOLLOW));
    }
    return current;
}

std::optional<uint64_t> freeSpaceFor(const std::string& folder) {
    std::string path = folder.empty() ? std::string(".") : folder;
    struct statvfs info {};
    while (statvfs(path.c_str(), &info) != 0) {
        if ((errno != ENOENT && errno != ENOTDIR) || path == "." || path == "/")
            return std::nullopt;
        const std::size_t slash = path.find_last_of('/');
        path = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    }
    if (info.f_blocks == 0)
        return std::nullopt;
    uint64_t bytes = 0;
    if (__builtin_mul_overflow(uint64_t{info.f_bavail}, uint64_t{info.f_frsize}, &bytes))
        return UINT64_MAX;
    return bytes;
}

std::optional<struct stat> existingEntry(int folder, const std::string& name) {
    struct stat info {};
    if (fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return std::nullopt;
    return info;
}

PendingFile::PendingFile(int folder, mode_t mode) : folder_(folder) {
    do {
        tempName_ = temporaryName();
        fd_ = UniqueFd(openat(folder, tempName_.c_str(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
    } while (!fd_.valid() && errno == EEXIST);
    if (!fd_.valid())
        tempName_.clear();
}

PendingFile::~PendingFile() {
    if (!committed_ && !tempName_.empty()) {
        const int saved = errno;
        fd_.close();
        unlinkat(folder_, tempName_.c_str(), 0);
        errno = saved;
    }
}

bool PendingFile::write(const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd_.get(), data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool PendingFile::commit(const std::string& name, std::time_t modified) {
    const struct timespec times[2] = {{0, UTIME_OMIT}, {modified, 0}};
    if (futimens(fd_.get(), times) != 0 || !fd_.close())
        return false;
    committed_ = renameat(folder_, tempName_.c_str(), folder_, name.c_str()) == 0;
    return committed_;
}

} // namespace quillbrook::unzip
