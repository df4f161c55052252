#pragma once

#include "diskwriter.h"
#include "entrynames.h"
#include "unziprecords.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>
#include <zip.h>

namespace quillbrook::unzip {

struct ArchiveCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct EntryCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};
using EntryFile = std::unique_ptr<zip_file_t, EntryCloser>;

// One call of the component: lists, tests or extracts the selected entries of
// one archive, asking and reporting through the program's callbacks.
class ExtractionRun {
public:
    ExtractionRun(const Options& options, Callbacks& callbacks, NameSet include, NameSet exclude);

    int32_t run();

private:
    using Sink = std::function<bool(const char*, std::size_t)>;

    bool open();
    bool fitsFreeSpace(const std::string& folder);
    zip_uint64_t declaredExtractSize();
    bool selected(std::string_view name);
    void visit(zip_uint64_t index);
    void list(const zip_stat_t& entry);
    bool askedToStop(const std::string& name);
    void test(zip_uint64_t index, const zip_stat_t& entry);
    void extract(zip_uint64_t index, const zip_stat_t& entry);
    void extractFile(zip_uint64_t index, const zip_stat_t& entry,
                     const std::vector<std::string>& components, bool link, mode_t mode);
    bool mayReplace(const std::string& shownPath, const struct stat& existing,
                    std::time_t entryTime);
    EntryFile openEntry(zip_uint64_t index, const zip_stat_t& entry);
    EntryFile openEncrypted(zip_uint64_t index, const zip_stat_t& entry);
    bool readAll(zip_file_t* file, const zip_stat_t& entry, const Sink& sink);
    void count(const zip_stat_t& entry);

    void say(const std::string& text);
    void warn(const std::string& text, Result code);
    void diskError(const std::string& path);
    void note(Result code);

    const Options& options_;
    Callbacks& callbacks_;
    NameSet include_;
    NameSet exclude_;
    std::unique_ptr<zip_t, ArchiveCloser> archive_;
    UniqueFd root_;
    std::string password_;
    std::unique_ptr<char[]> buffer_;
    bool replaceAll_ = false;
    bool replaceNone_ = false;
    bool stopped_ = false;
    int32_t result_ = ResultOk;
    zip_uint64_t totalSize_ = 0;
    zip_uint64_t totalPacked_ = 0;
};

} // namespace quillbrook::unzip
