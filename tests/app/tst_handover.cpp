#include "commandline.h"
#include "filedrop.h"
#include "filetree.h"
#include "handover.h"
#include "listfixture.h"
#include "testenvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace quillbrook;

namespace {

// Leaves a socket file that nobody listens on, as a copy that was killed does.
bool makeStaleSocket(const QString& path) {
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    std::copy(name.begin(), name.end(), address.sun_path);
    const bool bound = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return bound && QFileInfo(path).exists();
}

// Hands the paths over from a thread of its own, while this one serves.
bool handOverFromAnotherThread(const QString& socketPath, const QStringList& paths) {
    bool taken = false;
    std::unique_ptr<QThread> client(
        QThread::create([&] { taken = handOverToRunningCopy(socketPath, paths); }));
    client->start();
    if (!QTest::qWaitFor([&] { return client->isFinished(); }, 20000))
        qFatal("the hand-over did not end");
    return taken;
}

} // namespace

// One window per user and display: later starts hand their files and folders
// to it through a socket only the user can reach.
class HandOverTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void laterStartsHandTheirPathsOverInOrder();
    void newWindowStartsASeparateCopy();
    void staleSocketIsReplaced_data();
    void staleSocketIsReplaced();
    void onlyTheSameUserIsHeard_data();
    void onlyTheSameUserIsHeard();
    void socketFolderIsTheUsersAlone_data();
    void socketFolderIsTheUsersAlone();

private:
    // Makes the fixture's window the one that serves, as the program does.
    void serve();
    // Makes the server keep what it is handed in received_.
    void recordHandOvers();
    QProcess* startProgram(const QStringList& arguments);

    std::unique_ptr<QTemporaryDir> runtime_;
    std::unique_ptr<test::ListFixture> fixture_;
    std::unique_ptr<HandOverServer> server_;
    std::vector<std::unique_ptr<QProcess>> programs_;
    QStringList received_;
};

