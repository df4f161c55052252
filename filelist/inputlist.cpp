#include "inputlist.h"

#include "failure.h"

#include <QTreeWidget>

namespace quillbrook {

namespace {

// An item that keeps its one text, the path, itself. The stock item keeps its
// text twice, in a list of values per column and in a display list, each a
// heap block of its own; a folder scan can list hundreds of thousands of files.
// The folder the item came with always begins its path, so the item keeps
// only the folder's length: no text, not even a shared one, per item.
class InputListItem : public QTreeWidgetItem {
public:
    InputListItem(const QString& path, const QString& baseFolder)
        : QTreeWidgetItem(UserType), path_(path) {
        setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren);
        keepBaseFolder(baseFolder);
    }

    QVariant data(int column, int role) const override {
        if (isPathRole(column, role))
            return path_;
        if (column == 0 && role == inputlist::baseFolderRole)
            return path_.left(baseFolderLength_);
        return QTreeWidgetItem::data(column, role);
    }

    void setData(int column, int role, const QVariant& value) override {
        if (column == 0 && role == inputlist::baseFolderRole) {
            keepBaseFolder(value.toString());
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
        baseFolderLength_ = 0;
        emitDataChanged();
    }

private:
    // A folder that does not begin the path is none the item could have come with.
    void keepBaseFolder(const QString& folder) {
        baseFolderLength_ = path_.startsWith(folder) ? int(folder.size()) : 0;
    }

    static bool isPathRole(int column, int role) {
        return column == 0 && (role == Qt::DisplayRole || role == Qt::EditRole);
    }

    QString path_;
    int baseFolderLength_ = 0;
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

// The path first: a new path clears the folder, which follows it.
void swapItems(QTreeWidgetItem& one, QTreeWidgetItem& other) {
    const QVariant onePath = one.data(0, Qt::DisplayRole);
    const QVariant oneFolder = one.data(0, baseFolderRole);
    one.setData(0, Qt::DisplayRole, other.data(0, Qt::DisplayRole));
    one.setData(0, baseFolderRole, other.data(0, baseFolderRole));
    other.setData(0, Qt::DisplayRole, onePath);
    other.setData(0, baseFolderRole, oneFolder);
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
