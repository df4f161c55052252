#include "runendnotice.h"
#include "runprogresstitle.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QTest>
#include <QWidget>

using namespace quillbrook;
using namespace std::chrono_literals;

namespace {

struct Notification {
    QString appName;
    QString appIcon;
    QString summary;
    QVariantMap hints;
};

// The desktop's notification service as far as Quillbrook uses it, on a
// connection of its own, so that calls travel through the bus.
class NotificationListener : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    NotificationListener()
        : bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                             QStringLiteral("notification listener"))) {}
    ~NotificationListener() override {
        bus_.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        QDBusConnection::disconnectFromBus(bus_.name());
    }

    bool listen() {
        return bus_.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                                   QDBusConnection::ExportAllSlots) &&
               bus_.registerService(QStringLiteral("org.freedesktop.Notifications"));
    }

    QList<Notification> received;

public slots:
    uint Notify(const QString& appName, uint /*replacesId*/, const QString& appIcon,
                const QString& summary, const QString& /*body*/, const QStringList& /*actions*/,
                const QVariantMap& hints, int /*expireTimeout*/) {
        received.append({appName, appIcon, summary, hints});
        return uint(received.size());
    }

private:
    QDBusConnection bus_;
};

} // namespace

class RunEndNoticeTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void announcedOnlyAfterALongRunAway_data();
    void announcedOnlyAfterALongRunAway();
    void notificationText_data();
    void notificationText();
    void notificationReachesTheService();
    void runEndIsNotifiedOnlyWhenAnnounced_data();
    void runEndIsNotifiedOnlyWhenAnnounced();
    void withoutAServiceNothingFails();
    void titleShowsTheProgressAndComesBack();
};

void RunEndNoticeTest::initTestCase() {
    QVERIFY2(QDBusConnection::sessionBus().isConnected(), "the test needs a session bus");
    QGuiApplication::setDesktopFileName(QStringLiteral("example.quillbrook.Quillbrook"));
}

// Nothing here may be worth a warning, from Qt's D-Bus module least of all.
void RunEndNoticeTest::init() {
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
}

void RunEndNoticeTest::announcedOnlyAfterALongRunAway_data() {
    QTest::addColumn<std::chrono::milliseconds>("runTime");
    QTest::addColumn<bool>("windowIsActive");
    QTest::addColumn<bool>("announced");
    QTest::newRow("long, away") << std::chrono::milliseconds(31s) << false << true;
    QTest::newRow("an hour, away") << std::chrono::milliseconds(1h) << false << true;
    QTest::newRow("just 30 s, away") << std::chrono::milliseconds(30s) << false << false;
    QTest::newRow("short, away") << std::chrono::milliseconds(2s) << false << false;
    QTest::newRow("long, watching") << std::chrono::milliseconds(31s) << true << false;
}

void RunEndNoticeTest::announcedOnlyAfterALongRunAway() {
    QFETCH(std::chrono::milliseconds, runTime);
    QFETCH(bool, windowIsActive);
    QFETCH(bool, announced);
    QCOMPARE(runEndIsAnnounced(runTime, windowIsActive), announced);
}

void RunEndNoticeTest::notificationText_data() {
    QTest::addColumn<int>("converted");
    QTest::addColumn<int>("taken");
    QTest::addColumn<QString>("text");
    QTest::newRow("some") << 3 << 5 << "Quillbrook: 3 of 5 files converted";
    QTest::newRow("none") << 0 << 1200 << "Quillbrook: 0 of 1200 files converted";
    QTest::newRow("all") << 7 << 7 << "Quillbrook: 7 of 7 files converted";
}

void RunEndNoticeTest::notificationText() {
    QFETCH(int, converted);
    QFETCH(int, taken);
    QFETCH(QString, text);
    QCOMPARE(runEndNotificationText(converted, taken), text);
}

void RunEndNoticeTest::notificationReachesTheService() {
    NotificationListener listener;
    QVERIFY(listener.listen());

    sendDesktopNotification(QStringLiteral("Quillbrook: 3 of 5 files converted"));

    QTRY_COMPARE(listener.received.size(), 1);
    const Notification& notice = listener.received.constFirst();
    QCOMPARE(notice.appName, QStringLiteral("Quillbrook"));
    QCOMPARE(notice.summary, QStringLiteral("Quillbrook: 3 of 5 files converted"));
    QCOMPARE(notice.appIcon, QStringLiteral("example.quillbrook.Quillbrook"));
    QCOMPARE(notice.hints.value(QStringLiteral("desktop-entry")).toString(),
             QStringLiteral("example.quillbrook.Quillbrook"));
}

void RunEndNoticeTest::runEndIsNotifiedOnlyWhenAnnounced_data() {
    QTest::addColumn<std::chrono::milliseconds>("runTime");
    QTest::addColumn<bool>("windowIsActive");
    QTest::addColumn<QStringList>("notified");
    const QString marker = QStringLiteral("marker");
    QTest::newRow("long, away") << std::chrono::milliseconds(45s) << false
                                << QStringList{"Quillbrook: 2 of 4 files converted", marker};
    QTest::newRow("short, away") << std::chrono::milliseconds(5s) << false << QStringList{marker};
    QTest::newRow("long, watching")
        << std::chrono::milliseconds(45s) << true << QStringList{marker};
}

// A marker sent after the run's end arrives after anything the end sent, so
// its arrival shows that nothing else is on the way.
void RunEndNoticeTest::runEndIsNotifiedOnlyWhenAnnounced() {
    QFETCH(std::chrono::milliseconds, runTime);
    QFETCH(bool, windowIsActive);
    QFETCH(QStringList, notified);
    NotificationListener listener;
    QVERIFY(listener.listen());
    QWidget window;
    if (windowIsActive) {
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }

    announceRunEnd(window, 2, 4, runTime);
    sendDesktopNotification(QStringLiteral("marker"));

    QTRY_COMPARE(listener.received.size(), notified.size());
    QStringList summaries;
    for (const Notification& notice : listener.received)
        summaries.append(notice.summary);
    QCOMPARE(summaries, notified);
}

void RunEndNoticeTest::withoutAServiceNothingFails() {
    QVERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(
        QStringLiteral("org.freedesktop.Notifications")));
    QWidget window;
    announceRunEnd(window, 1, 1, 1min);
    sendDesktopNotification(QStringLiteral("Quillbrook: 1 of 1 files converted"));
    QTest::qWait(200);
}

void RunEndNoticeTest::titleShowsTheProgressAndComesBack() {
    QWidget window;
    window.setWindowTitle(QStringLiteral("Quillbrook"));
    {
        RunProgressTitle title(window);
        title.show(42);
        QCOMPARE(window.windowTitle(), QStringLiteral("42% - Quillbrook"));
        title.show(100);
        QCOMPARE(window.windowTitle(), QStringLiteral("100% - Quillbrook"));
    }
    QCOMPARE(window.windowTitle(), QStringLiteral("Quillbrook"));
}

QTEST_MAIN(RunEndNoticeTest)
#include "tst_runendnotice.moc"
