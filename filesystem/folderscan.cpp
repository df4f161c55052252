#include "folderscan.h"

#include "attributes.h"
#include "failure.h"
#include "filesystemobject.h"
#include "handledoperation.h"
#include "paths.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <climits>
#include <optional>

namespace quillbrook {

namespace {

// The system's limit for a path, in bytes with the closing NUL: a longer
// folder path cannot be opened. A name cannot outgrow the system's own limit.
constexpr qsizetype pathLimit = PATH_MAX;

// The run-time's failure for using a folder object that was never opened.
constexpr int objectVariableNotSet = 91;

bool sameLetter(QChar a, QChar b) {
    if (a == b)
        return true;
    if (a.unicode() < 0x80 && b.unicode() < 0x80)
        return (a.unicode() | 0x20) == (b.unicode() | 0x20) && QChar::isLetter(a.unicode());
    return a.toCaseFolded() == b.toCaseFolded();
}

bool wildcardMatch(QStringView name, QStringView pattern) {
    qsizetype n = 0;
    qsizetype p = 0;
    qsizetype lastStar = -1;
    qsizetype nameAtLastStar = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
            lastStar = p++;
            nameAtLastStar = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == QLatin1Char('?') || sameLetter(pattern[p], name[n]))) {
            ++n;
            ++p;
        } else if (lastStar >= 0) {
            p = lastStar + 1;
            n = ++nameAtLastStar;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('*'))
        ++p;
    return p == pattern.size();
}

// Users know "*.*" as "every file" and "name.*" as matching "name" as well.
bool matchesFilePattern(const QString& name, const QString& pattern) {
    if (wildcardMatch(name, pattern))
        return true;
    return pattern.endsWith(QLatin1String(".*")) && wildcardMatch(name, pattern.chopped(2));
}

bool isHiddenSystemFolder(const FolderObject& folder) {
    const unsigned attributes = folder.Attributes();
    const bool hiddenSystem =
        attributes == (DirectoryAttribute | SystemAttribute | HiddenAttribute) ||
        attributes == (DirectoryAttribute | SystemAttribute | HiddenAttribute | AliasAttribute);
    return hiddenSystem && !folder.IsRootFolder();
}

const FolderObject& openedFolder(const std::optional<FolderObject>& folder) {
    if (!folder)
        throw Failure(objectVariableNotSet,
                      QStringLiteral("Object variable or With block variable not set"),
                      QStringLiteral("GetSubDirectories2016"));
    return *folder;
}

// A sub-folder the scan takes: a name it can pass on intact and that holds no
// "?"; a listing never yields "." or "..".
bool isTakenName(const FolderObject& subFolder) {
    return !HasUnusualCharacters(subFolder.NativeName()) &&
           !subFolder.Name().contains(QLatin1Char('?'));
}

bool isOverLong(const QString& folder) {
    return QFile::encodeName(folder).size() >= pathLimit;
}

// A link that leads back to the folder being scanned, or to any folder on the
// way down to it, would send the scan round the same folders for ever.
bool leadsBackUp(const QString& folder, const QString& subFolder) {
    if (!isSymbolicLink(subFolder))
        return false;
    const QString target = QFileInfo(subFolder).canonicalFilePath();
    for (qsizetype end = folder.indexOf(pathSeparator); end >= 0;
         end = folder.indexOf(pathSeparator, end + 1))
        if (QFileInfo(folder.left(end + 1)).canonicalFilePath() == target)
            return true;
    return false;
}

// The scan reports failures through its handled operation until a first
// folder has been opened for its sub-folders; from then on a failure leaves
// the folder at hand without a report.
class ScanSteps {
public:
    explicit ScanSteps(HandledOperation& op) : op_(op) {}

    void skipFailures() { skipping_ = true; }
    bool abandoned() const { return op_.abandoned(); }

    void step(int number, const std::function<void()>& action) {
        if (skipping_)
            action();
        else
            op_.step(number, action);
    }

