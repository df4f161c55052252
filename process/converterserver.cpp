#include "converterserver.h"

#include "shelllaunch.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <algorithm>

namespace quillbrook {

namespace {

// The kernel reads no more of a script's first line than this.
constexpr qint64 firstLineLimit = 256;
// The server's last words that are kept for a reason.
constexpr qsizetype errorOutputKept = 8192;
// How long the server may take to end its children when told to go.
constexpr int endingLimitMs = 3000;

struct ServerCommand {
    QString program;
    QStringList arguments;
    QString problem;
};

bool namesPython(const QString& name) {
    static const QRegularExpression python(QStringLiteral("^python[0-9.]*$"));
    return python.match(name).hasMatch();
}

// The command that runs the server script on the Python that calibre's
// ebook-convert names on its first line ("#!interpreter [argument]", as the
// kernel reads it), so that the server sees calibre's own modules.
ServerCommand serverCommand(const QString& serverScript) {
    const QString ebookConvert = QStandardPaths::findExecutable(QStringLiteral("ebook-convert"));
    if (ebookConvert.isEmpty())
        return {{}, {}, QStringLiteral("calibre's ebook-convert was not found")};
    QFile script(ebookConvert);
    if (!script.open(QIODevice::ReadOnly))
        return {
            {},
            {},
            QStringLiteral("%1 could not be read (%2)").arg(ebookConvert, script.errorString())};
    const QByteArray firstLine = script.readLine(firstLineLimit).trimmed();
    const QString interpreterLine = QFile::decodeName(firstLine.mid(2).trimmed());
    const qsizetype space = interpreterLine.indexOf(QRegularExpression(QStringLiteral("\\s")));
    const QString interpreter = interpreterLine.left(space);
    const QString argument = space < 0 ? QString() : interpreterLine.mid(space).trimmed();
    const QString interpreterName = QFileInfo(interpreter).fileName();
    const bool python = namesPython(interpreterName) ||
                        (interpreterName == QLatin1String("env") && namesPython(argument));
    if (!firstLine.startsWith("#!") || !python)
        return {{}, {}, QStringLiteral("%1 is not calibre's Python script").arg(ebookConvert)};
    QStringList arguments;
    if (!argument.isEmpty())
        arguments << argument;
    arguments << serverScript << ebookConvert;
    return {interpreter, arguments, {}};
}

QString endDescription(QProcess::ExitStatus status, int code) {
    return status == QProcess::CrashExit ? QStringLiteral("it was ended by signal %1").arg(code)
                                         : QStringLiteral("it ended with exit status %1").arg(code);
}

bool holdsNul(const QString& text) {
    return text.contains(QChar(0));
}

void appendField(QByteArray& request, const QByteArray& field) {
    request += field;
    request += '\0';
}

} // namespace

ConverterServer::ConverterServer(const QString& serverScript, const QString& temporaryFolder,
                                 QObject* parent)
    : QObject(parent), serverScript_(serverScript) {
    process_.setProcessEnvironment(environmentWithTemporaryFolder(temporaryFolder));
    setUpOwnGroup(process_);
    readyTimer_.setSingleShot(true);
    connect(&readyTimer_, &QTimer::timeout, this, &ConverterServer::readyTimedOut);
    connect(&process_, &QProcess::readyReadStandardOutput, this, &ConverterServer::readAnswers);
    connect(&process_, &QProcess::readyReadStandardError, this, &ConverterServer::keepErrorOutput);
    connect(&process_, &QProcess::finished, this, &ConverterServer::serverFinished);
    // Queued, so that failed() never comes from inside start().
    connect(
        &process_, &QProcess::errorOccurred, this,
        [this](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart)
                giveUp(QStringLiteral("the converter server could not be started (%1)")
                           .arg(process_.errorString()));
        },
        Qt::QueuedConnection);
}

ConverterServer::~ConverterServer() {
    end();
}

void ConverterServer::start(std::chrono::milliseconds readyLimit) {
    if (state_ != State::NotStarted)
        return;
    state_ = State::Starting;
    const ServerCommand command = serverCommand(serverScript_);
    if (!command.problem.isEmpty()) {
        QTimer::singleShot(0, this, [this, problem = command.problem] { giveUp(problem); });
        return;
    }
    readyTimer_.start(readyLimit);
    process_.start(command.program, command.arguments);
    if (process_.waitForStarted(-1))
        serverGroup_ = process_.processId();
}

bool ConverterServer::convert(const ServedBook& book) {
    if (state_ != State::Ready || books_.contains(book.id))
        return false;
    const QString fields[] = {book.input, book.output, book.logFile, book.temporaryFolder};
    if (std::any_of(std::begin(fields), std::end(fields), holdsNul))
        return false;
    QByteArray request;
    appendField(request, "convert");
    appendField(request, QByteArray::number(book.id));
    for (const QString& field : fields)
        appendField(request, QFile::encodeName(field));
    if (process_.write(request) != request.size())
        return false;
    books_.insert(book.id, 0);
    return true;
}

