#include "handover.h"

#include "descriptor.h"
#include "failure.h"
#include "filedrop.h"
#include "form1.h"
#include "paths.h"
#include "privatefolder.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillbrook {

namespace {

// Marks a hand-over of this program in this layout, so that anything else
// that reaches the socket is ignored.
constexpr quint32 handOverMark = 0x51424831; // "QBH1"
const QDataStream::Version streamVersion = QDataStream::Qt_6_0;
const QByteArray taken("\1");
// A command line is far smaller; a peer that sends more is cut off.
constexpr qint64 largestHandOver = 64 * 1024 * 1024;
// How long a start waits for the running copy, which answers from its event loop.
constexpr int answerWithinMs = 5000;

// The display the window appears on: one copy serves each display of a user.
QString displayName() {
    QString display = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (display.isEmpty())
        display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty())
        return QStringLiteral("none");
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9._-]"));
    return display.replace(unsafe, QStringLiteral("_"));
}

// Nobody else may even look into the folder.
bool isOwnClosedFolder(const QString& folder) {
    try {
        return MakeOwnPrivateFolder(folder, S_IRWXG | S_IRWXO, QStringLiteral("HandOver"));
    } catch (const Failure&) {
        return false;
    }
}

QString socketFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime))
        return runtime + pathSeparator + QStringLiteral("quillbrook");
    return userTemporaryFolderPath();
}

std::optional<uid_t> peerUser(const QLocalSocket& peer) {
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (getsockopt(int(peer.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0)
        return std::nullopt;
    return credentials.uid;
}

// Held while a start decides whether to hand over or to serve; it goes with
// the descriptor.
Descriptor decisionLock(const QString& socketPath) {
    Descriptor lock(open(QFile::encodeName(socketPath + QStringLiteral(".lock")).constData(),
                         O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (lock.isOpen())
        flock(lock.get(), LOCK_EX);
    return lock;
}

} // namespace

QString handOverSocketPath() {
    const QString folder = socketFolder();
    if (!isOwnClosedFolder(folder))
        return {};
    return folder + pathSeparator + QStringLiteral("window-") + displayName();
}

HandOverServer::HandOverServer(QObject* parent)
    : QObject(parent), server_(new QLocalServer(this)), acceptedUser_(geteuid()) {
    connect(server_, &QLocalServer::newConnection, this, &HandOverServer::takeConnections);
}

HandOverServer::~HandOverServer() = default;

bool HandOverServer::listen(const QString& socketPath) {
    QLocalServer::removeServer(socketPath);
    return server_->listen(socketPath);
}

void HandOverServer::takeConnections() {
    while (QLocalSocket* peer = server_->nextPendingConnection()) {
        connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        if (peerUser(*peer) != acceptedUser_) {
            peer->abort();
            peer->deleteLater();
            continue;
        }
        connect(peer, &QLocalSocket::readyRead, this, [this, peer] { readHandOver(peer); });
        readHandOver(peer);
    }
}

void HandOverServer::readHandOver(QLocalSocket* peer) {
    if (peer->bytesAvailable() > largestHandOver) {
        peer->abort();
        return;
    }
    QDataStream in(peer);
    in.setVersion(streamVersion);
    in.startTransaction();
    quint32 mark = 0;
    QStringList paths;
    in >> mark >> paths;
    if (!in.commitTransaction())
        return;
    if (mark != handOverMark || !receiver_ || !receiver_(paths)) {
        peer->abort();
        return;
    }
    peer->write(taken);
    peer->disconnectFromServer();
}

bool handOverToRunningCopy(const QString& socketPath, const QStringList& paths) {
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(answerWithinMs))
        return false;
    QByteArray message;
    QDataStream out(&message, QIODevice::WriteOnly);
    out.setVersion(streamVersion);
    out << handOverMark << paths;
    socket.write(message);
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(answerWithinMs))
            return false;
    return socket.waitForReadyRead(answerWithinMs) && socket.read(taken.size()) == taken;
}

void serveWindow(HandOverServer& server, Form1& window, PathBatchQueue& commandLinePaths) {
    server.setReceiver([&window, &commandLinePaths](const QStringList& paths) {
        if (window.lifetime().ended())
            return false;
        commandLinePaths.append(paths);
        window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
        window.show();
        window.raise();
        window.activateWindow();
        return true;
    });
}

StartRole handOverOrServe(const QString& socketPath, const QStringList& paths,
                          HandOverServer& server) {
    if (socketPath.isEmpty())
        return StartRole::alone;
    const Descriptor lock = decisionLock(socketPath);
    if (handOverToRunningCopy(socketPath, paths))
        return StartRole::handedOver;
    return server.listen(socketPath) ? StartRole::serving : StartRole::alone;
}

} // namespace quillbrook
