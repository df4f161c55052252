#pragma once

#include "descriptor.h"

#include <QString>

namespace quillbrook {

// The folder one conversion run keeps all its working files in: made new
// inside the temporary folder with a unique name and mode 0700, in one step,
// so that it cannot have existed before; removed with everything in it when
// the run lets it go. For its whole life the run holds a lock on the file
// "run.lock" in it. Before making its own, a run removes the folders a run
// killed outright left behind: those in the temporary folder named like its
// own, that are this user's folders (not links) and whose lock no run holds.
// Nothing else in the temporary folder is touched.
class RunFolder {
public:
    // A failure says in plain words why the folder could not be made.
    RunFolder();
    ~RunFolder();
    RunFolder(const RunFolder&) = delete;
    RunFolder& operator=(const RunFolder&) = delete;

    const QString& path() const { return path_; }
    QString file(const QString& name) const;
    // Removes the folder now; nothing is left to remove later.
    void remove();

private:
    QString path_;
    Descriptor lock_;
};

} // namespace quillbrook
