#include "addfiles.h"

#include "dialogs.h"
#include "failure.h"
#include "handledoperation.h"
#include "inputlist.h"
#include "paths.h"

namespace quillbrook {

namespace {

constexpr qsizetype resultBufferCharacters = 30000;

const QString dialogTitle = QStringLiteral("Add File(s) - Hold Ctrl to select multiple files");
// "MOBI" first, as always; the second offers every kind of Kindle book calibre reads alike.
const QString dialogFilter =
    QStringLiteral("MOBI (*.mobi);;Kindle books (*.mobi *.azw *.azw3 *.prc)");
const QString tooManyFilesMessage =
    QStringLiteral("You've selected too many files to add.\r\rPlease try adding via the "
                   "\"Add All\" button.");

// The folder as the dialog named it: without its last separator unless it is
// the root folder.
QString selectionFolder(const QString& path) {
    QString folder = FolderOf(path);
    if (folder.size() > 1)
        folder.chop(1);
    return folder;
}

// The dialog's selection; one too long for the dialog's buffer is failure 20476.
QStringList chooseFiles(Dialogs& dialogs) {
    const QStringList chosen = dialogs.openFiles(dialogTitle, dialogFilter, QString());
    if (selectionResultLength(chosen) > resultBufferCharacters)
        throw Failure(BufferTooSmall, QStringLiteral("CommonDialog1"));
    return chosen;
}

} // namespace

qsizetype selectionResultLength(const QStringList& paths) {
    if (paths.size() < 2)
        return paths.isEmpty() ? 0 : paths.constFirst().size();
    qsizetype length = selectionFolder(paths.constFirst()).size();
    for (const QString& path : paths)
        length += 1 + FileNameOf(path).size();
    return length;
}

void PushButton1_Click(QTreeWidget& list, Dialogs& dialogs, const ProgramLifetime& lifetime) {
    HandledOperation op(dialogs, lifetime, locations::addFiles);
    QStringList chosen;
    try {
        op.stepPassing(112, BufferTooSmall, [&] { chosen = chooseFiles(dialogs); });
    } catch (const Failure&) {
        if (!op.abandoned())
            dialogs.messageBox(tooManyFilesMessage);
        return;
    }
    if (chosen.size() == 1) {
        op.step(122, [&] { inputlist::append(list, chosen.constFirst()); });
        return;
    }
    for (const QString& path : chosen) {
        QString cleaned;
        if (op.step(138, [&] { cleaned = CleanPath(path); }))
            op.step(140, [&] { inputlist::append(list, cleaned); });
    }
}

} // namespace quillbrook
