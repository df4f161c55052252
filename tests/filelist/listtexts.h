#pragma once

#include "inputlist.h"

#include <QStringList>

namespace quillbrook::test {

// The texts of the input list from the first position to the last.
inline QStringList listTexts(const QTreeWidget& list) {
    QStringList texts;
    for (int position = 1; position <= inputlist::count(list); ++position)
        texts.append(inputlist::itemText(list, position));
    return texts;
}

} // namespace quillbrook::test
