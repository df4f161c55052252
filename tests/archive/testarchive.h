#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>

namespace quillbrook::test {

// One entry of an archive a test makes.
struct ArchiveEntry {
    QByteArray name;
    QByteArray data;
    uint32_t unixMode = 0100644;
    int32_t method = 8; // deflate
    QByteArray password;
    uint16_t encryption = 0;
};

ArchiveEntry fileEntry(const QByteArray& name, const QByteArray& data, uint32_t mode = 0100644);
ArchiveEntry folderEntry(const QByteArray& name);
ArchiveEntry linkEntry(const QByteArray& name, const QByteArray& target);

// Writes the archive with libzip; false when libzip refused.
bool writeArchive(const QString& path, const QList<ArchiveEntry>& entries);

// Data that compresses, but not to nothing: words drawn from a small
// vocabulary by a fixed-seed generator.
QByteArray compressibleData(qsizetype size, uint32_t seed);

} // namespace quillbrook::test
