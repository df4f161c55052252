#pragma once

#include <QString>
#include <vector>

namespace quillbrook {

class Failure;

// The reason a failed input is listed with in the final message: " Error: "
// followed by what went wrong, as one sentence or as the converter's own line.
// Every reason the run gives is made here.
QString failureReason(const QString& whatWentWrong);
// A failure as such a reason: its description, ended with a full stop.
QString failureReason(const Failure& failure);

// The reasons of the inputs a stopped run did not convert: those whose
// converter was running, and those not yet started.
QString stoppedByUserReason();
QString notStartedReason();
// The reason of an input whose converter wrote nothing for so many minutes.
QString stalledReason(double minutes);

// What became of one input of the run.
struct InputOutcome {
    QString input;
    bool converted = false;
    // The reason it was not converted, as the failure list shows it.
    QString error;
    // The file name it was saved under when an earlier input took its own.
    QString renamedTo;
    // Why the input looks damaged, told only when it was converted.
    QString damage;
    // Not converted, because its EPUB is newer than the book.
    bool skipped = false;
};

// The message that ends a run: "Done.", then the inputs not converted with
// their reasons, then those saved under another name, then the converted ones
// that look damaged, each section in list order and only when it has entries.
QString finalMessage(const std::vector<InputOutcome>& outcomes);

} // namespace quillbrook
