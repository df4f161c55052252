#include "munzip.h"

#include "cunzip.h"
#include "failure.h"
#include "paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QPointer>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

namespace quillbrook {

namespace {

constexpr int passwordLimit = 254;
constexpr int longestMessage = 1023;
constexpr char encryptedBit = 0x40;

QString chosenFolder;
std::unique_ptr<QLibrary> component;
QPointer<cUnzip> current;
bool cancelFlag = false;

// The folder a caller named; otherwise the program folder, then the current folder.
QStringList componentFolders() {
    if (!chosenFolder.isEmpty())
        return {chosenFolder};
    return {QCoreApplication::applicationDirPath(), QDir::currentPath()};
}

QLibrary& loadedComponent() {
    if (component)
        return *component;
    for (const QString& folder : componentFolders()) {
        auto library =
            std::make_unique<QLibrary>(folder + pathSeparator + mUnzip::componentFileName);
        if (library->load()) {
            component = std::move(library);
            return *component;
        }
    }
    throw Failure(DllLoadError);
}

template <typename Function> Function entryPoint(const char* name) {
    const auto function = reinterpret_cast<Function>(loadedComponent().resolve(name));
    if (function == nullptr)
        throw Failure(DllEntryPointMissing);
    return function;
}

// A name list in the form the component reads: the names, an empty text after
// the last one, null pointers after that.
class NameListBytes {
public:
    explicit NameListBytes(const QStringList& names) {
        if (names.size() >= unzip::nameListSlots)
            throw Failure(SubscriptOutOfRange);
        texts_.reserve(names.size());
        table_.fill(nullptr);
        for (const QString& name : names) {
            texts_.push_back(name.toLocal8Bit());
            table_[texts_.size() - 1] = texts_.back().constData();
        }
        table_[texts_.size()] = "";
    }

    const char* const* table() const { return table_.data(); }

private:
    std::vector<QByteArray> texts_;
    std::array<const char*, unzip::nameListSlots> table_;
};

// Blanks only, as a password may begin or end with other white space.
QString withoutBlanks(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == u' ')
        ++first;
    while (last > first && text[last - 1] == u' ')
        --last;
    return text.mid(first, last - first);
}

// At most 254 bytes, cut at a character boundary: the 8-bit encoding is UTF-8,
// and half a character would make the password wrong.
QByteArray passwordBytes(const QString& password) {
    QByteArray bytes = password.toLocal8Bit();
    if (bytes.size() > passwordLimit) {
        qsizetype kept = passwordLimit;
        while (kept > 0 && (static_cast<unsigned char>(bytes[kept]) & 0xC0) == 0x80)
            --kept;
        bytes.truncate(kept);
    }
    return bytes;
}

// Runs one step of a callback on the current extractor. A failure stays here:
// the component must never see an exception, and the callback goes on with
// the answer it has.
template <typename Step> void deliver(Step&& step) {
    try {
        if (cUnzip* extractor = current.data())
            step(*extractor);
    } catch (...) {
    }
}

} // namespace

// The callbacks the component calls during a run; a friend of cUnzip, so that
// only they reach its internal operations.
struct ComponentCallbacks {
    static int32_t PrintCallback(const char* message, int32_t count) {
        if (count > 1 && count <= longestMessage) {
            deliver([&](cUnzip& extractor) {
                QString text = QString::fromLocal8Bit(message, count) + QChar(u'\0');
                mUnzip::ReplaceSeparators(text, u'/', pathSeparator);
                extractor.ReportProgress(text);
            });
        }
        return 0;
    }

    static int32_t ReplaceCallback(char* path) {
        int answer = unzip::ReplaceNo;
        deliver([&](cUnzip& extractor) {
            QString text = QString::fromLocal8Bit(path, qstrnlen(path, unzip::replaceBufferSize));
            mUnzip::ReplaceSeparators(text, u'/', pathSeparator);
            extractor.RequestOverwrite(text, answer);
        });
        return answer;
    }

    static int32_t PasswordCallback(char* buffer, int32_t, const char*, const char*) {
        if (cancelFlag)
            return 1;
        QString password;
        bool cancel = false;
        deliver([&](cUnzip& extractor) { extractor.RequestPassword(password, cancel); });
        password = withoutBlanks(password);
        if (cancel || password.isEmpty()) {
            cancelFlag = true;
            return 1;
        }
        const QByteArray bytes = passwordBytes(password);
        std::memcpy(buffer, bytes.constData(), static_cast<std::size_t>(bytes.size()));
        return 0;
    }

