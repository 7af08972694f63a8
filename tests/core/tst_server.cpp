#include "ServerTestClient.h"
#include "common/TestPorts.h"
#include "core/Message.h"
#include "core/Options.h"
#include "core/ServerRole.h"

#include <QSignalSpy>
#include <QUdpSocket>
#include <limits>
#include <QTest>
#include <memory>
#include <vector>

using namespace korvel;
using namespace korvel::test;

namespace {

// A running server and the clients of one test, each client on its own loopback address.
struct Fixture {
    Options options;
    PortConfig ports = freePortPlan();
    bool loopback = false;
    std::unique_ptr<ServerRole> server;
    std::vector<std::unique_ptr<ServerTestClient>> clients;

    Fixture() { server = std::make_unique<ServerRole>(options, ports, [this] { return loopback; }); }
    bool start() { return server->StartServer().isEmpty(); }
    ServerTestClient& add() {
        const QString addr = QStringLiteral("127.0.0.%1").arg(clients.size() + 2);
        clients.push_back(std::make_unique<ServerTestClient>(addr, ports));
        ServerTestClient& c = *clients.back();
        if (!c.connectToServer()) qFatal("cannot connect");
        return c;
    }
    // A logged-in client; the server has also finished telling everyone about it.
    ServerTestClient& join(const QString& name) {
        ServerTestClient& c = add();
        QSignalSpy spy(server.get(), &ServerRole::userLoggedIn);
        c.loginAndWait(name);
        if (spy.isEmpty()) spy.wait(5000);
        return c;
    }
};

QList<int32_t> L(std::initializer_list<int32_t> v) { return QList<int32_t>(v); }

QByteArray endMarker(int32_t count) { return QByteArray("CMDEOL") + le32(count); }
QByteArray talkTarget(bool on, int32_t user, int32_t channel) {
    return QByteArray(on ? "CMDATG" : "CMDRTG") + le32(user) + le32(channel);
}

// Waits until `c` has received `n` datagrams on slot `i` (0-based).
bool waitSlot(ServerTestClient& c, int i, qsizetype n) {
    QElapsedTimer t;
    t.start();
    while (c.slot[i].size() < n && t.elapsed() < 5000) QTest::qWait(2);
    return c.slot[i].size() >= n;
}

} // namespace

class TestServer : public QObject {
    Q_OBJECT
private slots:
    void loginOrderForNewcomerAndOthers() {
        Fixture f;
        QVERIFY(f.start());
        f.options.EAdminPassword = QStringLiteral("boss");
        f.options.RCodec2 = true;
        ServerTestClient& a = f.join(QStringLiteral("Alice"));
        QCOMPARE(a.index, 1);
        a.send(MessageWriter(msgAddChannel).Text(tagChannel, QStringLiteral("Red")));
        a.send(MessageWriter(msgAddChannel).Text(tagChannel, QStringLiteral("Blue")));
        QVERIFY(a.waitFor(msgAddChannel, 5000, 3) && a.waitForCount(4));
        const qsizetype aBefore = a.messages.size();

        ServerTestClient& b = f.add();
        b.login(QStringLiteral("Bob"));
        QVERIFY(b.waitForCount(5));
        QCOMPARE(b.codes(), L({msgWelcome, msgUserInfo, msgAddChannel, msgAddChannel, msgUserInfo}));
        const Received& w = b.messages[0];
        QCOMPARE(w.i(tagOwnIndex), 2);
        QCOMPARE(w.i(tagCodec), 2);
        QCOMPARE(Scramble(w.raw.value(tagAdminPassword)), QByteArray("boss"));
        QCOMPARE(b.messages[1].i(tagUser), 2);
        QCOMPARE(b.messages[1].text(tagName), QStringLiteral("Bob"));
        QCOMPARE(b.messages[1].i(tagVersionMajor), 1);
        QCOMPARE(b.messages[1].i(tagVersionMinor), 6);
        QCOMPARE(b.messages[2].i(tagChannelIndex), 1);
        QCOMPARE(b.messages[2].text(tagChannel), QStringLiteral("Red"));
        QCOMPARE(b.messages[3].text(tagChannel), QStringLiteral("Blue"));
        QCOMPARE(b.messages[4].i(tagUser), 1);
        QCOMPARE(b.messages[4].text(tagName), QStringLiteral("Alice"));

        // The one already there hears exactly one user info, about the newcomer.
        QVERIFY(a.waitForCount(aBefore + 1));
        QTest::qWait(50);
        QCOMPARE(a.codes(aBefore), L({msgUserInfo}));
        QCOMPARE(a.messages[aBefore].i(tagUser), 2);
    }

