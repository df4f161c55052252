#pragma once

#include <QList>

namespace quillbrook::test {

// True when the process has ended; one that only waits to be reaped counts as ended.
bool processGone(qint64 pid);

// The living processes whose process group is one of the groups.
QList<qint64> processesInGroups(const QList<qint64>& groups);

// Waits a little for every process of the groups to be gone; false when one is left.
bool groupsEnd(const QList<qint64>& groups);

} // namespace quillbrook::test
