#include "runendnotice.h"

#include <QDBusConnection>
#include <QTest>
#include <QWidget>

using namespace quillbrook;
using namespace std::chrono_literals;

// The end of a long run where the session bus cannot be reached: the
// notification is dropped without a word and everything else goes on.
class NoSessionBusTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral(".*"))); }
    void runEndGoesOnWithoutABus();
};

void NoSessionBusTest::runEndGoesOnWithoutABus() {
    QVERIFY(!qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS").isEmpty());
    QWidget window;

    announceRunEnd(window, 2, 4, 1min);
    sendDesktopNotification(QStringLiteral("Quillbrook: 2 of 4 files converted"));

    QVERIFY(!QDBusConnection::sessionBus().isConnected());
}

QTEST_MAIN(NoSessionBusTest)
#include "tst_nosessionbus.moc"