    void loginRefusals_data() {
        QTest::addColumn<QString>("serverPassword");
        QTest::addColumn<QString>("given");
        QTest::addColumn<bool>("plain");
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("expected");
        QTest::newRow("right password") << "Secret" << "Secret" << false << 1 << msgWelcome;
        QTest::newRow("plain password") << "Secret" << "Secret" << true << 1 << msgWelcome;
        QTest::newRow("case counts") << "Secret" << "secret" << false << 1 << msgPasswordRequired;
        QTest::newRow("missing") << "Secret" << "" << false << 1 << msgPasswordRequired;
        QTest::newRow("open server") << "" << "anything" << false << 1 << msgWelcome;
        QTest::newRow("blank server") << " \t\x01 " << "anything" << false << 1 << msgWelcome;
        QTest::newRow("old version") << "" << "" << false << 0 << msgVersionTooOld;
        QTest::newRow("password first") << "Secret" << "x" << false << 0 << msgPasswordRequired;
    }
    void loginRefusals() {
        QFETCH(QString, serverPassword);
        QFETCH(QString, given);
        QFETCH(bool, plain);
        QFETCH(int, major);
        QFETCH(int, expected);
        Fixture f;
        f.options.EPassword = serverPassword;
        QVERIFY(f.start());
        ServerTestClient& c = f.add();
        MessageWriter w(msgLogin);
        w.Text(tagName, QStringLiteral("Zed"));
        if (plain)
            w.Text(tagPasswordPlain, given);
        else
            w.WriteInt(tagPassword).WriteRawText(Scramble(toWireText(given)));
        if (major) w.Int(tagVersionMajor, major).Int(tagVersionMinor, 0);
        c.send(w);
        QVERIFY(c.waitForCount(1));
        QCOMPARE(c.messages[0].code, expected);
        if (expected != msgWelcome) {
            QTest::qWait(50);
            QCOMPARE(c.messages.size(), qsizetype(1));
            QVERIFY(c.connected()); // left open, the client closes it
            QVERIFY(!f.server->users().at(1)->Active);
        }
    }

    void channelNamesAndIndexReuse() {
        Fixture f;
        QVERIFY(f.start());
        ServerTestClient& a = f.join(QStringLiteral("Alice"));
        QSignalSpy added(f.server.get(), &ServerRole::channelAdded);
        QSignalSpy removed(f.server.get(), &ServerRole::channelRemoved);
        auto add = [&](const char* name) {
            a.send(MessageWriter(msgAddChannel).Text(tagChannel, QString::fromLatin1(name)));
        };
        auto remove = [&](int c) {
            a.send(MessageWriter(msgRemoveChannel).Int(tagChannelIndex, c));
            QVERIFY(removed.wait(5000));
        };
        auto lastAdded = [&] {
            if (!added.wait(5000)) return -1;
            return added.last().at(0).toInt();
        };
        add("ALPHA");
        QCOMPARE(lastAdded(), 1);
        add("Alpha"); // a case-insensitive duplicate: nothing, not even an answer
        add("Beta");
        QCOMPARE(lastAdded(), 2);
        QCOMPARE(added.size(), 2);
        add(" Beta "); // blanks count
        QCOMPARE(lastAdded(), 3);
        QCOMPARE(f.server->channels().at(3)->Name, QStringLiteral(" Beta "));
        remove(2);
        add("Gamma");
        QCOMPARE(lastAdded(), 2);
        remove(1);
        remove(2);
        add("Delta"); // the highest free index wins
        QCOMPARE(lastAdded(), 2);
        add("");
        QCOMPARE(lastAdded(), 1);
        QCOMPARE(f.server->ServerChannelCount(), 3);
        // Every answer went to the asking client as well.
        QVERIFY(a.waitForCount(2 + 6 + 3));
    }

