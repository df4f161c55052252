#pragma once

#include <QString>

class QTreeWidget;

namespace quillbrook {

// The input list shown in the main window's list, positions 1 to count in
// display order. Items hold one text each: the path of one input file.
namespace inputlist {

void append(QTreeWidget& list, const QString& path);
int count(const QTreeWidget& list);
// The text at a position from 1 to count; another position is failure 9.
QString itemText(const QTreeWidget& list, int position);
void clear(QTreeWidget& list);
// Removes the selected item; nothing happens without one.
void removeSelected(QTreeWidget& list);

} // namespace inputlist

// True when some item's text equals the path exactly, letter case included.
bool IsInList(const QTreeWidget& list, const QString& path);

} // namespace quillbrook
