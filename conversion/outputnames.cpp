#include "outputnames.h"

#include "paths.h"

namespace quillbrook {

namespace {

// An output path cut where its numbered variants put "(n)": before the
// extension of its file name.
struct NumberedName {
    explicit NumberedName(const QString& output) {
        const QString name = FileNameOf(output);
        const qsizetype baseEnd = StripExtension(name).size();
        stem = FolderOf(output) + name.left(baseEnd);
        extension = name.mid(baseEnd);
    }

    QString variant(int number) const {
        return stem + QStringLiteral(" (%1)").arg(number) + extension;
    }

    QString stem;
    QString extension;
};

} // namespace

QString OutputNames::claim(const QString& output) {
    QString free = output;
    if (isTaken(free)) {
        // Every variant below the remembered number was taken before and stays
        // taken, so the search goes on where the last one for this output ended.
        const NumberedName numbered(output);
        auto next = nextNumber_.find(output);
        if (next == nextNumber_.end())
            next = nextNumber_.insert(output, 2);
        int& number = next.value();
        for (free = numbered.variant(number); isTaken(free); free = numbered.variant(number))
            ++number;
        ++number;
    }
    taken_.insert(free);
    return free;
}

void OutputNames::addInput(const QString& input) {
    inputPaths_.insert(input);
    if (const std::optional<FileIdentity> identity = identityOf(input))
        inputFiles_.insert(*identity);
}

bool OutputNames::isTaken(const QString& path) const {
    return taken_.contains(path) || inputPaths_.contains(path) || namesAnInputFile(path);
}

bool OutputNames::namesAnInputFile(const QString& path) const {
    if (inputFiles_.isEmpty())
        return false;
    const std::optional<FileIdentity> identity = identityOf(path);
    return identity && inputFiles_.contains(*identity);
}

} // namespace quillbrook