    void moveAndRemovalOrder() {
        Fixture f;
        QVERIFY(f.start());
        ServerTestClient& a = f.join(QStringLiteral("A"));
        ServerTestClient& b = f.join(QStringLiteral("B"));
        ServerTestClient& c = f.join(QStringLiteral("C"));
        a.send(MessageWriter(msgAddChannel).Text(tagChannel, QStringLiteral("Room")));
        QVERIFY(c.waitFor(msgAddChannel));
        a.send(MessageWriter(msgMoveUser).Int(tagUser, 1).Int(tagChannelIndex, 1));
        a.send(MessageWriter(msgMoveUser).Int(tagUser, 2).Int(tagChannelIndex, 1));
        QSignalSpy moved(f.server.get(), &ServerRole::userMoved);
        QTRY_COMPARE_WITH_TIMEOUT(moved.size(), 2, 5000);
        // The server is done; wait until both moves reached the observer too.
        QTRY_COMPARE_WITH_TIMEOUT(c.codes().count(msgUserMoved), qsizetype(2), 5000);
        const TsUser& ua = *f.server->users().at(1);
        QCOMPARE(ua.Channel, 1);
        QVERIFY(ua.Listens.get(1) && ua.Talks.get(1));
        QVERIFY(!ua.Listens.get(0) && !ua.Talks.get(0));

        const qsizetype from = c.messages.size();
        b.send(MessageWriter(msgRemoveChannel).Int(tagChannelIndex, 1));
        QVERIFY(c.waitFor(msgRemoveChannel, 5000, from));
        QCOMPARE(c.codes(from), L({msgUserMoved, msgUserMoved, msgRemoveChannel}));
        QCOMPARE(c.messages[from].i(tagUser), 1);
        QCOMPARE(c.messages[from].i(tagChannelIndex), 0);
        QCOMPARE(c.messages[from + 1].i(tagUser), 2);
        QCOMPARE(c.messages[from + 2].i(tagChannelIndex), 1);
        QVERIFY(ua.Listens.get(0) && ua.Talks.get(0) && !ua.Listens.get(1));
        QVERIFY(!f.server->channels().at(1)->Active);

        // A move into an index that has no channel is carried out.
        a.send(MessageWriter(msgMoveUser).Int(tagUser, 3).Int(tagChannelIndex, 7));
        QVERIFY(c.waitFor(msgUserMoved, 5000, from + 3));
        QCOMPARE(f.server->users().at(3)->Channel, 7);
    }

    void muteSayAndTalkMarks() {
        Fixture f;
        QVERIFY(f.start());
        ServerTestClient& a = f.join(QStringLiteral("A"));
        ServerTestClient& b = f.join(QStringLiteral("B"));
        QVERIFY(a.waitFor(msgUserInfo, 5000, 2));

        // Talk marks and mutes are forwarded byte for byte, unknown tags included.
        const QByteArray talk = MessageWriter(msgTalkStart).Int(tagUser, 1).Text(999, QStringLiteral("x")).bytes();
        qsizetype from = b.messages.size();
        a.send(talk);
        QVERIFY(b.waitFor(msgTalkStart, 5000, from));
        QCOMPARE(b.waitFor(msgTalkStart, 5000, from)->bytes, talk);
        QVERIFY(a.waitFor(msgTalkStart)); // the sender too

        const QByteArray mute = MessageWriter(msgMute).Int(tagUser, 2).bytes();
        a.send(mute);
        QVERIFY(b.waitFor(msgMute));
        QCOMPARE(b.waitFor(msgMute)->bytes, mute);
        QVERIFY(f.server->users().at(2)->Muted);
        // A newcomer learns of the mute.
        ServerTestClient& c = f.join(QStringLiteral("C"));
        QVERIFY(c.waitForCount(3));
        QCOMPARE(c.messages[2].i(tagUser), 1);
        QVERIFY(c.waitForCount(4));
        QCOMPARE(c.messages[3].i(tagUser), 2);
        QCOMPARE(c.messages[3].i(tagMuted), 1);
        a.send(MessageWriter(msgUnmute).Int(tagUser, 2));
        QVERIFY(c.waitFor(msgUnmute));
        QVERIFY(!f.server->users().at(2)->Muted);

        // Say reaches only the one named, and carries only the text.
        a.send(MessageWriter(msgSay).Int(tagUser, 2).Text(tagText, QStringLiteral("hello")));
        const Received* said = b.waitFor(msgSay);
        QVERIFY(said);
        QCOMPARE(said->text(tagText), QStringLiteral("hello"));
        QVERIFY(!said->has(tagUser));
        // Say to a channel reaches its members only.
        a.send(MessageWriter(msgAddChannel).Text(tagChannel, QStringLiteral("Room")));
        a.send(MessageWriter(msgMoveUser).Int(tagUser, 3).Int(tagChannelIndex, 1));
        QVERIFY(c.waitFor(msgUserMoved));
        a.send(MessageWriter(msgSayToChannel).Int(tagChannelIndex, 1).Text(tagText, QStringLiteral("room")));
        const Received* roomSaid = c.waitFor(msgSay);
        QVERIFY(roomSaid);
        QCOMPARE(roomSaid->text(tagText), QStringLiteral("room"));
        a.send(MessageWriter(msgSayToChannel).Int(tagChannelIndex, 0).Text(tagText, QStringLiteral("root")));
        QVERIFY(a.waitFor(msgSay));
        QCOMPARE(b.messages.last().text(tagText), QStringLiteral("root"));
        QCOMPARE(c.codes().count(msgSay), 1);
    }

