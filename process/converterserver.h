#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QProcess>
#include <QSet>
#include <QString>
#include <QTimer>
#include <chrono>

namespace quillbrook {

// One book for the warm converter: what the per-book launcher is given (the
// input and the staged output), the log that takes the converter's output
// and error streams, and the folder named by its TMPDIR, TEMP and TMP.
struct ServedBook {
    qint64 id = 0;
    QString input;
    QString output;
    QString logFile;
    QString temporaryFolder;
};

// The warm converter: calibre's ebook-convert loaded once, in the converter
// archive's server script running on calibre's own Python, which forks one
// child per book. The child converts exactly as the per-book launcher would,
// without paying calibre's start-up again.
//
// The server runs in a process group of its own with the parent-death
// signal, and so does each child; the server ends its children when the
// program goes. Ending the server (end(), or destroying this object) ends it
// and every child's process group.
class ConverterServer : public QObject {
    Q_OBJECT

public:
    // serverScript is the server script unpacked from the converter archive;
    // temporaryFolder is the server's own TMPDIR, TEMP and TMP.
    ConverterServer(const QString& serverScript, const QString& temporaryFolder,
                    QObject* parent = nullptr);
    ~ConverterServer() override;

    // Starts the server on the Python that calibre's ebook-convert (found on
    // PATH) names on its first line. ready() follows, or failed() with the
    // reason when the server cannot be started, ends, or is not ready within
    // readyLimit. Called once.
    void start(std::chrono::milliseconds readyLimit);
    bool isReady() const { return state_ == State::Ready; }
    // Started, and neither ready nor failed yet.
    bool isStarting() const { return state_ == State::Starting; }

    // Asks for a child that converts the book; started() or notStarted()
    // follows. False, with no signal, when the server is not ready, the id is
    // already converting, or a path holds a NUL character.
    bool convert(const ServedBook& book);
    // Ends the book's child with its whole process group, now or as soon as
    // it has started; ended() follows as for any end.
    void endBook(qint64 id);

    // Ends every child's process group and the server, and waits for the
    // server; no signal follows.
    void end();

    // The server's process id (and process group), or 0 when it is not running.
    qint64 processId() const { return process_.processId(); }

signals:
    void ready();
    void failed(const QString& reason);
    void started(qint64 id, qint64 pid);
    // The server could not start a child for the book.
    void notStarted(qint64 id, const QString& reason);
    void ended(qint64 id, bool exitedBySignal, int status);
    // The server ended after it was ready; the books without ended() were
    // lost with it, and what they had started has been ended.
    void serverLost(const QString& reason);

private:
    enum class State { NotStarted, Starting, Ready, Ended };

    void readAnswers();
    bool takeAnswer(const QByteArray& line);
    void bookStarted(qint64 id, qint64 pid);
    void bookEnded(qint64 id, bool exitedBySignal, int status);
    void serverFinished();
    void readyTimedOut();
    void keepErrorOutput();
    QString lastErrorLine() const;
    void killBookGroups();
    void giveUp(const QString& reason);

    QString serverScript_;
    QProcess process_;
    qint64 serverGroup_ = 0;
    QTimer readyTimer_;
    State state_ = State::NotStarted;
    QByteArray errorOutput_;
    // The books asked for and not yet ended, with their child's pid once it
    // has started (0 before).
    QHash<qint64, qint64> books_;
    QSet<qint64> endOnStart_;
};

} // namespace quillbrook
