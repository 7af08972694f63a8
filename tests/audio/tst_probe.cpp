// The reachability probe against this machine's own addresses.

#include "audio/Probe.h"

#include <QtTest>

using namespace korvel;

class TestProbe : public QObject {
    Q_OBJECT
private slots:
    void reachesLoopback_data();
    void reachesLoopback();
    void unreachable();
    void eventsRunWhileWaiting();
};

void TestProbe::reachesLoopback_data() {
    QTest::addColumn<int>("method");
    QTest::addColumn<QString>("address");
    QTest::newRow("auto") << int(HostProbe::Method::Auto) << QStringLiteral("127.0.0.1");
    QTest::newRow("auto by name") << int(HostProbe::Method::Auto) << QStringLiteral("localhost");
    // Nothing listens on port 80 here: the refusal is the answer.
    QTest::newRow("tcp") << int(HostProbe::Method::TcpConnect) << QStringLiteral("127.0.0.1");
}

void TestProbe::reachesLoopback() {
    QFETCH(int, method);
    QFETCH(QString, address);
    QVERIFY(ProbeHost(address, HostProbe::Method(method)));
}

void TestProbe::unreachable() {
    // An address reserved for documentation never answers; the wait ends with false.
    HostProbe probe;
    QSignalSpy spy(&probe, &HostProbe::finished);
    probe.start(QStringLiteral("203.0.113.1"));
    if (spy.isEmpty()) QVERIFY(spy.wait(2000));
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.first().first().toBool(), false);
    QVERIFY(!ProbeHost(QStringLiteral("no-such-host.invalid")));
}

void TestProbe::eventsRunWhileWaiting() {
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    ProbeHost(QStringLiteral("203.0.113.1"));
    QVERIFY(ran);
}

QTEST_GUILESS_MAIN(TestProbe)
#include "tst_probe.moc"