    void dropDepartureAndNumberReuse() {
        Fixture f;
        QVERIFY(f.start());
        QSignalSpy dropped(f.server.get(), &ServerRole::userDropped);
        QSignalSpy departed(f.server.get(), &ServerRole::userDeparted);
        ServerTestClient& a = f.join(QStringLiteral("A"));
        ServerTestClient& b = f.join(QStringLiteral("B"));
        ServerTestClient& c = f.join(QStringLiteral("C"));
        QVERIFY(a.waitFor(msgUserInfo, 5000, 3));

        qsizetype fromA = a.messages.size();
        a.send(MessageWriter(msgDropUser).Int(tagUser, 2));
        const Received* gone = b.waitFor(msgUserRemoved);
        QVERIFY(gone); // the dropped user hears it too, before its connection closes
        QCOMPARE(gone->i(tagUser), 2);
        QTRY_VERIFY_WITH_TIMEOUT(!b.connected(), 5000);
        QVERIFY(a.waitFor(msgUserRemoved, 5000, fromA));
        QCOMPARE(dropped.size(), 1);
        QVERIFY(!f.server->users().at(2)->Active);
        QVERIFY(!f.server->users().at(2)->VoicePort);
        QCOMPARE(departed.size(), 0); // the closing that follows adds nothing

        // A user that leaves by closing its connection.
        fromA = a.messages.size();
        c.socket().disconnectFromHost();
        QVERIFY(departed.wait(5000));
        const Received* left = a.waitFor(msgUserRemoved, 5000, fromA);
        QVERIFY(left);
        QCOMPARE(left->i(tagUser), 3);

        // The lowest free connection number is reused.
        ServerTestClient& d = f.join(QStringLiteral("D"));
        QCOMPARE(d.index, 2);
        ServerTestClient& e = f.join(QStringLiteral("E"));
        QCOMPARE(e.index, 3);
        QCOMPARE(f.server->ServerUserCount(), 3);
    }

    void relayThreeSlotsAndEviction() {
        Fixture f;
        QVERIFY(f.start());
        ServerTestClient& l = f.join(QStringLiteral("Listener"));
        ServerTestClient* s[4];
        for (int i = 0; i < 4; ++i) {
            s[i] = &f.join(QStringLiteral("S%1").arg(i + 1));
            QVERIFY(s[i]->openVoice());
        }
        QVERIFY(l.openVoice());
        const TsUser& lu = *f.server->users().at(1);
        for (int i = 0; i < 3; ++i) {
            s[i]->sendDatagram("CMDBOL");
            QTRY_COMPARE_WITH_TIMEOUT(lu.SlotSpeaker[i], s[i]->index, 5000);
            QTest::qWait(3); // distinct ticks
        }
        for (int i = 0; i < 3; ++i) {
            s[i]->sendDatagram(QByteArray("voice") + char('1' + i));
            QVERIFY(waitSlot(l, i, 1));
            QCOMPARE(l.slot[i].last(), QByteArray("voice") + char('1' + i));
        }
        // A fourth speaker takes the oldest slot; the evicted one no longer reaches the listener.
        s[3]->sendDatagram("CMDBOL");
        QTRY_COMPARE_WITH_TIMEOUT(lu.SlotSpeaker[0], s[3]->index, 5000);
        s[0]->sendDatagram("lost");
        s[3]->sendDatagram("voice4");
        QVERIFY(waitSlot(l, 0, 2));
        QCOMPARE(l.slot[0].last(), QByteArray("voice4"));
        s[1]->sendDatagram("voice2b");
        QVERIFY(waitSlot(l, 1, 2));
        QCOMPARE(l.slot[0].size(), qsizetype(2));
        // The end marker is relayed, then frees the slot.
        s[3]->sendDatagram(endMarker(1));
        QVERIFY(waitSlot(l, 0, 3));
        QCOMPARE(l.slot[0].last(), endMarker(1));
        QTRY_COMPARE_WITH_TIMEOUT(lu.SlotSpeaker[0], 0, 5000);
        // Speakers never got their own voice back.
        for (int i = 0; i < 4; ++i) {
            const QByteArray own = QByteArray("voice") + char('1' + i);
            for (const auto& got : s[i]->slot) QVERIFY(!got.contains(own));
            QVERIFY(!s[i]->slot[0].isEmpty() || i == 0); // but they hear each other
        }
    }

