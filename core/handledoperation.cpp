#include "handledoperation.h"

#include "apptitle.h"
#include "dialogs.h"
#include "failure.h"

namespace quillbrook {

namespace locations {
namespace {
OperationLocation formHandler(const char* handler) {
    return {QStringLiteral("in Ferncastle2021/08/31.Form1.") + QLatin1String(handler) +
                QLatin1Char(' '),
            true};
}
} // namespace

const OperationLocation formLoad{QStringLiteral("in Ferncastle2021/08/31.Form1.Form_Load "), false};
const OperationLocation addFiles = formHandler("PushButton1_Click");
const OperationLocation startConverting = formHandler("PushButton2_Click");
const OperationLocation addFolder = formHandler("PushButton4_Click");
const OperationLocation clearList = formHandler("PushButton6_Click");
const OperationLocation loadSamples = formHandler("PushButton7_Click");
const OperationLocation chooseOutputFolder = formHandler("PushButton9_Click");
const OperationLocation folderScan{
    QStringLiteral("in Marrowgate2021/08/31.AddFolder.GetSubDirectories2016 "), true};
} // namespace locations

QString composeErrorReport(const QString& description, const OperationLocation& location,
                           int step) {
    QString text = description + QStringLiteral("\r\n") + location.text +
                   QStringLiteral("at line ") + QString::number(step);
    if (location.supportSentence)
        text += QStringLiteral("\r\rPlease email screenshot of this message to ") + supportAddress;
    return text;
}

HandledOperation::HandledOperation(Dialogs& dialogs, const ProgramLifetime& lifetime,
                                   const OperationLocation& location)
    : dialogs_(dialogs), lifetime_(lifetime), location_(location) {}

bool HandledOperation::step(int number, const std::function<void()>& action) {
    return run(number, 0, action);
}

bool HandledOperation::stepPassing(int number, int passedFailure,
                                   const std::function<void()>& action) {
    return run(number, passedFailure, action);
}

bool HandledOperation::when(int number, const std::function<bool()>& condition) {
    bool holds = true;
    return run(number, 0, [&] { holds = condition(); }) ? holds : !abandoned();
}

bool HandledOperation::exitIf(int number, const std::function<bool()>& condition) {
    bool holds = false;
    run(number, 0, [&] { holds = condition(); });
    return holds || abandoned();
}

bool HandledOperation::run(int number, int passedFailure, const std::function<void()>& action) {
    if (abandoned())
        return false;
    try {
        action();
        return !abandoned();
    } catch (const Failure& failure) {
        if (passedFailure != 0 && failure.number() == passedFailure)
            throw;
        if (!abandoned())
            dialogs_.errorReport(composeErrorReport(failure.description(), location_, number));
    }
    return false;
}

} // namespace quillbrook
