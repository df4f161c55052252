#include "extraction.h"

#include "lineends.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <limits>
#include <optional>

namespace quillbrook::unzip {

namespace {
constexpr std::size_t readBufferSize = 64 * 1024;
constexpr int passwordAttempts = 3;
constexpr zip_uint32_t dosReadOnly = 0x01;

int32_t clamped32(zip_uint64_t value) {
    return static_cast<int32_t>(std::min<zip_uint64_t>(value, INT32_MAX));
}

// An archive may declare any size up to 2^64 - 1 for each entry, so sums of
// declared sizes stop at the largest value rather than wrap.
zip_uint64_t saturatedSum(zip_uint64_t total, zip_uint64_t added) {
    zip_uint64_t sum = 0;
    return __builtin_add_overflow(total, added, &sum) ? UINT64_MAX : sum;
}

template <typename Counter> void countOne(Counter& counter) {
    if (counter < std::numeric_limits<Counter>::max())
        ++counter;
}

// `part` as a percentage of `whole`, exact for any two declared sizes, and no
// larger than `limit`.
zip_uint64_t percentage(zip_uint64_t part, zip_uint64_t whole, zip_uint64_t limit) {
    if (whole == 0)
        return 0;
    const auto exact = static_cast<unsigned __int128>(part) * 100 / whole;
    return static_cast<zip_uint64_t>(std::min<unsigned __int128>(exact, limit));
}

std::string joined(const std::vector<std::string>& components) {
    std::string path;
    for (const std::string& part : components)
        path += (path.empty() ? "" : "/") + part;
    return path;
}

const char* methodName(zip_uint16_t method) {
    switch (method) {
    case ZIP_CM_STORE:
        return "Stored";
    case ZIP_CM_DEFLATE:
        return "Deflate";
    case ZIP_CM_DEFLATE64:
        return "Deflate64";
    case ZIP_CM_BZIP2:
        return "BZip2";
    case ZIP_CM_LZMA:
        return "LZMA";
    case ZIP_CM_LZMA2:
        return "LZMA2";
    case ZIP_CM_XZ:
        return "XZ";
    default:
        return "Unknown";
    }
}

struct StoredMode {
    bool link = false;
    mode_t mode = 0;
};

// The permission bits the archive stored for an entry, without set-user-id,
// set-group-id and sticky bits, which an archive must not be able to grant.
StoredMode storedMode(zip_t* archive, zip_uint64_t index, bool folder) {
    StoredMode stored{false, static_cast<mode_t>(folder ? 0777 : 0666)};
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(archive, index, 0, &system, &attributes) != 0)
        return stored;
    const mode_t unixMode = attributes >> 16;
    if (system == ZIP_OPSYS_UNIX && unixMode != 0) {
        stored.link = S_ISLNK(unixMode);
        if (!stored.link)
            stored.mode = unixMode & 0777;
    } else if (!folder && (attributes & dosReadOnly) != 0) {
        stored.mode = 0444;
    }
    return stored;
}
} // namespace

ExtractionRun::ExtractionRun(const Options& options, Callbacks& callbacks, NameSet include,
                             NameSet exclude)
    : options_(options), callbacks_(callbacks), include_(std::move(include)),
      exclude_(std::move(exclude)),
      buffer_(std::make_unique_for_overwrite<char[]>(readBufferSize)) {}

int32_t ExtractionRun::run() {
    if (!open())
        return result_;
    const zip_int64_t entries = zip_get_num_entries(archive_.get(), 0);
    for (zip_int64_t index = 0; index < entries && !stopped_; ++index)
        visit(static_cast<zip_uint64_t>(index));
    if (!include_.empty() && !include_.anyMatched())
        warn("caution: none of the named entries is in the archive", ResultNoMatch);
    callbacks_.totalSize = clamped32(totalSize_);
    callbacks_.totalPackedSize = clamped32(totalPacked_);
    callbacks_.compressionFactor =
        static_cast<int32_t>(percentage(totalPacked_, totalSize_, INT32_MAX));
    return result_;
}

