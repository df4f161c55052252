#pragma once

#include <QObject>
#include <QStringList>
#include <functional>
#include <sys/types.h>

class QLocalServer;
class QLocalSocket;

namespace quillbrook {

class Form1;
class PathBatchQueue;

// The local socket through which a start of the program hands its files and
// folders to a copy already running for the same user on the same display. It
// lives in a folder only that user may open: "quillbrook" under
// $XDG_RUNTIME_DIR, or else the user's own folder in the temporary location.
// Empty when no such folder can be had: the program then runs on its own.
QString handOverSocketPath();

// The running copy's end of the socket. It takes connections only from
// processes of its own user (the peer's credentials, not anything the peer
// says), reads the paths one start hands over, and answers once the receiver
// has taken them.
class HandOverServer : public QObject {
public:
    // False when the paths cannot be taken (the window is closing); the start
    // that handed them over then opens a window of its own.
    using Receiver = std::function<bool(const QStringList& paths)>;

    explicit HandOverServer(QObject* parent = nullptr);
    ~HandOverServer() override;

    // Serves the socket, replacing a stale one that no copy answers on.
    bool listen(const QString& socketPath);
    void setReceiver(Receiver receiver) { receiver_ = std::move(receiver); }
    // Connections from any other user are refused; the program's own user by default.
    void acceptOnlyUser(uid_t user) { acceptedUser_ = user; }

private:
    void takeConnections();
    void readHandOver(QLocalSocket* peer);

    QLocalServer* server_;
    Receiver receiver_;
    uid_t acceptedUser_;
};

// Gives the paths to the copy serving the socket and waits for its answer:
// true once that copy has taken them; false when no copy answers, or its
// socket is stale.
bool handOverToRunningCopy(const QString& socketPath, const QStringList& paths);

// Makes the window take what later starts hand over: their paths join the
// queue of command-line paths, and the window comes to the front.
void serveWindow(HandOverServer& server, Form1& window, PathBatchQueue& commandLinePaths);

// What one start of the program does about other copies.
enum class StartRole { handedOver, serving, alone };

// Hands the paths to a copy already running, or else makes this start the one
// that serves later starts. Two starts at the same moment decide one after the
// other, so exactly one of them serves.
StartRole handOverOrServe(const QString& socketPath, const QStringList& paths,
                          HandOverServer& server);

} // namespace quillbrook
