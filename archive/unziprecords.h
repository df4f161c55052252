#pragma once

// The records that cross between the program and its zip extraction component
// (libvbuzip10.so in the program folder). Both sides include this one header so
// that they cannot disagree about a field; the static_asserts below pin the
// layout, which follows the platform's own for the pointer fields.
//
// Every text is the locale's 8-bit encoding (UTF-8), NUL-terminated. Entry
// names use the archive's own form, folders separated by "/".

#include <cstddef>
#include <cstdint>

namespace quillbrook::unzip {

// What the program asks of one run. Every flag is 1 (on) or 0 (off).
struct Options {
    int32_t extractOnlyNewer;  // leave a file alone unless the entry is newer
    int32_t spaceToUnderscore; // blanks in names become "_"
    int32_t promptToOverwrite; // ask through the replace callback before overwriting
    int32_t messageLevel;      // 0: a progress line per entry; otherwise only problems
    int32_t unused16;
    int32_t testZip;  // read and check every entry, write nothing
    int32_t listOnly; // 1: report the entries through the listing callback instead
    int32_t unused28;
    int32_t unused32;
    int32_t useFolderNames;    // recreate the stored folders, else extract flat
    int32_t overwriteExisting; // overwrite without asking
    int32_t convertLineEnds;   // text entries get this platform's line ends
    int32_t unused48;
    int32_t caseSensitiveNames; // include and exclude names match letter case
    int32_t unused56;
    const char* zipFile;
    const char* extractFolder;
};

// A list of entry names: names in slots 0 to n-1, an empty text in slot n, and
// null pointers after it. So it holds at most 1023 names.
inline constexpr int nameListSlots = 1024;
using NameList = const char* [nameListSlots];

// Progress and problem messages; count is the number of bytes. Answer 0.
using PrintCallback = int32_t (*)(const char* message, int32_t count);
// path: the existing file, NUL-terminated, in a buffer of replaceBufferSize
// bytes. Answer one of the Replace... codes.
using ReplaceCallback = int32_t (*)(char* path);
// buffer: passwordBufferSize bytes, zero-filled; the program writes at most 254
// bytes. Answer 0 when a password was written, 1 for none.
using PasswordCallback = int32_t (*)(char* buffer, int32_t bufferSize, const char* prompt,
                                     const char* entryName);
// One entry of a listing. factor is the packed size as a percentage of the
// size; year has four digits; encryptedFlag is 'E' for an encrypted entry,
// a blank otherwise; unusedChar is always a blank.
using ListingCallback = void (*)(int32_t packedSize, int32_t size, int16_t factor, int32_t month,
                                 int32_t day, int32_t year, int32_t hour, int32_t minute,
                                 char unusedChar, const char* path, const char* method,
                                 uint32_t crc, char encryptedFlag);
// Called before each entry is extracted or tested; count is the path's length
// with its terminating NUL. Answer 1 to stop the run, 0 to go on.
using ServiceCallback = int32_t (*)(const char* path, int32_t count);
using SoundCallback = void (*)();

struct Callbacks {
    PrintCallback print;
    SoundCallback sound;
    ReplaceCallback replace;
    PasswordCallback password;
    ListingCallback listing;
    ServiceCallback service;
    int32_t totalFiles; // filled in by the component; the program never reads them
    int32_t totalSize;
    int32_t totalPackedSize;
    int32_t compressionFactor;
    int16_t encryptedFiles;
};

inline constexpr int replaceBufferSize = 32801;
inline constexpr int passwordBufferSize = 256;

// Answers to the replace callback.
enum ReplaceAnswer : int32_t {
    ReplaceNo = 100, // leave the existing file as it is
    ReplaceYes = 102,
    ReplaceAll = 103,  // this one and every later one without asking
    ReplaceNone = 104, // none of the later ones either, without asking
};

struct Version {
    uint8_t major;
    uint8_t minor;
    uint8_t patch;
    uint8_t unused;
};

struct VersionRecord {
    int32_t length; // the caller's size of this record; the component writes nothing if short
    int32_t flag;
    char extraInfo[10];
    char date[20];
    char text[10];
    Version library; // the libzip the component runs on
    Version reserved1;
    Version reserved2;
    Version component; // the component's own version
};

// Result codes of a run.
enum Result : int32_t {
    ResultOk = 0,
    ResultWarning = 1,      // some entries skipped (unsafe names, entries of an unknown kind)
    ResultEntryError = 2,   // some entries could not be read or written
    ResultArchiveError = 3, // the archive's directory is damaged
    ResultNoMemory = 4,
    ResultNotAnArchive = 9,    // missing, unreadable or not a zip archive
    ResultBadParameters = 10,  // missing records or texts
    ResultNoMatch = 11,        // none of the named entries is in the archive
    ResultDiskError = 50,      // a folder or file could not be created or written
    ResultCancelled = 80,      // the service callback asked to stop
    ResultPasswordRefused = 82 // an encrypted entry without the right password
};

using SingleEntryUnzipFunction = int32_t (*)(int32_t includeCount, const char* const* include,
                                             int32_t excludeCount, const char* const* exclude,
                                             const Options* options, Callbacks* callbacks);
using VersionFunction = void (*)(VersionRecord* record);

inline constexpr const char* singleEntryUnzipName = "Wiz_SingleEntryUnzip";
inline constexpr const char* versionName = "UzpVersion2";

inline constexpr std::size_t pointerSize = sizeof(void*);
inline constexpr std::size_t alignedAfterInts(std::size_t end) {
    return (end + pointerSize - 1) / pointerSize * pointerSize;
}

static_assert(offsetof(Options, extractOnlyNewer) == 0);
static_assert(offsetof(Options, messageLevel) == 12);
static_assert(offsetof(Options, listOnly) == 24);
static_assert(offsetof(Options, useFolderNames) == 36);
static_assert(offsetof(Options, caseSensitiveNames) == 52);
static_assert(offsetof(Options, unused56) == 56);
static_assert(offsetof(Options, zipFile) == alignedAfterInts(60));
static_assert(offsetof(Options, extractFolder) == alignedAfterInts(60) + pointerSize);
static_assert(sizeof(Options) == alignedAfterInts(60) + 2 * pointerSize);

static_assert(sizeof(NameList) == nameListSlots * pointerSize);

static_assert(offsetof(Callbacks, print) == 0);
static_assert(offsetof(Callbacks, sound) == pointerSize);
static_assert(offsetof(Callbacks, service) == 5 * pointerSize);
static_assert(offsetof(Callbacks, totalFiles) == 6 * pointerSize);
static_assert(offsetof(Callbacks, encryptedFiles) == 6 * pointerSize + 16);
static_assert(sizeof(Callbacks) == alignedAfterInts(6 * pointerSize + 20));

static_assert(offsetof(VersionRecord, extraInfo) == 8);
static_assert(offsetof(VersionRecord, date) == 18);
static_assert(offsetof(VersionRecord, text) == 38);
static_assert(offsetof(VersionRecord, library) == 48);
static_assert(offsetof(VersionRecord, component) == 60);
static_assert(sizeof(VersionRecord) == 64);

} // namespace quillbrook::unzip
