#pragma once

#include <QString>
#include <QStringList>

namespace quillbrook::test {

// Makes files and folders below the root: an entry ending with "/" is a
// folder, any other a file that holds its own name. Parent folders are made
// as needed.
void makeTree(const QString& root, const QStringList& entries);

// Makes a symbolic link at the path that leads to the target.
void makeLink(const QString& target, const QString& linkPath);

// Makes a chain of depth nested folders named "d" below the root, through
// folder descriptors so that each level costs the same at any depth, and puts
// the files in the deepest one. Returns the deepest folder's path, or an empty
// text when the chain could not be made.
QString makeDeepChain(const QString& root, int depth, const QStringList& files);

// Removes a chain makeDeepChain made below the root, with everything in its
// deepest folder, through folder descriptors: removing it by paths would cost
// the square of its depth.
void removeDeepChain(const QString& root);

// Makes the folders "L1" to "L<levels>" side by side below the root, each
// holding the book "<k>.mobi" and two links, "a" and "b", to the next one:
// following every link, folder k is reached 2^k - 1 times from the root.
void makeFanOutChain(const QString& root, int levels);

// A folder named by the bytes the system stores, such as a name that is no
// valid UTF-8, holding one empty file of the given name. Qt cannot name what
// is in it, so it removes both itself when it goes.
class NativeNamedFolder {
public:
    NativeNamedFolder(const QString& parent, const QByteArray& name, const QByteArray& fileName);
    ~NativeNamedFolder();
    NativeNamedFolder(const NativeNamedFolder&) = delete;
    NativeNamedFolder& operator=(const NativeNamedFolder&) = delete;

    bool made() const { return made_; }

private:
    QByteArray folder_;
    QByteArray file_;
    bool made_ = false;
};

// Refuses the test's own process access to a folder for as long as it lives,
// the way an unreadable folder refuses a user: its permission bits are
// cleared and, when the test runs as root, the capabilities that let root
// pass permission bits are lowered meanwhile.
class RefusedAccess {
public:
    explicit RefusedAccess(QString folder);
    ~RefusedAccess();
    RefusedAccess(const RefusedAccess&) = delete;
    RefusedAccess& operator=(const RefusedAccess&) = delete;

    // False when the platform would not let access be refused; the test
    // should then skip what needs it.
    bool refused() const { return refused_; }

private:
    QString folder_;
    bool loweredCapabilities_ = false;
    bool refused_ = false;
};

} // namespace quillbrook::test
