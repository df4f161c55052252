#pragma once

#include <QByteArray>
#include <QHashFunctions>
#include <QString>
#include <optional>
#include <sys/types.h>

namespace quillbrook {

// What makes a file or folder the same one under any name: its device and
// inode. Hard links, symbolic links and differently spelt paths to one file
// share it.
struct FileIdentity {
    dev_t device;
    ino_t inode;
    bool operator==(const FileIdentity&) const = default;
};

inline size_t qHash(const FileIdentity& identity, size_t seed = 0) {
    return qHashMulti(seed, identity.device, identity.inode);
}

// The identity of what the path leads to (links followed); none when it
// cannot be looked at.
std::optional<FileIdentity> identityOf(const QString& path);

// The identity of what the name leads to in the open folder (links followed);
// none when it cannot be looked at.
std::optional<FileIdentity> identityAt(int folder, const QByteArray& name);

// The identity of the name itself in the open folder: a link is known as the
// link, not as what it leads to; none when it cannot be looked at.
std::optional<FileIdentity> identityOfNameAt(int folder, const QByteArray& name);

// The identity of an open file or folder; none when it cannot be looked at.
std::optional<FileIdentity> identityOfOpen(int descriptor);

} // namespace quillbrook
