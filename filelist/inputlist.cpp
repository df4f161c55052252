#include "inputlist.h"

#include "failure.h"

#include <QTreeWidget>

namespace quillbrook {

namespace inputlist {

void append(QTreeWidget& list, const QString& path) {
    auto* item = new QTreeWidgetItem(QStringList{path});
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren);
    list.addTopLevelItem(item);
}

int count(const QTreeWidget& list) {
    return list.topLevelItemCount();
}

QString itemText(const QTreeWidget& list, int position) {
    const QTreeWidgetItem* item = list.topLevelItem(position - 1);
    if (!item)
        throw Failure(SubscriptOutOfRange, QStringLiteral("ListItems"));
    return item->text(0);
}

void clear(QTreeWidget& list) {
    list.clear();
}

void removeSelected(QTreeWidget& list) {
    const QList<QTreeWidgetItem*> selected = list.selectedItems();
    if (!selected.isEmpty())
        delete selected.constFirst();
}

} // namespace inputlist

bool IsInList(const QTreeWidget& list, const QString& path) {
    const int items = list.topLevelItemCount();
    for (int i = 0; i < items; ++i)
        if (list.topLevelItem(i)->text(0) == path)
            return true;
    return false;
}

} // namespace quillbrook