    void loopbackModeHearsOneself() {
        Fixture f;
        f.loopback = true;
        QVERIFY(f.start());
        ServerTestClient& a = f.join(QStringLiteral("A"));
        QVERIFY(a.openVoice());
        a.sendDatagram("CMDBOL");
        QTRY_COMPARE_WITH_TIMEOUT(f.server->users().at(1)->SlotSpeaker[0], 1, 5000);
        a.sendDatagram("me");
        QVERIFY(waitSlot(a, 0, 1));
        f.loopback = false;
        a.sendDatagram("CMDBOL"); // no longer a candidate: no second slot
        a.sendDatagram("me again");
        QTest::qWait(100);
        QCOMPARE(a.slot[0].size(), qsizetype(1));
        QCOMPARE(f.server->users().at(1)->SlotSpeaker[1], 0);
    }

    void hearingAcrossChannelsAndTalkTargets() {
        Fixture f;
        QVERIFY(f.start());
        ServerTestClient& a = f.join(QStringLiteral("InRoom"));
        ServerTestClient& r = f.join(QStringLiteral("InRoot"));
        ServerTestClient& s = f.join(QStringLiteral("Speaker"));
        for (ServerTestClient* c : {&a, &r, &s}) QVERIFY(c->openVoice());
        a.send(MessageWriter(msgAddChannel).Text(tagChannel, QStringLiteral("Room")));
        a.send(MessageWriter(msgMoveUser).Int(tagUser, 1).Int(tagChannelIndex, 1));
        QTRY_COMPARE_WITH_TIMEOUT(f.server->users().at(1)->Channel, 1, 5000);
        // One transmission from the root; the root listener is the witness that it went out.
        auto transmit = [&](const QByteArray& payload) {
            s.sendDatagram("CMDBOL");
            QTest::qWait(20);
            s.sendDatagram(payload);
            const qsizetype n = r.slot[0].size() + 2;
            s.sendDatagram(endMarker(1));
            return waitSlot(r, 0, n);
        };
        QVERIFY(transmit("root only"));
        QCOMPARE(a.slot[0].size(), qsizetype(0));

        // Talk into the room as well, by datagram.
        s.sendDatagram(talkTarget(true, 3, 1));
        QTRY_VERIFY_WITH_TIMEOUT(f.server->users().at(3)->Talks.get(1), 5000);
        QVERIFY(transmit("both"));
        QVERIFY(waitSlot(a, 0, 2));
        QCOMPARE(a.slot[0].first(), QByteArray("both"));
        s.sendDatagram(talkTarget(false, 3, 1));
        QTRY_VERIFY_WITH_TIMEOUT(!f.server->users().at(3)->Talks.get(1), 5000);
        QVERIFY(transmit("root again"));
        QCOMPARE(a.slot[0].size(), qsizetype(2));

        // The same by control message, and listening by toggle.
        s.send(MessageWriter(msgTalkTargetOn).Int(tagUser, 3).Int(tagChannelIndex, 1));
        QTRY_VERIFY_WITH_TIMEOUT(f.server->users().at(3)->Talks.get(1), 5000);
        s.send(MessageWriter(msgTalkTargetOff).Int(tagUser, 3).Int(tagChannelIndex, 1));
        QTRY_VERIFY_WITH_TIMEOUT(!f.server->users().at(3)->Talks.get(1), 5000);
        a.send(MessageWriter(msgListenToggle).Int(tagUser, 1).Int(tagChannelIndex, 0));
        QTRY_VERIFY_WITH_TIMEOUT(f.server->users().at(1)->Listens.get(0), 5000);
        QVERIFY(transmit("heard by toggle"));
        QVERIFY(waitSlot(a, 0, 4));
        QCOMPARE(a.slot[0][2], QByteArray("heard by toggle"));
    }

    void lossCounting() {
        Fixture f;
        QVERIFY(f.start());
        ServerTestClient& l = f.join(QStringLiteral("L"));
        ServerTestClient& s = f.join(QStringLiteral("S"));
        QVERIFY(l.openVoice() && s.openVoice());
        QSignalSpy loss(f.server.get(), &ServerRole::lossAnnounced);
        // Before the first start marker nothing counts as lost.
        s.sendDatagram(endMarker(10));
        s.sendDatagram("CMDBOL");
        QTRY_COMPARE_WITH_TIMEOUT(f.server->users().at(1)->SlotSpeaker[0], 2, 5000);
        for (int i = 0; i < 47; ++i) {
            s.sendDatagram(QByteArray("v") + QByteArray::number(i));
            QVERIFY(waitSlot(l, 0, i + 1)); // paced: the voice port's buffer is small
        }
        s.sendDatagram(endMarker(50));
        const Received* m = l.waitFor(msgPacketLoss);
        QVERIFY(m);
        QCOMPARE(m->i(tagUser), 2);
        QCOMPARE(m->i(tagLostCount), 3);
        QVERIFY(s.waitFor(msgPacketLoss));
        QCOMPARE(loss.size(), 1);
        // Fewer reported than received changes nothing.
        s.sendDatagram("CMDBOL");
        QTest::qWait(20);
        for (int i = 0; i < 3; ++i) {
            s.sendDatagram("w");
            QVERIFY(waitSlot(l, 0, 48 + i + 1));
        }
        s.sendDatagram(endMarker(2));
        QVERIFY(waitSlot(l, 0, 52));
        QTest::qWait(50);
        QCOMPARE(loss.size(), 1);
        QCOMPARE(f.server->users().at(2)->Lost, 3);
        QCOMPARE(l.codes().count(msgPacketLoss), 1);
    }

