#include "inputlist.h"

#include "failure.h"

#include <QTreeWidget>

namespace quillbrook {

namespace {

// An item that keeps its one text, the path, itself. The stock item keeps its
// text twice, in a list of values per column and in a display list, each a
// heap block of its own; a folder scan can list hundreds of thousands of files.
// The folder the item came with is a shared copy of one text per folder add.
class InputListItem : public QTreeWidgetItem {
public:
    InputListItem(const QString& path, const QString& baseFolder)
        : QTreeWidgetItem(UserType), path_(path), baseFolder_(baseFolder) {
        setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren);
    }

    QVariant data(int column, int role) const override {
        if (isPathRole(column, role))
            return path_;
        if (column == 0 && role == inputlist::baseFolderRole)
            return baseFolder_;
        return QTreeWidgetItem::data(column, role);
    }

    void setData(int column, int role, const QVariant& value) override {
        if (column == 0 && role == inputlist::baseFolderRole) {
            baseFolder_ = value.toString();
            return;
        }
        if (!isPathRole(column, role)) {
            QTreeWidgetItem::setData(column, role, value);
            return;
        }
        const QString path = value.toString();
        if (path == path_)
            return;
        path_ = path;
        emitDataChanged();
    }

private:
    static bool isPathRole(int column, int role) {
        return column == 0 && (role == Qt::DisplayRole || role == Qt::EditRole);
    }

    QString path_;
    QString baseFolder_;
};

const QTreeWidgetItem& itemAt(const QTreeWidget& list, int position) {
    const QTreeWidgetItem* item = list.topLevelItem(position - 1);
    if (!item)
        throw Failure(SubscriptOutOfRange, QStringLiteral("ListItems"));
    return *item;
}

} // namespace

namespace inputlist {

void append(QTreeWidget& list, const QString& path, const QString& baseFolder) {
    // Added as a batch of one: adding a single item reserves a list of column
    // values in it that this item never fills.
    list.addTopLevelItems({new InputListItem(path, baseFolder)});
}

int count(const QTreeWidget& list) {
    return list.topLevelItemCount();
}

QString itemText(const QTreeWidget& list, int position) {
    return itemAt(list, position).text(0);
}

QString itemBaseFolder(const QTreeWidget& list, int position) {
    return itemAt(list, position).data(0, baseFolderRole).toString();
}

void swapItems(QTreeWidgetItem& one, QTreeWidgetItem& other) {
    for (const int role : {int(Qt::DisplayRole), baseFolderRole}) {
        const QVariant value = one.data(0, role);
        one.setData(0, role, other.data(0, role));
        other.setData(0, role, value);
    }
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