bool ExtractionRun::open() {
    // libzip takes an empty file for an empty archive; it is no archive at all.
    struct stat info {};
    int code = stat(options_.zipFile, &info) == 0 && info.st_size == 0 ? ZIP_ER_NOZIP : ZIP_ER_OK;
    if (code == ZIP_ER_OK)
        archive_.reset(zip_open(options_.zipFile, ZIP_RDONLY, &code));
    if (!archive_) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        warn(std::string("error: cannot open ") + options_.zipFile + ": " +
                 zip_error_strerror(&error),
             code == ZIP_ER_INCONS ? ResultArchiveError : ResultNotAnArchive);
        zip_error_fini(&error);
        return false;
    }
    if (options_.listOnly != 0 || options_.testZip != 0)
        return true;
    const std::string folder = options_.extractFolder ? options_.extractFolder : "";
    if (!fitsFreeSpace(folder))
        return false;
    root_ = openExtractFolder(folder);
    if (!root_.valid()) {
        diskError(folder);
        return false;
    }
    return true;
}

// An archive that declares more than the extract folder's filesystem has free
// would fill it and fail all the same; it is refused before anything is
// written, the extract folder included. Entries never yield more than they
// declare (readAll), so what passes here fits.
bool ExtractionRun::fitsFreeSpace(const std::string& folder) {
    const std::optional<zip_uint64_t> free = freeSpaceFor(folder);
    if (!free)
        return true;
    const zip_uint64_t needed = declaredExtractSize();
    if (needed <= *free)
        return true;
    warn("error: cannot extract to " + (folder.empty() ? std::string(".") : folder) +
             ": the archive declares " + std::to_string(needed) + " bytes, only " +
             std::to_string(*free) + " are free",
         ResultDiskError);
    return false;
}

zip_uint64_t ExtractionRun::declaredExtractSize() {
    zip_uint64_t total = 0;
    const zip_int64_t entries = zip_get_num_entries(archive_.get(), 0);
    for (zip_int64_t index = 0; index < entries; ++index) {
        zip_stat_t entry;
        if (zip_stat_index(archive_.get(), static_cast<zip_uint64_t>(index), 0, &entry) == 0 &&
            (entry.valid & ZIP_STAT_NAME) != 0 && (entry.valid & ZIP_STAT_SIZE) != 0 &&
            !namesFolder(entry.name) && selected(entry.name))
            total = saturatedSum(total, entry.size);
    }
    return total;
}

bool ExtractionRun::selected(std::string_view name) {
    return (include_.empty() || include_.contains(name)) && !exclude_.contains(name);
}

void ExtractionRun::visit(zip_uint64_t index) {
    zip_stat_t entry;
    if (zip_stat_index(archive_.get(), index, 0, &entry) != 0 ||
        (entry.valid & ZIP_STAT_NAME) == 0) {
        warn("error: entry " + std::to_string(index) + ": " + zip_strerror(archive_.get()),
             ResultEntryError);
        return;
    }
    if (!selected(entry.name))
        return;
    count(entry);
    if (options_.listOnly != 0) {
        list(entry);
        return;
    }
    if (askedToStop(entry.name))
        return;
    if (options_.testZip != 0)
        test(index, entry);
    else
        extract(index, entry);
}

void ExtractionRun::count(const zip_stat_t& entry) {
    countOne(callbacks_.totalFiles);
    totalSize_ = saturatedSum(totalSize_, entry.size);
    totalPacked_ = saturatedSum(totalPacked_, entry.comp_size);
    if (entry.encryption_method != ZIP_EM_NONE)
        countOne(callbacks_.encryptedFiles);
}

void ExtractionRun::list(const zip_stat_t& entry) {
    std::tm local{};
    localtime_r(&entry.mtime, &local);
    const auto factor = static_cast<int16_t>(percentage(entry.comp_size, entry.size, SHRT_MAX));
    callbacks_.listing(clamped32(entry.comp_size), clamped32(entry.size), factor, local.tm_mon + 1,
                       local.tm_mday, local.tm_year + 1900, local.tm_hour, local.tm_min, ' ',
                       entry.name, methodName(entry.comp_method), entry.crc,
                       entry.encryption_method == ZIP_EM_NONE ? ' ' : 'E');
}