    void framingSplitAndJoined() {
        Fixture f;
        QVERIFY(f.start());
        ServerTestClient& c = f.add();
        const QByteArray login = frameMessage(
            MessageWriter(msgLogin).Text(tagName, QStringLiteral("Split")).Int(tagVersionMajor, 1).bytes());
        // One message in three segments is handled once, when its delimiter arrives.
        c.sendRaw(login.left(5));
        QTest::qWait(30);
        c.sendRaw(login.mid(5, login.size() - 6));
        QTest::qWait(30);
        QCOMPARE(c.messages.size(), qsizetype(0));
        c.sendRaw(login.right(1));
        QVERIFY(c.waitFor(msgWelcome));
        // Two messages in one segment are both handled, in order.
        c.sendRaw(frameMessage(MessageWriter(msgAddChannel).Text(tagChannel, QStringLiteral("One")).bytes()) +
                  frameMessage(MessageWriter(msgAddChannel).Text(tagChannel, QStringLiteral("Two")).bytes()));
        QTRY_COMPARE_WITH_TIMEOUT(c.codes().count(msgAddChannel), 2, 5000);
        QCOMPARE(c.messages.last().text(tagChannel), QStringLiteral("Two"));
        // A name holding the delimiter cuts the message there; the login still goes through.
        ServerTestClient& d = f.add();
        d.send(MessageWriter(msgLogin).Int(tagVersionMajor, 1).Text(tagName, QStringLiteral("xEOLy")));
        QVERIFY(d.waitFor(msgWelcome));
        QCOMPARE(f.server->users().at(2)->Name, QStringLiteral("x")); // the bytes before the cut
    }

    void stopAnnouncesRemovalAndClosesAll() {
        Fixture f;
        QVERIFY(f.start());
        QSignalSpy running(f.server.get(), &ServerRole::runningChanged);
        ServerTestClient& a = f.join(QStringLiteral("A"));
        ServerTestClient& b = f.join(QStringLiteral("B"));
        ServerTestClient& c = f.join(QStringLiteral("C"));
        a.send(MessageWriter(msgAddChannel).Text(tagChannel, QStringLiteral("Keep")));
        QVERIFY(c.waitFor(msgAddChannel));
        QVERIFY(c.waitForCount(4));
        const qsizetype fromC = c.messages.size(), fromB = b.messages.size();
        f.server->StopServer();
        QVERIFY(!f.server->isRunning());
        QCOMPARE(running.size(), 1);
        for (ServerTestClient* x : {&a, &b, &c}) QTRY_VERIFY_WITH_TIMEOUT(!x->connected(), 5000);
        QCOMPARE(c.codes(fromC), L({msgUserRemoved, msgUserRemoved}));
        QCOMPARE(c.messages[fromC].i(tagUser), 1);
        QCOMPARE(c.messages[fromC + 1].i(tagUser), 2);
        QCOMPARE(b.codes(fromB), L({msgUserRemoved}));
        QTRY_COMPARE_WITH_TIMEOUT(f.server->openConnections(), 0, 5000);
        for (int u = 1; u <= 3; ++u) QVERIFY(!f.server->users().at(u)->Active);

        // Channels outlive a stop; a restart announces them again.
        QVERIFY(f.start());
        ServerTestClient& d = f.join(QStringLiteral("D"));
        QCOMPARE(d.index, 1);
        const Received* keep = d.waitFor(msgAddChannel);
        QVERIFY(keep);
        QCOMPARE(keep->text(tagChannel), QStringLiteral("Keep"));
    }

    void startFailsOnTakenPort() {
        Fixture f;
        QVERIFY(f.start());
        ServerRole second(f.options, f.ports, [] { return false; });
        const QString failure = second.StartServer();
        QVERIFY(!failure.isEmpty());
        QVERIFY(failure.contains(QString::number(f.ports.TcpPort)));
        QVERIFY(!second.isRunning());
    }

