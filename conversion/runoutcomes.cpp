#include "runoutcomes.h"

#include "apptitle.h"
#include "failure.h"
#include "mobicheck.h"

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

QString finalMessage(const std::vector<InputOutcome>& outcomes) {
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
    QString message = QStringLiteral("Done.");
    if (skipped > 0)
        message +=
            lineBreak +
            QStringLiteral("%1 files were skipped, because their EPUB is newer than the book.")
                .arg(skipped);
    if (!failures.isEmpty())
        message += lineBreak + lineBreak + QStringLiteral("These files:") + lineBreak + failures +
                   lineBreak + lineBreak + closingSentence();
    if (!renamed.isEmpty())
        message += lineBreak + lineBreak + renamedHeading + renamed;
    if (!damaged.isEmpty())
        message += lineBreak + lineBreak + damagedInputsHeading + damaged;
    return message;
}

} // namespace quillbrook
