#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <dirent.h>
#include <memory>

namespace quillbrook {

// File attributes with the bit values users know from Windows.
enum FileAttribute : unsigned {
    ReadOnlyAttribute = 1,
    HiddenAttribute = 2,
    SystemAttribute = 4,
    DirectoryAttribute = 16,
    ArchiveAttribute = 32,
    AliasAttribute = 1024,
};

// The attribute set of a file or folder; a symbolic link has the alias bit and
// the kind of what it leads to. Raises a failure for a path that cannot be read.
unsigned GetAttr(const QString& path);

// What kind of thing a path names; tests that never fail. A link counts as
// what it leads to, except for isSymbolicLink.
enum class PathKind { Missing, RegularFile, Folder, Other };
PathKind kindOf(const QString& path);
bool isSymbolicLink(const QString& path);

// Walks through open folders name by name, so each step costs the same however
// deep the folder lies: a name is looked up in the open folder given by its
// descriptor, or, with AT_FDCWD, it is a whole path.

// What the name in the open folder leads to, as kindOf tells for a path.
PathKind kindAt(int folder, const QByteArray& name);
// The attribute set of the name in the open folder, as GetAttr gives it for a path.
unsigned attributesAt(int folder, const QByteArray& name);
// A folder opened for listing its entries once and for looking up names in it
// for as long as it is kept.
class OpenFolder {
public:
    OpenFolder() = default;
    bool isOpen() const { return directory_ != nullptr; }
    // For looking up names in the folder; -1 when it is not open.
    int descriptor() const { return directory_ ? dirfd(directory_.get()) : -1; }

private:
    friend OpenFolder openFolderAt(int folder, const QByteArray& name);
    friend struct OpenFolderListing;
    std::unique_ptr<DIR, int (*)(DIR*)> directory_{nullptr, closedir};
};

// Opens the folder the name in the open folder leads to. Raises the failure a
// listing of it would raise.
OpenFolder openFolderAt(int folder, const QByteArray& name);

// Sets the attribute set; only the read-only bit can be changed here, and a
// symbolic link is left as it is. Raises a failure for a missing path.
void SetAttr(const QString& path, unsigned attributes);

// The names in a folder in the order users expect: case-insensitively sorted,
// ties broken case-sensitively; "." and ".." are never listed. Hidden entries
// are included. Raises a failure when the folder cannot be listed.
enum class ListingKind { FilesOnly, FoldersOnly, Everything };
QStringList sortedFolderEntries(const QString& folder, ListingKind kind);

// One listed name as text and as the bytes the system stores it under: a name
// that is no valid UTF-8 cannot be rebuilt from its text.
struct ListedName {
    QString name;
    QByteArray nativeName;
};
// The entries of a folder opened by openFolderAt as sortedFolderEntries lists
// them, with their bytes.
QList<ListedName> sortedNativeFolderEntries(OpenFolder& folder, ListingKind kind);

} // namespace quillbrook
