#include "folderscan.h"

#include "attributes.h"
#include "descriptor.h"
#include "failure.h"
#include "fileidentity.h"
#include "handledoperation.h"
#include "paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <climits>
#include <fcntl.h>
#include <optional>
#include <vector>

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

// A folder the scan neither searches nor passes on, unless it is the root.
bool isHiddenSystemFolder(unsigned attributes, bool isRoot) {
    const bool hiddenSystem =
        attributes == (DirectoryAttribute | SystemAttribute | HiddenAttribute) ||
        attributes == (DirectoryAttribute | SystemAttribute | HiddenAttribute | AliasAttribute);
    return hiddenSystem && !isRoot;
}

bool isRootFolder(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath()) == QLatin1String("/");
}

// A sub-folder the scan takes: a name it can pass on intact and that holds no
// "?"; a listing never yields "." or "..".
bool isTakenName(const ListedName& subFolder) {
    return !HasUnusualCharacters(subFolder.nativeName) &&
           !subFolder.name.contains(QLatin1Char('?'));
}

// The scan reports failures through its handled operation until a first
// folder of a level has been opened for its sub-folders; from then on, to the
// end of the level, a failure leaves the folder at hand without a report.
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

// A folder the scan has taken. It is reached by its name inside its parent's
// descriptor, never by its whole path, so each step costs the same at any
// depth; a start entry's name is its whole path.
struct FoundFolder {
    QString path; // ends with the separator
    QByteArray name;
    qsizetype nativeLength = 0; // of the path, in bytes
    qsizetype parent = -1;      // in the level above; -1 for a start entry
    // Open while the level below is scanned, for the look-ups in it.
    OpenFolder opened;
    bool removed = false;
};

using Level = std::vector<FoundFolder>;

// The scan goes level by level. Each level is grouped by parent, so a parent's
// descriptor is needed only while its own sub-folders are at hand.
class FolderScan {
public:
    FolderScan(Dialogs& dialogs, const ProgramLifetime& lifetime)
        : op_(dialogs, lifetime, locations::folderScan) {}

    void run(FolderSet& folderSet, bool recursive);

private:
    // A wide level cannot keep every parent open; past this many in one level,
    // a parent is opened again by its path when its sub-folders come up.
    static constexpr int keptDescriptorLimit = 64;

    void rememberStartFolders(const FolderSet& entries);
    bool scanLevel(Level& level, Level& parents, bool listing, Level& below, FolderSet& passed);
    void collectSubFolders(FoundFolder& folder, qsizetype position, int parent, ScanSteps& steps,
                           Level& below);
    void takeSubFolder(const FoundFolder& folder, qsizetype position, int opened,
                       const ListedName& subFolder, Level& below);
    bool passesUp(const FoundFolder& folder, int parent);

    HandledOperation op_;
    LiveWindow live_;
    // Every folder the scan has taken, and those on the way down to its
    // start folders: a folder reached a second time, through a link or a
    // mount, is passed over, so no link can make the scan list a folder again
    // or go round in circles.
    QSet<FileIdentity> entered_;
    int keptInLevel_ = 0;
};

// A parent the level above could not keep open, opened by its path; a parent
// that cannot be opened any more has no sub-folders to offer.
OpenFolder reopened(const QString& path) {
    try {
        return openFolderAt(AT_FDCWD, QFile::encodeName(path));
    } catch (const Failure&) {
        return {};
    }
}

// The walk up only looks at folders, so it needs no right to list them.
void FolderScan::rememberStartFolders(const FolderSet& entries) {
    constexpr int lookOnly = O_PATH | O_DIRECTORY | O_CLOEXEC;
    for (const QString& entry : entries) {
        Descriptor folder(open(QFile::encodeName(entry).constData(), lookOnly));
        for (std::optional<FileIdentity> identity = identityAt(folder.get(), ".");
             identity && !entered_.contains(*identity); identity = identityAt(folder.get(), ".")) {
            entered_.insert(*identity);
            folder = Descriptor(openat(folder.get(), "..", lookOnly));
        }
    }
}

void FolderScan::takeSubFolder(const FoundFolder& folder, qsizetype position, int opened,
                               const ListedName& subFolder, Level& below) {
    if (!isTakenName(subFolder))
        return;
    // A path the system's limit does not allow cannot be passed on.
    const qsizetype nativeLength = folder.nativeLength + subFolder.nativeName.size() + 1;
    if (nativeLength >= pathLimit)
        return;
    const std::optional<FileIdentity> identity = identityAt(opened, subFolder.nativeName);
    if (!identity || entered_.contains(*identity))
        return;
    entered_.insert(*identity);
    below.push_back({folder.path + subFolder.name + pathSeparator, subFolder.nativeName,
                     nativeLength, position, OpenFolder(), false});
}