    void portErrorAtLoginStillLogsIn() {
        Fixture f;
        QVERIFY(f.start());
        QUdpSocket squatter;
        QVERIFY(squatter.bind(QHostAddress::Any, f.ports.serverUdpPort(1)));
        QSignalSpy errors(f.server.get(), &ServerRole::portError);
        ServerTestClient& a = f.join(QStringLiteral("A"));
        QCOMPARE(a.index, 1);
        QCOMPARE(errors.size(), 1);
        QVERIFY(f.server->users().at(1)->Active);
        QVERIFY(!f.server->users().at(1)->VoicePort);
    }

    // --- requests the server must not act on --------------------------------------------

    void requestsBeforeLoginAreIgnored() {
        Fixture f;
        f.options.EPassword = QStringLiteral("pw");
        QVERIFY(f.start());
        ServerTestClient& a = f.add();
        a.login(QStringLiteral("A"), QStringLiteral("pw"));
        QVERIFY(a.waitFor(msgWelcome));
        a.send(MessageWriter(msgAddChannel).Text(tagChannel, QStringLiteral("Mine")));
        QVERIFY(a.waitFor(msgAddChannel));

        ServerTestClient& x = f.add(); // never logs in, or fails to
        x.login(QStringLiteral("X"), QStringLiteral("guess"));
        QVERIFY(x.waitFor(msgPasswordRequired));
        x.send(MessageWriter(msgDropUser).Int(tagUser, 1));
        x.send(MessageWriter(msgRemoveChannel).Int(tagChannelIndex, 1));
        x.send(MessageWriter(msgAddChannel).Text(tagChannel, QStringLiteral("Evil")));
        x.send(MessageWriter(msgMoveUser).Int(tagUser, 1).Int(tagChannelIndex, 9));
        x.send(MessageWriter(msgMute).Int(tagUser, 1));
        x.send(MessageWriter(msgTalkStart).Int(tagUser, 1));
        x.send(MessageWriter(msgSayToChannel).Int(tagChannelIndex, 0).Text(tagText, QStringLiteral("boo")));
        // A later request from a logged-in user is the witness that all of these were read.
        const qsizetype from = a.messages.size();
        a.send(MessageWriter(msgSay).Int(tagUser, 1).Text(tagText, QStringLiteral("sync")));
        const Received* sync = a.waitFor(msgSay, 5000, from);
        QVERIFY(sync);
        QCOMPARE(sync->text(tagText), QStringLiteral("sync"));
        QCOMPARE(a.codes(from), L({msgSay}));
        QVERIFY(a.connected());
        QCOMPARE(f.server->ServerChannelCount(), 1);
        QVERIFY(f.server->channels().at(1)->Active);
        QCOMPARE(f.server->users().at(1)->Channel, 0);
        QVERIFY(!f.server->users().at(1)->Muted);
    }

    void voiceOnlyFromTheUsersOwnAddress() {
        Fixture f;
        QVERIFY(f.start());
        ServerTestClient& l = f.join(QStringLiteral("L"));
        ServerTestClient& s = f.join(QStringLiteral("S"));
        QVERIFY(l.openVoice() && s.openVoice());
        QUdpSocket intruder;
        QVERIFY(intruder.bind(QHostAddress(QStringLiteral("127.0.0.9")), 0));
        const quint16 port = f.ports.serverUdpPort(2);
        intruder.writeDatagram("CMDBOL", QHostAddress::LocalHost, port);
        s.sendDatagram("CMDBOL");
        QTRY_COMPARE_WITH_TIMEOUT(f.server->users().at(1)->SlotSpeaker[0], 2, 5000);
        QCOMPARE(f.server->users().at(1)->SlotSpeaker[1], 0); // the intruder's start gave nothing
        intruder.writeDatagram("forged", QHostAddress::LocalHost, port);
        intruder.writeDatagram(talkTarget(true, 1, 5), QHostAddress::LocalHost, port);
        QTest::qWait(20);
        s.sendDatagram("genuine");
        QVERIFY(waitSlot(l, 0, 1));
        QTest::qWait(20);
        QCOMPARE(l.slot[0], QList<QByteArray>({"genuine"}));
        QVERIFY(!f.server->users().at(1)->Talks.get(5));
        // Oversized datagrams are not relayed either.
        s.sendDatagram(QByteArray(513, 'x'));
        s.sendDatagram(QByteArray(512, 'y'));
        QVERIFY(waitSlot(l, 0, 2));
        QCOMPARE(l.slot[0].last(), QByteArray(512, 'y'));
    }

