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
    // Not converted, because its output was newer than the book; not a failure.
    bool skipped = false;
};

// How many of the outcomes are converted inputs.
int convertedCount(const std::vector<InputOutcome>& outcomes);

// The message that ends a run: "Done.", the line "N of M files were
// converted." (M the inputs the run took), the number of inputs skipped, then
// the inputs not converted with their reasons, ended by where the converter's
// logs of them are kept when that folder is given, then those saved under
// another name, then the converted ones that look damaged, each section in
// list order and only when it has entries. Skipped inputs are counted, never
// listed.
QString finalMessage(const std::vector<InputOutcome>& outcomes, const QString& keptLogsFolder = {});

} // namespace quillbrook