void FolderScan::collectSubFolders(FoundFolder& folder, qsizetype position, int parent,
                                   ScanSteps& steps, Level& below) {
    if (steps.exitIf(108, [&] { return kindAt(parent, folder.name) != PathKind::Folder; }))
        return;
    if (steps.exitIf(110, [&] { return folder.nativeLength >= pathLimit; }))
        return;
    bool found = false;
    steps.step(112, [&] {
        if (kindAt(parent, folder.name) != PathKind::Folder)
            throw Failure(PathNotFound, QStringLiteral("GetFolder"));
        found = true;
    });
    const auto requireFound = [&] {
        if (!found)
            throw Failure(objectVariableNotSet,
                          QStringLiteral("Object variable or With block variable not set"),
                          QStringLiteral("GetSubDirectories2016"));
    };
    steps.step(114, [&] { live_.keepLive(); });
    const bool isRoot = folder.parent < 0 && isRootFolder(folder.path);
    if (steps.exitIf(116, [&] {
            requireFound();
            return isHiddenSystemFolder(attributesAt(parent, folder.name), isRoot);
        }))
        return;
    steps.skipFailures();
    requireFound();
    OpenFolder opened = openFolderAt(parent, folder.name);
    const size_t before = below.size();
    for (const ListedName& subFolder :
         sortedNativeFolderEntries(opened, ListingKind::FoldersOnly)) {
        live_.keepLive();
        if (steps.abandoned())
            return;
        takeSubFolder(folder, position, opened.descriptor(), subFolder, below);
    }
    if (below.size() > before && keptInLevel_ < keptDescriptorLimit) {
        folder.opened = std::move(opened);
        ++keptInLevel_;
    }
}

bool FolderScan::passesUp(const FoundFolder& folder, int parent) {
    if (op_.exitIf(154, [&] { return kindAt(parent, folder.name) != PathKind::Folder; }))
        return false;
    op_.step(156, [&] { live_.keepLive(); });
    return !op_.abandoned() && !op_.exitIf(158, [&] {
        return isHiddenSystemFolder(attributesAt(parent, folder.name), false);
    });
}

// Lists the sub-folders of the level's folders into the level below, when
// listing, and gathers the folders below the start entries that are passed on.
// False when the program ended meanwhile.
bool FolderScan::scanLevel(Level& level, Level& parents, bool listing, Level& below,
                           FolderSet& passed) {
    ScanSteps steps(op_);
    keptInLevel_ = 0;
    qsizetype parentPosition = -1;
    OpenFolder reopenedParent;
    for (qsizetype position = 0; position < qsizetype(level.size()); ++position) {
        FoundFolder& folder = level[size_t(position)];
        if (folder.parent != parentPosition) {
            if (parentPosition >= 0)
                parents[size_t(parentPosition)].opened = OpenFolder();
            parentPosition = folder.parent;
            const FoundFolder& parentFolder = parents[size_t(parentPosition)];
            reopenedParent =
                parentFolder.opened.isOpen() ? OpenFolder() : reopened(parentFolder.path);
        }
        const int parent = folder.parent < 0 ? AT_FDCWD
                           : reopenedParent.isOpen()
                               ? reopenedParent.descriptor()
                               : parents[size_t(parentPosition)].opened.descriptor();
        if (listing) {
            try {
                collectSubFolders(folder, position, parent, steps, below);
            } catch (const Failure& failure) {
                folder.removed =
                    failure.number() == PermissionDenied || failure.number() == PathNotFound;
            }
            if (op_.abandoned())
                return false;
        }
        if (folder.parent >= 0 && !folder.removed && passesUp(folder, parent))
            passed.append(folder.path);
        if (op_.abandoned())
            return false;
    }
    if (parentPosition >= 0)
        parents[size_t(parentPosition)].opened = OpenFolder();
    return true;
}

void FolderScan::run(FolderSet& folderSet, bool recursive) {
    // Entries leave the set while it is walked; the walk keeps to the entries
    // as they stood.
    const FolderSet entries = folderSet;
    rememberStartFolders(entries);
    Level parents;
    Level level;
    for (const QString& entry : entries) {
        const QByteArray name = QFile::encodeName(entry);
        level.push_back({entry, name, name.size(), -1, OpenFolder(), false});
    }
    FolderSet passed;
    for (int depth = 0; !level.empty(); ++depth) {
        Level below;
        const bool listing = depth == 0 || recursive;
        const bool carriedOn = scanLevel(level, parents, listing, below, passed);
        if (depth == 0)
            for (const FoundFolder& folder : level)
                if (folder.removed)
                    folderSet.removeOne(folder.path);
        if (!carriedOn)
            return;
        if (!listing)
            break;
        parents = std::move(level);
        level = std::move(below);
    }
    for (const QString& folder : passed)
        op_.step(160, [&] { folderSet.append(folder); });
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
    return ListFiles(folder, QStringList{pattern});
}

NameArray ListFiles(const QString& folder, const QStringList& patterns) {
    const auto matchesAny = [&](const QString& name) {
        return std::any_of(patterns.cbegin(), patterns.cend(), [&](const QString& pattern) {
            return matchesFilePattern(name, pattern);
        });
    };
    const QString prefix = folder.endsWith(pathSeparator) ? folder : folder + pathSeparator;
    QStringList entries;
    try {
        entries = sortedFolderEntries(prefix, ListingKind::FilesOnly);
    } catch (const Failure&) {
        return NameArray();
    }
    QStringList names;
    for (const QString& name : entries)
        if (matchesAny(name) && IsExistingFile(prefix + name))
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
    FolderScan(dialogs, lifetime).run(folderSet, recursive);
}

} // namespace quillbrook
