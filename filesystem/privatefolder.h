#pragma once

#include <QString>
#include <sys/types.h>

namespace quillbrook {

// The user's own folder in the system's temporary location,
// "quillbrook-<user id>"; nothing is made here.
QString userTemporaryFolderPath();

// Makes the folder with mode 0700 unless something is already there, and
// tells whether it is then the user's own real folder (not a link) that grants
// nobody else any of the given permissions. A folder that can be neither made
// nor examined raises a failure named after the source.
bool MakeOwnPrivateFolder(const QString& folder, mode_t refusedToOthers, const QString& source);

} // namespace quillbrook
