#include "addfolder.h"
#include "filedrop.h"
#include "form1.h"
#include "skin.h"

#include <QPushButton>
#include <QTreeWidget>
#include <memory>

namespace quillbrook {

void Form1::connectFolderCommands() {
    const FolderCommandTarget target{*this, *ListView1, dialogs(), lifetime()};
    auto addFolder = std::make_shared<AddFolderCommand>(target);
    connect(PushButton4, &QPushButton::clicked, this,
            [addFolder] { addFolder->PushButton4_Click(); });
    FileDrop::acceptFileDrops(target);
    new PointerRules(*this);
}

} // namespace quillbrook
