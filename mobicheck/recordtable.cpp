#include "recordtable.h"

#include "mobicheck.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QLocale>
#include <QtEndian>
#include <sys/stat.h>

namespace quillbrook {

namespace {

// The Palm database header: its type and creator, the record count, and the
// table of records after it, eight bytes per record starting with the
// record's offset from the start of the file.
constexpr qint64 typeAndCreatorOffset = 60;
constexpr qint64 recordCountOffset = 76;
constexpr qint64 databaseHeaderSize = 78;
constexpr qint64 tableEntrySize = 8;
const QByteArray mobiBookType = QByteArrayLiteral("BOOKMOBI");
const QByteArray oldTextBookType = QByteArrayLiteral("TEXtREAd");
constexpr qint64 typeAndCreatorSize = 8;

// A MOBI book closes with a four-byte end-of-book record; other databases
// promise only that their last record is not empty.
constexpr qint64 endOfBookRecordSize = 4;

QString cutOffReason(qint64 missingBytes) {
    return QStringLiteral("The file ends at least %1 bytes early")
        .arg(QLocale(QLocale::English, QLocale::UnitedStates).toString(missingBytes));
}

QString corruptTableReason(const QString& what) {
    return QStringLiteral("Corrupted record table: ") + what;
}

qint64 sizeOf(std::FILE* file) {
    struct stat status {};
    return fstat(fileno(file), &status) == 0 ? qint64(status.st_size) : -1;
}

QByteArray readFromStart(std::FILE* file, qint64 length) {
    QByteArray bytes(length, '\0');
    if (std::fseek(file, 0, SEEK_SET) != 0)
        return {};
    bytes.resize(qsizetype(std::fread(bytes.data(), 1, std::size_t(length), file)));
    return bytes;
}

quint32 bigEndian32(const QByteArray& bytes, qint64 at) {
    return qFromBigEndian<quint32>(bytes.constData() + at);
}

// The offsets in the table that `header` (the database header and its whole
// table) holds.
QList<qint64> recordOffsets(const QByteArray& header, qint64 count) {
    QList<qint64> offsets;
    offsets.reserve(count);
    for (qint64 i = 0; i < count; ++i)
        offsets.append(bigEndian32(header, databaseHeaderSize + i * tableEntrySize));
    return offsets;
}

std::optional<QString> misplacedRecord(const QList<qint64>& offsets, qint64 tableEnd,
                                       qint64 fileSize) {
    const bool lastInFile = offsets.constLast() < fileSize;
    for (qsizetype i = 0; i < offsets.size(); ++i) {
        if (offsets[i] >= fileSize && lastInFile)
            return corruptTableReason(
                QStringLiteral("record %1 lies past the end of the file").arg(i));
        if (i == 0 && offsets[i] < tableEnd)
            return corruptTableReason(QStringLiteral("record 0 starts inside the table"));
        if (i > 0 && offsets[i] < offsets[i - 1])
            return corruptTableReason(
                QStringLiteral("record %1 starts before record %2").arg(i).arg(i - 1));
    }
    return std::nullopt;
}

} // namespace

bool isMobiBook(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(typeAndCreatorOffset))
        return false;
    const QByteArray typeAndCreator = file.read(typeAndCreatorSize);
    return typeAndCreator == mobiBookType || typeAndCreator == oldTextBookType;
}

std::optional<QString> recordTableDamage(std::FILE* book) {
    const qint64 fileSize = sizeOf(book);
    if (fileSize == 0)
        return QStringLiteral("The file is empty");
    if (fileSize < databaseHeaderSize)
        return std::nullopt; // too short to hold a table: libmobi says what it makes of it
    const QByteArray start = readFromStart(book, databaseHeaderSize);
    if (start.size() < databaseHeaderSize)
        return std::nullopt;
    const qint64 count = qFromBigEndian<quint16>(start.constData() + recordCountOffset);
    if (count == 0)
        return std::nullopt;
    const qint64 tableEnd = databaseHeaderSize + count * tableEntrySize;
    if (fileSize < tableEnd)
        return cutOffReason(tableEnd - fileSize);
    const QByteArray header = readFromStart(book, tableEnd);
    if (header.size() < tableEnd)
        return std::nullopt;
    const QList<qint64> offsets = recordOffsets(header, count);
    if (auto misplaced = misplacedRecord(offsets, tableEnd, fileSize))
        return misplaced;
    const bool isMobiBook = header.mid(typeAndCreatorOffset, typeAndCreatorSize) == mobiBookType;
    const qint64 expectedEnd = offsets.constLast() + (isMobiBook ? endOfBookRecordSize : 1);
    if (fileSize < expectedEnd)
        return cutOffReason(expectedEnd - fileSize);
    return std::nullopt;
}

} // namespace quillbrook
