#include "testarchive.h"

#include <QFile>
#include <memory>
#include <zip.h>

namespace quillbrook::test {

namespace {
constexpr time_t entryTime = 1718000000; // June 2024

struct ArchiveCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};

// An encrypted entry keeps the time of writing: libzip 1.7 derives the
// traditional password check from a time it set itself, not from a changed one.
bool addEntry(zip_t* archive, const ArchiveEntry& entry) {
    zip_source_t* source = zip_source_buffer(archive, entry.data.constData(),
                                             static_cast<zip_uint64_t>(entry.data.size()), 0);
    const zip_int64_t index =
        source ? zip_file_add(archive, entry.name.constData(), source, ZIP_FL_ENC_UTF_8) : -1;
    if (index < 0) {
        zip_source_free(source);
        return false;
    }
    const auto at = static_cast<zip_uint64_t>(index);
    const bool described =
        zip_set_file_compression(archive, at, entry.method, 0) == 0 &&
        zip_file_set_external_attributes(archive, at, 0, ZIP_OPSYS_UNIX, entry.unixMode << 16) == 0;
    if (entry.password.isEmpty())
        return described && zip_file_set_mtime(archive, at, entryTime, 0) == 0;
    return described &&
           zip_file_set_encryption(archive, at, entry.encryption, entry.password.constData()) == 0;
}
} // namespace

ArchiveEntry fileEntry(const QByteArray& name, const QByteArray& data, uint32_t mode) {
    ArchiveEntry entry;
    entry.name = name;
    entry.data = data;
    entry.unixMode = mode;
    return entry;
}

ArchiveEntry folderEntry(const QByteArray& name) {
    ArchiveEntry entry = fileEntry(name, {}, 040755);
    entry.method = ZIP_CM_STORE;
    return entry;
}

ArchiveEntry linkEntry(const QByteArray& name, const QByteArray& target) {
    ArchiveEntry entry = fileEntry(name, target, 0120777);
    entry.method = ZIP_CM_STORE;
    return entry;
}

bool writeArchive(const QString& path, const QList<ArchiveEntry>& entries) {
    int error = 0;
    zip_t* opened =
        zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    std::unique_ptr<zip_t, ArchiveCloser> archive(opened);
    if (!archive)
        return false;
    for (const ArchiveEntry& entry : entries) {
        if (!addEntry(archive.get(), entry))
            return false;
    }
    zip_t* written = archive.release();
    if (zip_close(written) == 0)
        return true;
    zip_discard(written);
    return false;
}

QByteArray compressibleData(qsizetype size, uint32_t seed) {
    static const char* const words[] = {"quill ", "brook ", "ink ",    "page ",  "margin ",
                                        "folio ", "verso ", "recto ",  "spine ", "chapter\n",
                                        "1789 ",  "42 ",    "e-book ", "mobi ",  "epub "};
    QByteArray data;
    data.reserve(size + 16);
    uint32_t state = seed * 2654435761u + 1;
    while (data.size() < size) {
        state = state * 1664525u + 1013904223u;
        data += words[(state >> 16) % std::size(words)];
        if ((state & 0xff) < 8)
            data += QByteArray::number(state);
    }
    data.truncate(size);
    return data;
}

} // namespace quillbrook::test
