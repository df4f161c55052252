#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QStringList>

namespace quillbrook {

class Dialogs;
class ProgramLifetime;

// The names of the files ListFiles found, numbered from 1 to upperBound() in
// listing order, without any folder part. When no name was found the upper
// bound is 0 and position 0 holds one empty text, so that a loop from 1 to the
// upper bound does nothing:
//
//     const NameArray names = ListFiles(folder, pattern);
//     for (int i = 1; i <= names.upperBound(); ++i)
//         use(names.at(i));
//
// Iterating (for (const QString& name : names)) visits positions 1 to the
// upper bound and so never yields the empty text of an empty listing.
class NameArray {
public:
    explicit NameArray(QStringList names = {});

    int lowerBound() const { return names_.isEmpty() ? 0 : 1; }
    int upperBound() const { return int(names_.size()); }
    // The name at a position from lowerBound() to upperBound(); any other
    // position is failure 9 (subscript out of range).
    QString at(int position) const;

    QStringList::const_iterator begin() const { return names_.cbegin(); }
    QStringList::const_iterator end() const { return names_.cend(); }

private:
    QStringList names_;
};

// The names of the files in the folder that match the pattern ("*" and "?",
// letter case ignored, "*.*" matching every name), hidden files included and
// folders left out, in listing order; only names for which IsExistingFile
// holds are kept. The folder may or may not end with the separator. A folder
// that cannot be listed yields an empty listing.
NameArray ListFiles(const QString& folder, const QString& pattern);
// The same with several patterns: one listing, in its order, of the names
// that match any of them.
NameArray ListFiles(const QString& folder, const QStringList& patterns);

// True when the path names an existing regular file (links followed).
bool IsExistingFile(const QString& path);

// True when a name, as the system stores it, cannot be passed on intact: it
// is no valid UTF-8, the encoding every path takes to the shell and to
// calibre. Any name in any script that is valid UTF-8 is not unusual.
bool HasUnusualCharacters(const QByteArray& nativeName);

// Lets the window handle its pending events during a long walk through
// folders: at the first call, then whenever a few milliseconds have passed,
// so that the window answers at once without the walk paying for every step.
class LiveWindow {
public:
    void keepLive();

private:
    QElapsedTimer sinceEvents_;
};

// An ordered list of folder paths, each ending with the path separator.
using FolderSet = QStringList;

// Extends the folder set in place with every folder below its entries, level
// by level: first the folders one level below the entries, grouped by parent,
// then those one level further down, and so on (all levels when recursive).
// Passes over hidden system folders, paths the system's limit does not
// allow, and names that are no valid UTF-8 or hold "?". Each folder, known by
// its device and inode, is taken once, where the scan first reaches it: a
// folder reached again through a link or a mount is passed over, and so is
// one that leads back to an entry or to any folder above it, so links can
// neither multiply the folders nor send the scan round in circles. An entry
// whose sub-folders cannot be listed because access is refused or the folder
// vanished is removed from the set. Unexpected failures outside the listing
// of sub-folders are shown as error reports of the folder scan. Keeps the
// window live while it works. The walk goes from folder to folder through
// descriptors, so each step costs the same at any depth.
void GetSubDirectories2016(FolderSet& folderSet, bool recursive, Dialogs& dialogs,
                           const ProgramLifetime& lifetime);

} // namespace quillbrook