bool ExtractionRun::askedToStop(const std::string& name) {
    stopped_ = callbacks_.service(name.c_str(), clamped32(name.size() + 1)) != 0;
    if (stopped_)
        warn("stopped before " + name + " at the user's request", ResultCancelled);
    return stopped_;
}

void ExtractionRun::test(zip_uint64_t index, const zip_stat_t& entry) {
    if (namesFolder(entry.name))
        return;
    const EntryFile file = openEntry(index, entry);
    if (file && readAll(file.get(), entry, [](const char*, std::size_t) { return true; }))
        say(std::string("    testing: ") + entry.name + "   OK");
}

void ExtractionRun::extract(zip_uint64_t index, const zip_stat_t& entry) {
    std::optional<std::vector<std::string>> components = safeComponents(entry.name);
    if (!components) {
        warn(std::string("skipping: ") + entry.name + "  (it would leave the extract folder)",
             ResultWarning);
        return;
    }
    const bool folder = namesFolder(entry.name);
    if (options_.useFolderNames == 0) {
        if (folder)
            return;
        components->erase(components->begin(), components->end() - 1);
    }
    if (options_.spaceToUnderscore != 0)
        spacesToUnderscores(*components);
    const StoredMode stored = storedMode(archive_.get(), index, folder);
    if (!folder) {
        extractFile(index, entry, *components, stored.link, stored.mode);
        return;
    }
    const UniqueFd made =
        openSubfolder(root_.get(), *components, components->size(), stored.mode | S_IRWXU);
    if (made.valid())
        say("   creating: " + joined(*components) + "/");
    else
        diskError(joined(*components));
}

void ExtractionRun::extractFile(zip_uint64_t index, const zip_stat_t& entry,
                                const std::vector<std::string>& components, bool link,
                                mode_t mode) {
    const std::string shown = joined(components);
    const UniqueFd folder = openSubfolder(root_.get(), components, components.size() - 1, 0777);
    if (!folder.valid()) {
        diskError(shown);
        return;
    }
    const std::string& leaf = components.back();
    if (const auto existing = existingEntry(folder.get(), leaf);
        existing && !mayReplace(shown, *existing, entry.mtime)) {
        say("   skipping: " + shown + "  (it exists already)");
        return;
    }
    const EntryFile file = openEntry(index, entry);
    if (!file)
        return;
    PendingFile output(folder.get(), mode);
    if (!output.valid()) {
        diskError(shown);
        return;
    }
    say((entry.comp_method == ZIP_CM_STORE ? " extracting: " : "  inflating: ") + shown);
    LineEnds lineEnds(options_.convertLineEnds != 0 && !link);
    bool written = true;
    const bool complete = readAll(file.get(), entry, [&](const char* data, std::size_t size) {
        const std::string_view piece = lineEnds.pass(data, size);
        written = output.write(piece.data(), piece.size());
        return written;
    });
    const std::string_view rest = lineEnds.finish();
    if (!written ||
        (complete && !(output.write(rest.data(), rest.size()) && output.commit(leaf, entry.mtime))))
        diskError(shown);
    else if (complete && link)
        warn("    warning: " + shown + " is a symbolic link; written as a file naming its target",
             ResultWarning);
}

bool ExtractionRun::mayReplace(const std::string& shownPath, const struct stat& existing,
                               std::time_t entryTime) {
    if (options_.extractOnlyNewer != 0)
        return existing.st_mtime < entryTime;
    if (options_.overwriteExisting != 0 || replaceAll_)
        return true;
    if (replaceNone_ || options_.promptToOverwrite == 0)
        return false;
    const std::string folder = options_.extractFolder ? options_.extractFolder : "";
    const std::string path =
        folder.empty() ? shownPath : folder + (folder.back() == '/' ? "" : "/") + shownPath;
    std::vector<char> buffer(replaceBufferSize, '\0');
    path.copy(buffer.data(), replaceBufferSize - 1);
    switch (callbacks_.replace(buffer.data())) {
    case ReplaceYes:
        return true;
    case ReplaceAll:
        replaceAll_ = true;
        return true;
    case ReplaceNone:
        replaceNone_ = true;
        return false;
    default:
        return false;
    }
}