    bool exitIf(int number, const std::function<bool()>& condition) {
        if (skipping_)
            return condition() || abandoned();
        return op_.exitIf(number, condition);
    }

private:
    HandledOperation& op_;
    bool skipping_ = false;
};

void collectSubFolders(const QString& folder, const FileSystemObject& fso, ScanSteps& steps,
                       LiveWindow& live, FolderSet& found) {
    if (steps.exitIf(108, [&] { return !FolderExists(folder); }))
        return;
    if (steps.exitIf(110, [&] { return isOverLong(folder); }))
        return;
    std::optional<FolderObject> opened;
    steps.step(112, [&] { opened = fso.GetFolder(folder); });
    steps.step(114, [&] { live.keepLive(); });
    if (steps.exitIf(116, [&] { return isHiddenSystemFolder(openedFolder(opened)); }))
        return;
    steps.skipFailures();
    for (const FolderObject& subFolder : openedFolder(opened).SubFolders()) {
        live.keepLive();
        if (steps.abandoned())
            return;
        if (isTakenName(subFolder) && !leadsBackUp(folder, subFolder.Path()))
            found.append(folder + subFolder.Name() + pathSeparator);
    }
}

} // namespace

void LiveWindow::keepLive() {
    // Often enough that the window answers the user without a felt delay, yet
    // seldom enough that repainting a long list does not slow the work down.
    constexpr qint64 interval = 40;
    if (sinceEvents_.isValid() && sinceEvents_.elapsed() < interval)
        return;
    QCoreApplication::processEvents();
    sinceEvents_.start();
}

NameArray::NameArray(QStringList names) : names_(std::move(names)) {}

QString NameArray::at(int position) const {
    if (position < lowerBound() || position > upperBound())
        throw Failure(SubscriptOutOfRange, QStringLiteral("ListFiles"));
    return names_.isEmpty() ? QString() : names_.at(position - 1);
}

NameArray ListFiles(const QString& folder, const QString& pattern) {
    const QString prefix = folder.endsWith(pathSeparator) ? folder : folder + pathSeparator;
    QStringList entries;
    try {
        entries = sortedFolderEntries(prefix, ListingKind::FilesOnly);
    } catch (const Failure&) {
        return NameArray();
    }
    QStringList names;
    for (const QString& name : entries)
        if (matchesFilePattern(name, pattern) && IsExistingFile(prefix + name))
            names.append(name);
    return NameArray(std::move(names));
}

bool IsExistingFile(const QString& path) {
    return kindOf(path) == PathKind::RegularFile;
}

bool HasUnusualCharacters(const QByteArray& nativeName) {
    return !nativeName.isValidUtf8();
}

void GetSubDirectories2016(FolderSet& folderSet, bool recursive, Dialogs& dialogs,
                           const ProgramLifetime& lifetime) {
    HandledOperation op(dialogs, lifetime, locations::folderScan);
    const FileSystemObject fso;
    ScanSteps steps(op);
    LiveWindow live;
    FolderSet found;
    // Entries leave the set while it is walked; the walk keeps to the entries
    // as they stood.
    const FolderSet entries = folderSet;
    for (const QString& folder : entries) {
        try {
            collectSubFolders(folder, fso, steps, live, found);
        } catch (const Failure& failure) {
            if (failure.number() == PermissionDenied || failure.number() == PathNotFound)
                folderSet.removeOne(folder);
        }
        if (op.abandoned())
            return;
    }
    if (recursive && !found.isEmpty())
        op.step(150, [&] { GetSubDirectories2016(found, true, dialogs, lifetime); });
    for (const QString& subFolder : found) {
        if (op.exitIf(154, [&] { return !FolderExists(subFolder); }))
            continue;
        op.step(156, [&] { live.keepLive(); });
        if (op.abandoned())
            return;
        // Its existence was tested just before: the folder object needs no second look.
        if (op.exitIf(158, [&] { return isHiddenSystemFolder(FolderObject(subFolder)); }))
            continue;
        op.step(160, [&] { folderSet.append(subFolder); });
    }
}

} // namespace quillbrook