void HandOverTest::init() {
    test::clearSettingsStore();
    runtime_ = std::make_unique<QTemporaryDir>();
    QVERIFY(QFile::setPermissions(runtime_->path(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime_->path()));
    fixture_ = std::make_unique<test::ListFixture>();
    server_ = std::make_unique<HandOverServer>();
}

void HandOverTest::cleanup() {
    for (const auto& program : programs_)
        if (program->state() != QProcess::NotRunning) {
            program->terminate();
            QVERIFY(program->waitForFinished(20000));
        }
    programs_.clear();
    server_.reset();
    QCOMPARE(fixture_->dialogs.unusedAnswers(), QString());
    QVERIFY(fixture_->dialogs.shown().isEmpty());
    fixture_.reset();
    runtime_.reset();
}

void HandOverTest::serve() {
    QCOMPARE(handOverOrServe(handOverSocketPath(), {}, *server_), StartRole::serving);
    serveWindow(*server_, *fixture_->form, *commandLinePathQueue(*fixture_->form));
}

void HandOverTest::recordHandOvers() {
    received_.clear();
    server_->setReceiver([this](const QStringList& paths) {
        received_ += paths;
        return true;
    });
}

QProcess* HandOverTest::startProgram(const QStringList& arguments) {
    auto program = std::make_unique<QProcess>();
    program->setWorkingDirectory(fixture_->root());
    program->start(test::builtProgramFolder() + "/quillbrook", arguments);
    programs_.push_back(std::move(program));
    return programs_.back().get();
}

// Each later start is a real program: its files and folders arrive in the
// serving window's list in the order given, after those of the start before,
// and it ends with status 0 without a window of its own.
void HandOverTest::laterStartsHandTheirPathsOverInOrder() {
    test::makeTree(fixture_->root(), {"a.mobi", "c.mobi", "tree/b.mobi", "tree/sub/d.mobi",
                                      "e.mobi", "tree/notes.txt"});
    serve();

    for (const QStringList& arguments :
         {QStringList{"c.mobi", "tree", "a.mobi"}, QStringList{fixture_->root() + "/e.mobi"}}) {
        QProcess* later = startProgram(arguments);
        QTRY_VERIFY_WITH_TIMEOUT(later->state() == QProcess::NotRunning, 30000);
        QCOMPARE(later->exitStatus(), QProcess::NormalExit);
        QCOMPARE(later->exitCode(), 0);
    }

    QTRY_COMPARE(fixture_->items(),
                 fixture_->below({"c.mobi", "tree/b.mobi", "tree/sub/d.mobi", "a.mobi", "e.mobi"}));
    QVERIFY(fixture_->form->isVisible());
}

void HandOverTest::newWindowStartsASeparateCopy() {
    test::makeTree(fixture_->root(), {"a.mobi"});
    serve();

    QProcess* separate = startProgram({"--new-window", "a.mobi"});
    QVERIFY(separate->waitForStarted());
    // Long enough for a hand-over, which would end the copy at once.
    QTest::qWait(1500);

    QCOMPARE(separate->state(), QProcess::Running);
    QVERIFY(fixture_->items().isEmpty());
}

void HandOverTest::staleSocketIsReplaced_data() {
    QTest::addColumn<bool>("stale");
    QTest::newRow("a socket nobody listens on") << true;
    QTest::newRow("no socket yet") << false;
}

// When no copy answers, this start serves, and its window takes the next start's paths.
void HandOverTest::staleSocketIsReplaced() {
    QFETCH(bool, stale);
    const QString socketPath = handOverSocketPath();
    QVERIFY(!socketPath.isEmpty());
    if (stale)
        QVERIFY(makeStaleSocket(socketPath));

    QCOMPARE(handOverOrServe(socketPath, {"/books/first.mobi"}, *server_), StartRole::serving);
    recordHandOvers();

    QVERIFY(handOverFromAnotherThread(socketPath, {"/books/a.mobi", "/books/b.mobi"}));
    QCOMPARE(received_, (QStringList{"/books/a.mobi", "/books/b.mobi"}));
}

void HandOverTest::onlyTheSameUserIsHeard_data() {
    QTest::addColumn<bool>("sameUser");
    QTest::newRow("the same user") << true;
    QTest::newRow("another user") << false;
}

// The peer's user id comes from the socket itself; a second user cannot be
// had in a test, so the server is told to take another user than ours.
void HandOverTest::onlyTheSameUserIsHeard() {
    QFETCH(bool, sameUser);
    const QString socketPath = handOverSocketPath();
    QVERIFY(server_->listen(socketPath));
    server_->acceptOnlyUser(sameUser ? geteuid() : geteuid() + 1);
    recordHandOvers();

    QCOMPARE(handOverFromAnotherThread(socketPath, {"/books/a.mobi"}), sameUser);
    QCOMPARE(received_, sameUser ? QStringList{"/books/a.mobi"} : QStringList{});
}

void HandOverTest::socketFolderIsTheUsersAlone_data() {
    QTest::addColumn<int>("mode"); // -1: the folder is a link to one of ours
    QTest::addColumn<bool>("used");
    QTest::newRow("made by the program") << 0 << true;
    QTest::newRow("mode 0700") << 0700 << true;
    QTest::newRow("others may look in") << 0755 << false;
    QTest::newRow("a link") << -1 << false;
}

void HandOverTest::socketFolderIsTheUsersAlone() {
    QFETCH(int, mode);
    QFETCH(bool, used);
    const QString folder = runtime_->path() + "/quillbrook";
    if (mode > 0) {
        QVERIFY(QDir().mkdir(folder));
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), mode_t(mode)) == 0);
    } else if (mode < 0) {
        QVERIFY(QDir().mkdir(runtime_->path() + "/elsewhere"));
        QVERIFY(QFile::link(runtime_->path() + "/elsewhere", folder));
    }

    const QString socketPath = handOverSocketPath();

    QCOMPARE(!socketPath.isEmpty(), used);
    if (used)
        QVERIFY(socketPath.startsWith(folder + "/window-"));
    QCOMPARE(handOverOrServe(socketPath, {}, *server_),
             used ? StartRole::serving : StartRole::alone);
}

QTEST_MAIN(HandOverTest)
#include "tst_handover.moc"
