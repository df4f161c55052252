#include "extraction.h"

#include <cstring>
#include <new>

using namespace quillbrook::unzip;

#define VBUZIP_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
bool complete(const Options* options, const Callbacks* callbacks) {
    return options != nullptr && callbacks != nullptr && options->zipFile != nullptr &&
           callbacks->print != nullptr && callbacks->replace != nullptr &&
           callbacks->password != nullptr && callbacks->listing != nullptr &&
           callbacks->service != nullptr;
}

template <std::size_t size> void putText(char (&field)[size], const char* text) {
    std::strncpy(field, text, size - 1);
    field[size - 1] = '\0';
}
} // namespace

VBUZIP_EXPORT int32_t Wiz_SingleEntryUnzip(int32_t includeCount, const char* const* include,
                                           int32_t excludeCount, const char* const* exclude,
                                           const Options* options, Callbacks* callbacks) {
    if (!complete(options, callbacks))
        return ResultBadParameters;
    const bool caseSensitive = options->caseSensitiveNames != 0;
    try {
        ExtractionRun run(*options, *callbacks, NameSet(includeCount, include, caseSensitive),
                          NameSet(excludeCount, exclude, caseSensitive));
        return run.run();
    } catch (const std::bad_alloc&) {
        return ResultNoMemory;
    }
}

VBUZIP_EXPORT void UzpVersion2(VersionRecord* record) {
    if (record == nullptr || record->length < static_cast<int32_t>(sizeof(VersionRecord)))
        return;
    record->flag = 0;
    putText(record->extraInfo, "libzip");
    putText(record->date, VBUZIP_RELEASE_DATE);
    record->library = {LIBZIP_VERSION_MAJOR, LIBZIP_VERSION_MINOR, LIBZIP_VERSION_MICRO, 0};
    record->component = {VBUZIP_VERSION_MAJOR, VBUZIP_VERSION_MINOR, VBUZIP_VERSION_PATCH, 0};
}