void ConverterServer::endBook(qint64 id) {
    const auto book = books_.constFind(id);
    if (book == books_.constEnd())
        return;
    if (*book > 0)
        killProcessGroup(*book);
    else
        endOnStart_.insert(id);
}

void ConverterServer::end() {
    if (state_ == State::Ended || state_ == State::NotStarted)
        return;
    const bool serving = state_ == State::Ready;
    state_ = State::Ended;
    readyTimer_.stop();
    disconnect(&process_, nullptr, this, nullptr);
    killBookGroups();
    books_.clear();
    endOnStart_.clear();
    // Told to go, a serving server ends the children it knows of, also those
    // whose start has not been read here yet. Before it is ready it has none,
    // and it reads no requests.
    if (process_.state() != QProcess::NotRunning) {
        if (serving) {
            process_.closeWriteChannel();
            process_.waitForFinished(endingLimitMs);
        }
        killProcessGroup(serverGroup_);
        process_.waitForFinished(-1);
    }
}

void ConverterServer::readAnswers() {
    while (state_ == State::Starting || state_ == State::Ready) {
        if (!process_.canReadLine())
            return;
        QByteArray line = process_.readLine();
        line.chop(1);
        if (!takeAnswer(line)) {
            const QString reason =
                QStringLiteral("the converter server gave an answer it should not (%1)")
                    .arg(QString::fromUtf8(line.left(200)));
            if (state_ == State::Starting) {
                giveUp(reason);
            } else {
                end();
                emit serverLost(reason);
            }
        }
    }
}

// One answer line: "ready", "started <id> <pid>", "ended <id> exit|signal
// <n>" or "error <id> <reason>". False when the line is none of these.
bool ConverterServer::takeAnswer(const QByteArray& line) {
    const QList<QByteArray> words = line.split(' ');
    if (line == "ready" && state_ == State::Starting) {
        state_ = State::Ready;
        readyTimer_.stop();
        // What the server says from now on may explain its end.
        errorOutput_.clear();
        emit ready();
        return true;
    }
    if (words.size() < 3 || state_ != State::Ready)
        return false;
    bool idRead = false;
    const qint64 id = words[1].toLongLong(&idRead);
    if (!idRead)
        return false;
    if (words[0] == "error") {
        books_.remove(id);
        endOnStart_.remove(id);
        emit notStarted(id, QString::fromUtf8(line.mid(words[0].size() + words[1].size() + 2)));
        return true;
    }
    bool numberRead = false;
    const qint64 number = words.constLast().toLongLong(&numberRead);
    if (!numberRead)
        return false;
    if (words[0] == "started" && words.size() == 3 && number > 0) {
        bookStarted(id, number);
        return true;
    }
    if (words[0] == "ended" && words.size() == 4 && (words[2] == "exit" || words[2] == "signal")) {
        bookEnded(id, words[2] == "signal", int(number));
        return true;
    }
    return false;
}

void ConverterServer::bookStarted(qint64 id, qint64 pid) {
    if (!books_.contains(id))
        return;
    books_[id] = pid;
    if (endOnStart_.remove(id))
        killProcessGroup(pid);
    emit started(id, pid);
}

// Also after the child's own end: a process it left running in its group
// must not outlive it.
void ConverterServer::bookEnded(qint64 id, bool exitedBySignal, int status) {
    const auto book = books_.constFind(id);
    if (book == books_.constEnd())
        return;
    killProcessGroup(*book);
    books_.erase(book);
    endOnStart_.remove(id);
    emit ended(id, exitedBySignal, status);
}

void ConverterServer::serverFinished() {
    keepErrorOutput();
    QString reason = endDescription(process_.exitStatus(), process_.exitCode());
    if (const QString lastWords = lastErrorLine(); !lastWords.isEmpty())
        reason += QStringLiteral(" (") + lastWords + QLatin1Char(')');
    if (state_ == State::Starting) {
        giveUp(QStringLiteral("the converter server ended before it was ready: ") + reason);
        return;
    }
    end();
    emit serverLost(QStringLiteral("the converter server ended: ") + reason);
}

void ConverterServer::readyTimedOut() {
    giveUp(QStringLiteral("the converter server was not ready within %1 seconds")
               .arg(double(readyTimer_.interval()) / 1000.0));
}

void ConverterServer::keepErrorOutput() {
    errorOutput_ += process_.readAllStandardError();
    if (errorOutput_.size() > errorOutputKept)
        errorOutput_.remove(0, errorOutput_.size() - errorOutputKept);
}

QString ConverterServer::lastErrorLine() const {
    const QList<QByteArray> lines = errorOutput_.trimmed().split('\n');
    return QString::fromUtf8(lines.constLast().trimmed());
}

void ConverterServer::killBookGroups() {
    for (const qint64 pid : std::as_const(books_))
        killProcessGroup(pid);
}

void ConverterServer::giveUp(const QString& reason) {
    if (state_ == State::Ended)
        return;
    end();
    state_ = State::Ended;
    emit failed(reason);
}

} // namespace quillbrook
