#include "outputnames.h"

#include "paths.h"

namespace quillbrook {

namespace {

QString numbered(const QString& output, int number) {
    const QString folder = FolderOf(output);
    const QString name = FileNameOf(output);
    const QString base = StripExtension(name);
    return folder + base + QStringLiteral(" (%1)").arg(number) + name.mid(base.size());
}

} // namespace

QString OutputNames::claim(const QString& output) {
    QString free = output;
    for (int number = 2; taken_.contains(free); ++number)
        free = numbered(output, number);
    taken_.insert(free);
    return free;
}

} // namespace quillbrook