    void pendingOverflowClosesTheConnection() {
        Fixture f;
        QVERIFY(f.start());
        ServerTestClient& a = f.join(QStringLiteral("A"));
        ServerTestClient& b = f.join(QStringLiteral("B"));
        QVERIFY(a.waitFor(msgUserInfo, 5000, 2));
        b.sendRaw(QByteArray(kMaxPending + 1024, 'z'));
        QTRY_VERIFY_WITH_TIMEOUT(!b.connected(), 5000);
        const Received* gone = a.waitFor(msgUserRemoved);
        QVERIFY(gone);
        QCOMPARE(gone->i(tagUser), 2);
        QVERIFY(a.connected());
    }

    void userIndexesOutsideTheTableAreIgnored_data() {
        QTest::addColumn<QByteArray>("request");
        for (int u : {0, -1, 99, 65536}) {
            const QByteArray n = QByteArray::number(u);
            QTest::newRow("drop " + n) << MessageWriter(msgDropUser).Int(tagUser, u).bytes();
            QTest::newRow("mute " + n) << MessageWriter(msgMute).Int(tagUser, u).bytes();
            QTest::newRow("move " + n) << MessageWriter(msgMoveUser).Int(tagUser, u).Int(tagChannelIndex, 1).bytes();
            QTest::newRow("say " + n) << MessageWriter(msgSay).Int(tagUser, u).Text(tagText, QStringLiteral("t")).bytes();
            QTest::newRow("listen " + n)
                << MessageWriter(msgListenToggle).Int(tagUser, u).Int(tagChannelIndex, 1).bytes();
            QTest::newRow("talk " + n) << MessageWriter(msgTalkTargetOn).Int(tagUser, u).Int(tagChannelIndex, 1).bytes();
        }
        QTest::newRow("drop without user") << MessageWriter(msgDropUser).bytes();
        QTest::newRow("cut short") << MessageWriter(msgMoveUser).Int(tagUser, 1).bytes().left(13);
    }
    void userIndexesOutsideTheTableAreIgnored() {
        QFETCH(QByteArray, request);
        Fixture f;
        QVERIFY(f.start());
        ServerTestClient& a = f.join(QStringLiteral("A"));
        ServerTestClient& b = f.join(QStringLiteral("B"));
        QVERIFY(a.waitFor(msgUserInfo, 5000, 2));
        const qsizetype from = a.messages.size();
        a.send(request);
        a.send(MessageWriter(msgSay).Int(tagUser, 1).Text(tagText, QStringLiteral("sync")));
        QVERIFY(a.waitFor(msgSay, 5000, from));
        QCOMPARE(a.codes(from), L({msgSay}));
        QCOMPARE(f.server->ServerUserCount(), 2);
        QVERIFY(a.connected() && b.connected());
        QCOMPARE(f.server->users().at(1)->Channel, 0);
    }

    void channelIndexesNeverGrowWithoutBound() {
        Fixture f;
        QVERIFY(f.start());
        ServerTestClient& a = f.join(QStringLiteral("A"));
        QVERIFY(a.openVoice());
        for (int c : {std::numeric_limits<int32_t>::max(), 1000000000, -5, kMaxTableIndex}) {
            a.send(MessageWriter(msgListenToggle).Int(tagUser, 1).Int(tagChannelIndex, c));
            a.send(MessageWriter(msgTalkTargetOn).Int(tagUser, 1).Int(tagChannelIndex, c));
            a.sendDatagram(talkTarget(true, 1, c));
            a.send(MessageWriter(msgRemoveChannel).Int(tagChannelIndex, c));
        }
        a.send(MessageWriter(msgMoveUser).Int(tagUser, 1).Int(tagChannelIndex, std::numeric_limits<int32_t>::max()));
        QVERIFY(a.waitFor(msgUserMoved));
        const TsUser& u = *f.server->users().at(1);
        QVERIFY(u.Listens.length() <= kMaxTableIndex + 1);
        QVERIFY(u.Talks.length() <= kMaxTableIndex + 1);
        QVERIFY(u.Listens.get(kMaxTableIndex));
        QCOMPARE(f.server->ServerChannelCount(), 0);
        QCOMPARE(a.codes().count(msgRemoveChannel), 0); // no such channels, nothing announced
        // Hearing still works for a user whose arrays reach the bound.
        a.sendDatagram("CMDBOL");
        a.sendDatagram("still fine");
        QTest::qWait(50);
        QVERIFY(a.connected());
    }
};

QTEST_GUILESS_MAIN(TestServer)
#include "tst_server.moc"
