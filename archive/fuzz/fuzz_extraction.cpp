// Feeds arbitrary bytes to the zip extraction component as an archive, in each
// way the program's module calls it: list; test; extract with folder names;
// extract again over that, overwriting; extract flat. Besides the sanitizers'
// findings, an input fails when a run leaves anything outside its extract
// folder, or a link, a special file, a set-id or sticky bit or a leftover
// temporary file inside it. What a run may write is bounded by the component
// itself: it refuses an archive that declares more than the free space, and
// no entry yields more than it declares.

#include "unziprecords.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <system_error>
#include <unistd.h>
#include <vector>

using namespace quillbrook::unzip;
namespace fs = std::filesystem;

extern "C" int32_t Wiz_SingleEntryUnzip(int32_t includeCount, const char* const* include,
                                        int32_t excludeCount, const char* const* exclude,
                                        const Options* options, Callbacks* callbacks);

namespace {

// The encrypted entries of the seed corpus use this password.
constexpr char seedPassword[] = "quillbrook";
constexpr int longestMethodName = 255;
// The absolute entry names of the seed corpus point here.
constexpr const char* absoluteTarget = "/tmp/quillbrook-fuzz-escape";

[[noreturn]] void finding(const std::string& what) {
    std::fprintf(stderr, "finding: %s\n", what.c_str());
    std::abort();
}

// The callbacks read what the component hands them as the module does, so
// that a short or unterminated text shows up under AddressSanitizer.
int32_t printMessage(const char* message, int32_t count) {
    if (count > 0)
        (void)std::string(message, static_cast<std::size_t>(count));
    return 0;
}

int32_t answerReplace(char* path) {
    (void)std::string(path, strnlen(path, replaceBufferSize));
    return ReplaceNo;
}

int32_t answerPassword(char* buffer, int32_t bufferSize, const char*, const char*) {
    if (bufferSize < passwordBufferSize)
        finding("password buffer of " + std::to_string(bufferSize) + " bytes");
    std::memcpy(buffer, seedPassword, sizeof seedPassword - 1);
    return 0;
}

// Every part of every entry path the listing reported for the current input:
// an archive may hold entries named like the component's temporary files.
std::set<std::string> listedNames;

void listEntry(int32_t, int32_t, int16_t, int32_t, int32_t, int32_t, int32_t, int32_t, char,
               const char* path, const char* method, uint32_t, char) {
    std::istringstream parts{std::string(path)};
    for (std::string part; std::getline(parts, part, '/');)
        listedNames.insert(part);
    if (strnlen(method, longestMethodName + 1) > longestMethodName)
        finding("method name longer than the listing allows");
}

int32_t answerService(const char* path, int32_t count) {
    if (count > 0)
        (void)std::string(path, strnlen(path, static_cast<std::size_t>(count)));
    return 0;
}

// One folder per process holding the archive, the current folder of the runs
// and their extract folders, and nothing else.
class Sandbox {
public:
    Sandbox() {
        std::string pattern = (fs::temp_directory_path() / "quillbrook-fuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            finding("cannot make the sandbox folder");
        root_ = pattern;
    }
    ~Sandbox() {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    fs::path archive() const { return root_ / "archive.zip"; }
    fs::path workFolder() const { return root_ / "cwd"; }
    fs::path folder(const char* name) const { return root_ / name; }

    void reset(const uint8_t* data, std::size_t size) {
        for (const fs::directory_entry& entry : fs::directory_iterator(root_))
            fs::remove_all(entry.path());
        std::ofstream(archive(), std::ios::binary)
            .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        fs::create_directory(workFolder());
        bytes_.assign(data, data + size);
    }

    // After each run: only the archive, the current folder and the extract
    // folders made so far stand in the sandbox; the archive is as it was and
    // the current folder is empty.
    void check(const std::vector<fs::path>& extractFolders) const {
        for (const fs::directory_entry& entry : fs::directory_iterator(root_)) {
            const fs::path& path = entry.path();
            if (path != archive() && path != workFolder() &&
                std::find(extractFolders.begin(), extractFolders.end(), path) ==
                    extractFolders.end())
                finding("written outside the extract folder: " + path.string());
        }
        if (readArchive() != bytes_)
            finding("the archive was changed");
        if (fs::exists(fs::symlink_status(absoluteTarget)))
            finding(std::string("written to the absolute path ") + absoluteTarget);
        if (!fs::is_empty(workFolder()))
            finding("written into the current folder");
        for (const fs::path& folder : extractFolders)
            checkTree(folder);
    }

private:
    std::vector<uint8_t> readArchive() const {
        std::vector<uint8_t> bytes(bytes_.size() + 1);
        std::ifstream file(archive(), std::ios::binary);
        file.read(reinterpret_cast<char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        bytes.resize(static_cast<std::size_t>(file.gcount()));
        return bytes;
    }

    static void checkTree(const fs::path& folder) {
        if (!fs::exists(fs::symlink_status(folder)))
            return;
        checkNode(folder);
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder))
            checkNode(entry.path());
    }

    static void checkNode(const fs::path& path) {
        const fs::file_status status = fs::symlink_status(path);
        if (status.type() != fs::file_type::regular && status.type() != fs::file_type::directory)
            finding("neither a file nor a folder: " + path.string());
        using fs::perms;
        if ((status.permissions() & (perms::set_uid | perms::set_gid | perms::sticky_bit)) !=
            perms::none)
            finding("set-id or sticky bit on " + path.string());
        // The component names its temporary files ".vbuzip-<process>-<number>".
        static const std::string temporaryPrefix = ".vbuzip-" + std::to_string(getpid()) + "-";
        const std::string name = path.filename().string();
        if (name.rfind(temporaryPrefix, 0) == 0 && listedNames.count(name) == 0)
            finding("temporary file left behind: " + path.string());
    }

    fs::path root_;
    std::vector<uint8_t> bytes_;
};

// The runs take place in the sandbox's current folder; the fuzzer itself
// reads its inputs by paths relative to its own.
class InWorkFolder {
public:
    explicit InWorkFolder(const fs::path& folder) : saved_(fs::current_path()) {
        fs::current_path(folder);
    }
    InWorkFolder(const InWorkFolder&) = delete;
    InWorkFolder& operator=(const InWorkFolder&) = delete;
    ~InWorkFolder() { fs::current_path(saved_); }

private:
    fs::path saved_;
};

// One call of the component, with empty include and exclude lists: the
// program asks for every entry.
void unzip(const Options& options) {
    static const char* const emptyList[nameListSlots] = {""};
    Callbacks callbacks{};
    callbacks.print = printMessage;
    callbacks.replace = answerReplace;
    callbacks.password = answerPassword;
    callbacks.listing = listEntry;
    callbacks.service = answerService;
    Wiz_SingleEntryUnzip(0, emptyList, 0, emptyList, &options, &callbacks);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static Sandbox sandbox;
    sandbox.reset(data, size);
    listedNames.clear();
    const InWorkFolder inWorkFolder(sandbox.workFolder());
    const std::string archive = sandbox.archive().string();
    const fs::path tree = sandbox.folder("tree");
    const fs::path flat = sandbox.folder("flat");
    const std::string treeText = tree.string();
    const std::string flatText = flat.string();
    const std::string testText = sandbox.folder("test").string();

    Options options{};
    options.zipFile = archive.c_str();
    options.extractFolder = "";
    options.listOnly = 1;
    unzip(options);
    sandbox.check({});

    options.listOnly = 0;
    options.testZip = 1;
    options.extractFolder = testText.c_str();
    unzip(options);
    sandbox.check({});

    options.testZip = 0;
    options.useFolderNames = 1;
    options.extractFolder = treeText.c_str();
    unzip(options);
    sandbox.check({tree});

    options.overwriteExisting = 1;
    unzip(options);
    sandbox.check({tree});

    options.overwriteExisting = 0;
    options.useFolderNames = 0;
    options.extractFolder = flatText.c_str();
    unzip(options);
    sandbox.check({tree, flat});
    return 0;
}
