#pragma once

#include <QString>
#include <Qt>

class QTreeWidget;
class QTreeWidgetItem;

namespace quillbrook {

// The input list shown in the main window's list, positions 1 to count in
// display order. Items show one text each: the path of one input file. Each
// also keeps, unseen, the folder it came into the list with (empty for a file
// added on its own), under baseFolderRole; that folder begins the path, and
// a new path, set on its own, comes with no folder.
namespace inputlist {

inline constexpr int baseFolderRole = Qt::UserRole;

// The folder is kept only when it begins the path.
void append(QTreeWidget& list, const QString& path, const QString& baseFolder = {});
int count(const QTreeWidget& list);
// The text at a position from 1 to count; another position is failure 9.
QString itemText(const QTreeWidget& list, int position);
// The folder the item at a position came with; another position is failure 9.
QString itemBaseFolder(const QTreeWidget& list, int position);
// Exchanges what two items hold: their texts and the folders they came with.
void swapItems(QTreeWidgetItem& one, QTreeWidgetItem& other);
void clear(QTreeWidget& list);
// Removes the selected item; nothing happens without one.
void removeSelected(QTreeWidget& list);

} // namespace inputlist

// True when some item's text equals the path exactly, letter case included.
bool IsInList(const QTreeWidget& list, const QString& path);

} // namespace quillbrook
