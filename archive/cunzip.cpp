#include "cunzip.h"

#include "failure.h"
#include "paths.h"

#include <limits>

namespace quillbrook {

namespace {
int32_t flag(bool bState) {
    return bState ? 1 : 0;
}

bool isEmptyOrNul(const QString& text) {
    return text.isEmpty() || text == QString(QChar(u'\0'));
}

// A version text as the component expects to find it: blanks, then a NUL.
template <std::size_t size> void fillWithBlanks(char (&field)[size]) {
    std::fill(field, field + size - 1, ' ');
    field[size - 1] = '\0';
}

QString extraInformation(const char (&field)[10]) {
    const QByteArray raw(field, sizeof field);
    const qsizetype nul = raw.indexOf('\0');
    if (nul < 1)
        return QString::fromLocal8Bit(raw);
    return QString::fromLocal8Bit(raw.left(nul)).leftJustified(sizeof field, u' ');
}
} // namespace

cUnzip::cUnzip(QObject* parent) : QObject(parent) {}

bool cUnzip::ExtractOnlyNewer() const {
    return options_.flags.extractOnlyNewer != 0;
}
void cUnzip::setExtractOnlyNewer(bool bState) {
    options_.flags.extractOnlyNewer = flag(bState);
}
bool cUnzip::SpaceToUnderScore() const {
    return options_.flags.spaceToUnderscore != 0;
}
void cUnzip::setSpaceToUnderScore(bool bState) {
    options_.flags.spaceToUnderscore = flag(bState);
}
bool cUnzip::PromptToOverwrite() const {
    return options_.flags.promptToOverwrite != 0;
}
void cUnzip::setPromptToOverwrite(bool bState) {
    options_.flags.promptToOverwrite = flag(bState);
}
int cUnzip::MessageLevel() const {
    return options_.flags.messageLevel;
}
void cUnzip::setMessageLevel(int eLevel) {
    options_.flags.messageLevel = eLevel;
}
bool cUnzip::TestZip() const {
    return options_.flags.testZip != 0;
}
void cUnzip::setTestZip(bool bState) {
    options_.flags.testZip = flag(bState);
}
bool cUnzip::UseFolderNames() const {
    return options_.flags.useFolderNames != 0;
}
void cUnzip::setUseFolderNames(bool bState) {
    options_.flags.useFolderNames = flag(bState);
}
bool cUnzip::OverwriteExisting() const {
    return options_.flags.overwriteExisting != 0;
}
void cUnzip::setOverwriteExisting(bool bState) {
    options_.flags.overwriteExisting = flag(bState);
}
bool cUnzip::ConvertCRToCRLF() const {
    return options_.flags.convertLineEnds != 0;
}
void cUnzip::setConvertCRToCRLF(bool bState) {
    options_.flags.convertLineEnds = flag(bState);
}
bool cUnzip::CaseSensitiveFileNames() const {
    return options_.flags.caseSensitiveNames != 0;
}
void cUnzip::setCaseSensitiveFileNames(bool bState) {
    options_.flags.caseSensitiveNames = flag(bState);
}

int cUnzip::FileCount() const {
    return static_cast<int>(listing_.size());
}
QString cUnzip::Filename(int lIndex) const {
    return entry(lIndex).Name;
}
QString cUnzip::FileDirectory(int lIndex) const {
    return entry(lIndex).Folder;
}
int cUnzip::FileSize(int lIndex) const {
    return entry(lIndex).Size;
}

int cUnzip::FilePackedSize(int lIndex) const {
    const ListingEntry& listed = entry(lIndex);
    const qint64 product = qint64(listed.Size) * listed.Factor;
    if (product < std::numeric_limits<int>::min() || product > std::numeric_limits<int>::max())
        throw Failure(Overflow, mUnzip::failureSource(QStringLiteral("cUnzip")));
    return static_cast<int>(product / 100);
}

int cUnzip::FileCompressionRatio(int lIndex) const {
    return entry(lIndex).Factor;
}
QDateTime cUnzip::FileDate(int lIndex) const {
    return entry(lIndex).Date;
}
int cUnzip::FileCRC(int lIndex) const {
    return entry(lIndex).CRC;
}
QString cUnzip::FileCompressionMethod(int lIndex) const {
    return entry(lIndex).Method;
}
bool cUnzip::FileEncrypted(int lIndex) const {
    return entry(lIndex).Encrypted;
}
bool cUnzip::FileSelected(int lIndex) const {
    return entry(lIndex).Selected;
}
void cUnzip::setFileSelected(int lIndex, bool bState) {
    entry(lIndex).Selected = bState;
}

void cUnzip::Directory() {
    options_.zipFile = zipFile_;
    options_.unzipFolder.clear();
    options_.flags.listOnly = 1;
    mUnzip::VBUnzip(*this, options_, {}, {});
}

bool cUnzip::Unzip() {
    if (zipFile_.isEmpty())
        return false;
    QStringList includeNames;
    for (const ListingEntry& listed : listing_) {
        if (listed.Selected)
            includeNames.append(EntryPath(listed.Folder, listed.Name));
    }
    if (includeNames.size() == FileCount())
        includeNames.clear();
    options_.zipFile = zipFile_;
    options_.unzipFolder = unzipFolder_;
    options_.flags.listOnly = 0;
    return mUnzip::VBUnzip(*this, options_, includeNames, {}) != 0;
}

void cUnzip::setUnzipFolder(const QString& sFolder) {
    unzipFolder_ = sFolder;
}
QString cUnzip::UnzipFolder() const {
    return unzipFolder_;
}
QString cUnzip::ZipFile() const {
    return zipFile_;
}

void cUnzip::GetVersion(int& lMajor, int& lMinor, int& lRevision, QDateTime&, QString& sExtraInfo) {
    unzip::VersionRecord record{};
    record.length = sizeof record;
    fillWithBlanks(record.extraInfo);
    fillWithBlanks(record.date);
    fillWithBlanks(record.text);
    mUnzip::UzpVersion2(record);
    sExtraInfo = extraInformation(record.extraInfo);
    lMajor = record.component.major;
    lMinor = record.component.minor;
    lRevision = record.component.patch;
}

void cUnzip::setZipFile(const QString& sFIle) {
    zipFile_ = sFIle;
    listing_.clear();
}

void cUnzip::AddListedEntry(const QString& name, const QString& folder, const QDateTime& date,
                            int size, int crc, bool encrypted, int factor, const QString& method) {
    if (isEmptyOrNul(name))
        return;
    listing_.push_back({name, folder, size, factor, method, date, crc, encrypted, true});
}

void cUnzip::RequestOverwrite(const QString& path, int& answer) {
    emit OverwritePrompt(path, answer);
}

void cUnzip::ReportProgress(const QString& message) {
    emit Progress(1, message);
}

void cUnzip::RequestCancel(const QString& path, bool& cancel) {
    emit Cancel(path, cancel);
}

void cUnzip::RequestPassword(QString& password, bool& cancel) {
    emit PasswordRequest(password, cancel);
}

QString cUnzip::EntryPath(const QString& folder, const QString& name) {
    if (isEmptyOrNul(folder))
        return name;
    return QString(folder + u'/' + name).replace(pathSeparator, u'/');
}

const cUnzip::ListingEntry& cUnzip::entry(int lIndex) const {
    if (lIndex < 1 || lIndex > FileCount())
        throw Failure(SubscriptOutOfRange, mUnzip::failureSource(QStringLiteral("cUnzip")));
    return listing_[static_cast<std::size_t>(lIndex - 1)];
}

cUnzip::ListingEntry& cUnzip::entry(int lIndex) {
    return const_cast<ListingEntry&>(std::as_const(*this).entry(lIndex));
}

} // namespace quillbrook
