#include "runoutcomes.h"

#include "apptitle.h"
#include "failure.h"
#include "mobicheck.h"

#include <algorithm>

namespace quillbrook {

namespace {

const QString lineBreak = QStringLiteral("\r\n");

QString closingSentence() {
    return QStringLiteral("were not converted. It may be that they are too big in filesize. "
                          "Please email ") +
           supportAddress +
           QStringLiteral(" a screenshot of this error message if you have any questions.");
}

const QString renamedHeading =
    QStringLiteral("These files were saved under another name, because an earlier file of this "
                   "run has the same name:");

const QString keptLogsLine =
    QStringLiteral("The converter's full messages about these files are in: ");

} // namespace

QString failureReason(const QString& whatWentWrong) {
    return QStringLiteral(" Error: ") + whatWentWrong;
}

QString failureReason(const Failure& failure) {
    return failureReason(failure.description() + QLatin1Char('.'));
}

QString stoppedByUserReason() {
    return failureReason(QStringLiteral("stopped by the user."));
}

QString notStartedReason() {
    return failureReason(QStringLiteral("not converted, the run was stopped."));
}

QString stalledReason(double minutes) {
    return failureReason(
        QStringLiteral("the converter wrote nothing for %1 minutes and was stopped.")
            .arg(QString::number(minutes)));
}

int convertedCount(const std::vector<InputOutcome>& outcomes) {
    return int(std::count_if(outcomes.begin(), outcomes.end(),
                             [](const InputOutcome& outcome) { return outcome.converted; }));
}

QString finalMessage(const std::vector<InputOutcome>& outcomes, const QString& keptLogsFolder) {
    QString failures;
    QString renamed;
    QString damaged;
    qsizetype skipped = 0;
    for (const InputOutcome& outcome : outcomes) {
        if (outcome.skipped) {
            ++skipped;
            continue;
        }
        if (!outcome.converted) {
            failures += lineBreak + outcome.input + outcome.error;
            continue;
        }
        if (!outcome.renamedTo.isEmpty())
            renamed += lineBreak + outcome.input + QStringLiteral(" -> ") + outcome.renamedTo;
        if (!outcome.damage.isEmpty())
            damaged += lineBreak + damagedInputLine(outcome.input, outcome.damage);
    }
    QString message = QStringLiteral("Done.") + lineBreak +
                      QStringLiteral("%1 of %2 files were converted.")
                          .arg(convertedCount(outcomes))
                          .arg(outcomes.size());
    if (skipped > 0)
        message +=
            lineBreak +
            QStringLiteral("%1 files were skipped, because their EPUB is newer than the book.")
                .arg(skipped);
    if (!failures.isEmpty()) {
        message += lineBreak + lineBreak + QStringLiteral("These files:") + lineBreak + failures +
                   lineBreak + lineBreak + closingSentence();
        if (!keptLogsFolder.isEmpty())
            message += lineBreak + lineBreak + keptLogsLine + keptLogsFolder;
    }
    if (!renamed.isEmpty())
        message += lineBreak + lineBreak + renamedHeading + renamed;
    if (!damaged.isEmpty())
        message += lineBreak + lineBreak + damagedInputsHeading + damaged;
    return message;
}

} // namespace quillbrook
