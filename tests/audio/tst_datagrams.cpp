// Datagram layouts both ways, and the five attempts of every send.

#include "RecordingLink.h"
#include "audio/DatagramSender.h"
#include "audio/Datagrams.h"
#include "core/Message.h"

#include <QtTest>

using namespace korvel;

namespace {

class ScriptedPort : public IDatagramPort {
public:
    bool IsActive() const override { return active; }
    bool SendDatagram(const QByteArray& bytes) override {
        ++attempts;
        if (failuresLeft > 0) {
            --failuresLeft;
            return false;
        }
        sent << bytes;
        return true;
    }
    bool active = true;
    int failuresLeft = 0;
    int attempts = 0;
    QList<QByteArray> sent;
};

} // namespace

class TestDatagrams : public QObject {
    Q_OBJECT
private slots:
    void layouts();
    void parsing_data();
    void parsing();
    void classifyAtServer_data();
    void classifyAtServer();
    void attempts_data();
    void attempts();
    void controlMessagesWithInactivePort();
    void realSocket();
};

void TestDatagrams::layouts() {
    QCOMPARE(BuildBeginMarker(), QByteArray("CMDBOL"));
    QCOMPARE(BuildEndMarker(29), QByteArray("CMDEOL\x1d\0\0\0", 10));
    QCOMPARE(BuildEndMarker(-1), QByteArray("CMDEOL\xff\xff\xff\xff", 10));
    QCOMPARE(BuildTalkTargetOn(3, 0x01020304), QByteArray("CMDATG\x03\0\0\0\x04\x03\x02\x01", 14));
    QCOMPARE(BuildTalkTargetOff(65535, 0), QByteArray("CMDRTG\xff\xff\0\0\0\0\0\0", 14));
}

void TestDatagrams::parsing_data() {
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<bool>("end");
    QTest::addColumn<int>("count"); // -1: no count
    QTest::addColumn<int>("target"); // 0 none, 1 on, 2 off
    QTest::newRow("end") << BuildEndMarker(50) << true << 50 << 0;
    QTest::newRow("end with more bytes") << (BuildEndMarker(7) + "xyz") << true << 7 << 0;
    QTest::newRow("end cut short") << QByteArray("CMDEOL\x01") << true << -1 << 0;
    QTest::newRow("five bytes") << QByteArray("CMDEO") << false << -1 << 0;
    QTest::newRow("empty") << QByteArray() << false << -1 << 0;
    QTest::newRow("begin") << BuildBeginMarker() << false << -1 << 0;
    QTest::newRow("talk on") << BuildTalkTargetOn(1, 2) << false << -1 << 1;
    QTest::newRow("talk off") << BuildTalkTargetOff(1, 2) << false << -1 << 2;
    QTest::newRow("talk on cut") << BuildTalkTargetOn(1, 2).left(13) << false << -1 << 0;
}

void TestDatagrams::parsing() {
    QFETCH(QByteArray, datagram);
    QFETCH(bool, end);
    QFETCH(int, count);
    QFETCH(int, target);
    QCOMPARE(IsEndMarker(datagram), end);
    const auto c = ParseEndMarkerCount(datagram);
    QCOMPARE(c.has_value(), count >= 0);
    if (c) QCOMPARE(*c, count);
    const auto t = ParseTalkTarget(datagram);
    QCOMPARE(t.has_value(), target != 0);
    if (t) {
        QCOMPARE(t->on, target == 1);
        QCOMPARE(t->user, 1);
        QCOMPARE(t->channel, 2);
    }
}

void TestDatagrams::classifyAtServer_data() {
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<int>("kind");
    QTest::newRow("voice") << QByteArray("\x01\x02\x03") << int(ServerDatagram::Voice);
    QTest::newRow("begin") << BuildBeginMarker() << int(ServerDatagram::Begin);
    QTest::newRow("end") << BuildEndMarker(3) << int(ServerDatagram::End);
    QTest::newRow("on") << BuildTalkTargetOn(1, 1) << int(ServerDatagram::TalkTargetOn);
    QTest::newRow("off") << BuildTalkTargetOff(1, 1) << int(ServerDatagram::TalkTargetOff);
    QTest::newRow("short CMD") << QByteArray("CMDEO") << int(ServerDatagram::OtherMarker);
    QTest::newRow("voice that reads CMDXYZ") << QByteArray("CMDXYZ12") << int(ServerDatagram::OtherMarker);
}