EntryFile ExtractionRun::openEntry(zip_uint64_t index, const zip_stat_t& entry) {
    if (entry.encryption_method != ZIP_EM_NONE)
        return openEncrypted(index, entry);
    EntryFile file(zip_fopen_index(archive_.get(), index, 0));
    if (!file)
        warn(std::string("error: ") + entry.name + ": " + zip_strerror(archive_.get()),
             ResultEntryError);
    return file;
}

// The password that opened an entry is tried first on the next one: an archive
// is nearly always encrypted with one password, asked for once.
EntryFile ExtractionRun::openEncrypted(zip_uint64_t index, const zip_stat_t& entry) {
    zip_t* archive = archive_.get();
    if (zip_encryption_method_supported(entry.encryption_method, 0) == 0) {
        warn(std::string("skipping: ") + entry.name + "  (unsupported encryption)",
             ResultEntryError);
        return {};
    }
    if (!password_.empty()) {
        if (EntryFile file{zip_fopen_index_encrypted(archive, index, 0, password_.c_str())})
            return file;
    }
    const char* prompt = "Enter password: ";
    for (int attempt = 0; attempt < passwordAttempts; ++attempt) {
        char buffer[passwordBufferSize] = {};
        if (callbacks_.password(buffer, passwordBufferSize, prompt, entry.name) != 0)
            break;
        buffer[passwordBufferSize - 1] = '\0';
        if (EntryFile file{zip_fopen_index_encrypted(archive, index, 0, buffer)}) {
            password_ = buffer;
            return file;
        }
        if (zip_error_code_zip(zip_get_error(archive)) != ZIP_ER_WRONGPASSWD) {
            warn(std::string("error: ") + entry.name + ": " + zip_strerror(archive),
                 ResultEntryError);
            return {};
        }
        prompt = "Wrong password, enter it again: ";
    }
    warn(std::string("skipping: ") + entry.name + "  (no right password given)",
         ResultPasswordRefused);
    return {};
}

// An entry whose data does not match its declared size is damaged. Reading
// stops as soon as the data runs past it, as reading on could write far more
// than the free-space check allowed.
bool ExtractionRun::readAll(zip_file_t* file, const zip_stat_t& entry, const Sink& sink) {
    const bool sizeKnown = (entry.valid & ZIP_STAT_SIZE) != 0;
    zip_uint64_t total = 0;
    for (;;) {
        const zip_int64_t read = zip_fread(file, buffer_.get(), readBufferSize);
        if (read < 0) {
            warn(std::string("error: ") + entry.name + ": " + zip_file_strerror(file),
                 ResultEntryError);
            return false;
        }
        total = saturatedSum(total, static_cast<zip_uint64_t>(read));
        if (sizeKnown && (total > entry.size || (read == 0 && total < entry.size))) {
            warn(std::string("error: ") + entry.name + ": " + (read == 0 ? "only " : "more than ") +
                     std::to_string(total) + " bytes of the " + std::to_string(entry.size) +
                     " it declares",
                 ResultEntryError);
            return false;
        }
        if (read == 0)
            return true;
        if (!sink(buffer_.get(), static_cast<std::size_t>(read)))
            return false;
    }
}

void ExtractionRun::say(const std::string& text) {
    if (options_.messageLevel == 0)
        warn(text, ResultOk);
}

void ExtractionRun::warn(const std::string& text, Result code) {
    const std::string line = text + "\n";
    callbacks_.print(line.c_str(), clamped32(line.size()));
    note(code);
}

void ExtractionRun::diskError(const std::string& path) {
    const std::string reason = std::strerror(errno);
    warn("error: cannot write " + path + ": " + reason, ResultDiskError);
}

void ExtractionRun::note(Result code) {
    result_ = std::max<int32_t>(result_, code);
}

} // namespace quillbrook::unzip