    static void ListingCallback(int32_t, int32_t size, int16_t factor, int32_t month, int32_t day,
                                int32_t year, int32_t hour, int32_t minute, char, const char* path,
                                const char* method, uint32_t crc, char encryptedFlag) {
        deliver([&](cUnzip& extractor) {
            const mUnzip::FolderAndName split =
                mUnzip::SplitFolderAndName(QString::fromLocal8Bit(path));
            extractor.AddListedEntry(split.name, split.folder,
                                     mUnzip::ListingDate(year, month, day, hour, minute), size,
                                     static_cast<int32_t>(crc), (encryptedFlag & encryptedBit) != 0,
                                     factor, QString::fromLocal8Bit(method));
        });
    }

    static int32_t ServiceCallback(const char* path, int32_t count) {
        int32_t answer = 0;
        if (count > 1 && count <= longestMessage) {
            deliver([&](cUnzip& extractor) {
                QString text = QString::fromLocal8Bit(path, qstrnlen(path, count));
                mUnzip::ReplaceSeparators(text, pathSeparator, u'/');
                bool cancel = false;
                extractor.RequestCancel(text, cancel);
                answer = cancel ? 1 : 0;
            });
        }
        return answer;
    }
};

namespace mUnzip {

void setComponentFolder(const QString& folder) {
    if (folder != chosenFolder)
        component.reset();
    chosenFolder = folder;
}

int32_t VBUnzip(cUnzip& extractor, OptionsRecord& options, const QStringList& includeNames,
                const QStringList& excludeNames) {
    current = &extractor;
    try {
        unzip::Callbacks callbacks{};
        callbacks.print = &ComponentCallbacks::PrintCallback;
        callbacks.replace = &ComponentCallbacks::ReplaceCallback;
        callbacks.password = &ComponentCallbacks::PasswordCallback;
        callbacks.listing = &ComponentCallbacks::ListingCallback;
        callbacks.service = &ComponentCallbacks::ServiceCallback;
        const NameListBytes include(includeNames);
        const NameListBytes exclude(excludeNames);
        cancelFlag = false;
        const QByteArray zipFile = options.zipFile.toLocal8Bit();
        const QByteArray unzipFolder = options.unzipFolder.toLocal8Bit();
        unzip::Options record = options.flags;
        record.zipFile = zipFile.constData();
        record.extractFolder = unzipFolder.constData();
        const auto run = entryPoint<unzip::SingleEntryUnzipFunction>(unzip::singleEntryUnzipName);
        return run(static_cast<int32_t>(includeNames.size()), include.table(),
                   static_cast<int32_t>(excludeNames.size()), exclude.table(), &record, &callbacks);
    } catch (const Failure& failure) {
        current = nullptr;
        throw Failure(failure.number(), failure.description(),
                      failureSource(QStringLiteral("VBUnzip")));
    }
}

void UzpVersion2(unzip::VersionRecord& record) {
    entryPoint<unzip::VersionFunction>(unzip::versionName)(&record);
}

cUnzip* currentExtractor() {
    return current.data();
}

QString failureSource(const QString& module) {
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() + u'.' + module;
}

int ReplaceSeparators(QString& text, QChar from, QChar to) {
    int position = 1;
    for (qsizetype i = 1; i < text.size(); ++i) {
        if (text[i] == from) {
            text[i] = to;
            position = static_cast<int>(i) + 2;
        }
    }
    return position;
}

FolderAndName SplitFolderAndName(const QString& path) {
    QString text = path.left(path.indexOf(QChar(u'\0')));
    const int position = ReplaceSeparators(text, u'/', pathSeparator);
    if (position > 1)
        return {text.left(position - 2), text.mid(position - 1)};
    return {QString(), text};
}

QDateTime ListingDate(int year, int month, int day, int hour, int minute) {
    if (year >= 0 && year <= 29)
        year += 2000;
    else if (year >= 30 && year <= 99)
        year += 1900;
    constexpr qint64 minutesPerDay = 24 * 60;
    const qint64 minutes = qint64(hour) * 60 + minute;
    const qint64 days = minutes / minutesPerDay - (minutes % minutesPerDay < 0 ? 1 : 0);
    const QDate date = QDate(year, 1, 1).addMonths(month - 1).addDays(day - 1 + days);
    return QDateTime(date, QTime(0, 0).addSecs(int((minutes - days * minutesPerDay) * 60)));
}

} // namespace mUnzip
} // namespace quillbrook