void TestDatagrams::classifyAtServer() {
    QFETCH(QByteArray, datagram);
    QFETCH(int, kind);
    QCOMPARE(int(ClassifyAtServer(datagram)), kind);
}

void TestDatagrams::attempts_data() {
    QTest::addColumn<bool>("active");
    QTest::addColumn<int>("failures");
    QTest::addColumn<int>("attempts");
    QTest::addColumn<int>("pumps");
    QTest::addColumn<bool>("sent");
    QTest::newRow("first attempt") << true << 0 << 1 << 0 << true;
    QTest::newRow("third attempt") << true << 2 << 3 << 2 << true;
    QTest::newRow("fifth attempt") << true << 4 << 5 << 4 << true;
    QTest::newRow("dropped after five") << true << 5 << 5 << 5 << false;
    QTest::newRow("inactive port") << false << 0 << 0 << 0 << false;
}

void TestDatagrams::attempts() {
    QFETCH(bool, active);
    QFETCH(int, failures);
    QFETCH(int, attempts);
    QFETCH(int, pumps);
    QFETCH(bool, sent);
    ScriptedPort port;
    port.active = active;
    port.failuresLeft = failures;
    int pumped = 0;
    DatagramSender sender(port, [&] { ++pumped; });
    sender.SendEndMarker(12);
    QCOMPARE(port.attempts, attempts);
    QCOMPARE(pumped, pumps);
    QCOMPARE(port.sent.size(), sent ? 1 : 0);
    if (sent) QCOMPARE(port.sent.first(), BuildEndMarker(12));
}

void TestDatagrams::controlMessagesWithInactivePort() {
    ScriptedPort port;
    port.active = false;
    DatagramSender sender(port, {});
    test::FixedConnection connection;
    QList<QByteArray> control;
    VoiceLink link(sender, connection, [&](const QByteArray& m) { control << m; });
    link.SendBeginMarker();
    link.SendTalkState(true);
    link.SendVoiceDatagram("abc");
    link.SendEndMarker(1);
    link.SendTalkState(false);
    link.SendTalkTargetMessage(true, 3, 7);
    QCOMPARE(port.attempts, 0);
    QCOMPARE(control.size(), 3);
    MessageReader start(control[0]);
    QCOMPARE(start.ReadInt(), msgTalkStart);
    QCOMPARE(start.ReadInt(), tagUser);
    QCOMPARE(start.ReadInt(), connection.ownIndex);
    QCOMPARE(messageCode(control[1]), std::optional<int32_t>(msgTalkStop));
    MessageReader target(control[2]);
    QCOMPARE(target.ReadInt(), msgTalkTargetOn);
    QCOMPARE(target.ReadInt(), tagUser);
    QCOMPARE(target.ReadInt(), 3);
    QCOMPARE(target.ReadInt(), tagChannelIndex);
    QCOMPARE(target.ReadInt(), 7);
}

void TestDatagrams::realSocket() {
    QUdpSocket receiver;
    QVERIFY(receiver.bind(QHostAddress::LocalHost, 0));
    UdpDatagramPort port;
    port.setRemote(QHostAddress::LocalHost, receiver.localPort());
    QVERIFY(!port.IsActive());
    QVERIFY(port.activate(QHostAddress::LocalHost));
    DatagramSender sender(port, {});
    sender.SendTalkTargetOn(3, 7);
    sender.SendVoiceDatagram(QByteArray(65, 'v'));
    QTRY_VERIFY_WITH_TIMEOUT(receiver.hasPendingDatagrams(), 2000);
    QByteArray d(receiver.pendingDatagramSize(), 0);
    receiver.readDatagram(d.data(), d.size());
    QCOMPARE(d, BuildTalkTargetOn(3, 7));
    QTRY_VERIFY_WITH_TIMEOUT(receiver.hasPendingDatagrams(), 2000);
    d.resize(receiver.pendingDatagramSize());
    receiver.readDatagram(d.data(), d.size());
    QCOMPARE(d, QByteArray(65, 'v'));
    port.deactivate();
    QVERIFY(!port.IsActive());
}

QTEST_GUILESS_MAIN(TestDatagrams)
#include "tst_datagrams.moc"
