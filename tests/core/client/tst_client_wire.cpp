// The client role against a scripted peer: what it sends at login, and what it does with
// whatever bytes a server sends, well-formed or not.
#include "ClientFakes.h"
#include "common/TestPorts.h"
#include "core/Framing.h"
#include "core/Message.h"
#include "core/Scramble.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <memory>

using namespace korvel;
using namespace korvel::test;

namespace {

// A listening socket that plays the server: it records complete messages and sends bytes.
struct ScriptedServer {
    QTcpServer listener;
    QTcpSocket* peer = nullptr;
    FrameBuffer frames;
    QList<QByteArray> received;

    bool listen(quint16 port) {
        QObject::connect(&listener, &QTcpServer::newConnection, [this] {
            peer = listener.nextPendingConnection();
            QObject::connect(peer, &QTcpSocket::readyRead, [this] { received += frames.append(peer->readAll()); });
        });
        return listener.listen(QHostAddress::Any, port);
    }
    void send(const QByteArray& message) { peer->write(frameMessage(message)); }
    void sendRaw(const QByteArray& bytes) { peer->write(bytes); }
};

QByteArray userInfo(int32_t user, const QString& name, int32_t channel = 0) {
    return MessageWriter(msgUserInfo)
        .Int(tagChannel, channel)
        .Int(tagUser, user)
        .Text(tagName, name)
        .Byte(tagMuted, 0)
        .Int(tagVersionMajor, 1)
        .Int(tagVersionMinor, 6)
        .bytes();
}

} // namespace

class TestClientWire : public QObject {
    Q_OBJECT

    PortConfig plan;
    std::unique_ptr<ScriptedServer> server;
    std::unique_ptr<ClientFixture> client;

    // Connects the client and waits for its login at the scripted server.
    void joinScripted(const QString& password = QString()) {
        client->select(QStringLiteral("127.0.0.1"), password);
        client->role.Connect();
        QTRY_VERIFY_WITH_TIMEOUT(!server->received.isEmpty(), 5000);
    }

private slots:
    void init() {
        plan = freePortPlan();
        server = std::make_unique<ScriptedServer>();
        QVERIFY(server->listen(plan.tcpPort()));
        client = std::make_unique<ClientFixture>(plan, QStringLiteral("Ann"), QStringLiteral("127.0.0.2"));
    }
    void cleanup() {
        client.reset();
        server.reset();
    }

    void loginCarriesIdentityScrambledPasswordAndVersion() {
        client->role.SetProgramVersion(1, 6);
        joinScripted(QStringLiteral("Secret"));
        QVERIFY(server->peer->peerAddress().isEqual(QHostAddress(QStringLiteral("127.0.0.2")),
                                                  QHostAddress::ConvertV4MappedToIPv4));
        MessageReader r(server->received.first());
        QCOMPARE(r.ReadInt(), msgLogin);
        QCOMPARE(r.ReadInt(), tagName);
        QCOMPARE(r.ReadText(), QStringLiteral("Ann"));
        QCOMPARE(r.ReadInt(), tagPassword);
        QCOMPARE(Scramble(r.ReadRawText()), QByteArray("Secret"));
        QCOMPARE(r.ReadInt(), tagVersionMajor);
        QCOMPARE(r.ReadInt(), 1);
        QCOMPARE(r.ReadInt(), tagVersionMinor);
        QCOMPARE(r.ReadInt(), 6);
        QVERIFY(r.atEnd());
    }

    void refusedConnectionIsReported() {
        server->listener.close();
        QSignalSpy failed(&client->role, &ClientRole::connectFailed);
        client->select(QStringLiteral("127.0.0.1"));
        client->role.Connect();
        QVERIFY(failed.wait(5000));
        QCOMPARE(client->messages.shown, QStringList{QStringLiteral("Korvel server is not running at the selected address.")});
        QVERIFY(client->view.statuses.isEmpty());
    }

    void otherFailuresGoToTheStatusLine() {
        QSignalSpy failed(&client->role, &ClientRole::connectFailed);
        client->select(QStringLiteral("no-such-host.invalid"));
        client->role.Connect();
        QVERIFY(failed.wait(10000));
        QCOMPARE(client->view.statuses.size(), 1);
        QVERIFY(client->messages.shown.isEmpty());
    }

    // The later of the two administrative password tags wins; the scrambled one is unscrambled.
    void welcomeTakesTheLaterAdminPassword() {
        joinScripted();
        QSignalSpy welcomed(&client->role, &ClientRole::loggedIn);
        server->send(MessageWriter(msgWelcome)
                         .Int(tagOwnIndex, 4)
                         .Int(tagCodec, 2)
                         .Text(tagAdminPasswordPlain, QStringLiteral("plain"))
                         .Text(tagAdminPassword, Scramble(QStringLiteral("Boss")))
                         .bytes());
        QVERIFY(welcomed.wait(5000));
        QCOMPARE(client->role.OwnIndex, 4);
        QCOMPARE(client->role.AdminPassword, QStringLiteral("Boss"));
        QCOMPARE(client->audio.started, QList<int32_t>{2});
        QVERIFY(client->view.disconnectVisible);
    }

    // Indexes a server has no business sending are ignored; everything else still works.
    void hostileIndexesAndMalformedMessages() {
        joinScripted();
        QSignalSpy added(&client->role, &ClientRole::userAdded);
        server->send(MessageWriter(msgWelcome).Int(tagOwnIndex, 1).Int(tagCodec, 1).bytes());
        server->send(userInfo(kMaxTableIndex + 1, QStringLiteral("Huge")));
        server->send(userInfo(-5, QStringLiteral("Negative")));
        server->send(userInfo(0, QStringLiteral("Nobody")));
        server->send(MessageWriter(msgAddChannel).Int(tagChannelIndex, 1 << 30).Text(tagChannel, QStringLiteral("X")).bytes());
        server->send(MessageWriter(msgUserMoved).Int(tagUser, 40000).Int(tagChannelIndex, 1).bytes());
        server->send(MessageWriter(msgMute).Int(tagUser, 99).bytes());
        server->send(MessageWriter(msgRemoveChannel).Int(tagChannelIndex, -1).bytes());
        server->sendRaw(QByteArray("\x01\x02") + "EOL");                      // shorter than a code
        server->sendRaw(QByteArray::fromHex("0400000067000000ffffff7f") + "EOL"); // a tag whose value never comes
        server->sendRaw(QByteArray::fromHex("0400000067000000040000006400000000ffffff") + "EOL"); // huge text length
        server->send(MessageWriter(999).Int(tagUser, 1).bytes());               // not a code of ours
        server->send(userInfo(1, QStringLiteral("Ann")));
        QTRY_COMPARE_WITH_TIMEOUT(added.size(), 1, 5000);
        QCOMPARE(added.first().first().value<int32_t>(), 1);
        QCOMPARE(client->role.TcUser.count(), 1);
        QCOMPARE(client->role.TcChannel.count(), 0);
        QVERIFY(client->role.IsConnected());
        QCOMPARE(client->view.serverCaption, QStringLiteral("127.0.0.1 (1 User)"));
    }

    // A message split over several segments is handled once; two in one segment, both.
    void framingAcrossSegments() {
        joinScripted();
        QSignalSpy added(&client->role, &ClientRole::userAdded);
        const QByteArray one = frameMessage(userInfo(2, QStringLiteral("Bob")));
        server->sendRaw(one.left(5));
        server->peer->flush();
        QTest::qWait(0);
        server->sendRaw(one.mid(5) + frameMessage(userInfo(3, QStringLiteral("Cy"))));
        QTRY_COMPARE_WITH_TIMEOUT(added.size(), 2, 5000);
        QCOMPARE(client->role.TcUser.at(2)->Name, QStringLiteral("Bob"));
        QCOMPARE(client->role.TcUser.at(3)->Name, QStringLiteral("Cy"));
    }

    // A user announced twice keeps one entry.
    void repeatedAnnouncementKeepsOneEntry() {
        joinScripted();
        QSignalSpy added(&client->role, &ClientRole::userAdded);
        server->send(userInfo(2, QStringLiteral("Bob")));
        server->send(userInfo(2, QStringLiteral("Bob")));
        QTRY_COMPARE_WITH_TIMEOUT(added.size(), 2, 5000);
        QCOMPARE(client->view.entries(QStringLiteral("removeUser")), QStringList{QStringLiteral("removeUser 2")});
        QCOMPARE(client->view.serverCaption, QStringLiteral("127.0.0.1 (1 User)"));
    }

    void overflowDropsTheLink() {
        joinScripted();
        QSignalSpy dropped(&client->role, &ClientRole::linkDropped);
        server->sendRaw(QByteArray(kMaxPending + 100, 'x'));
        QVERIFY(dropped.wait(5000));
        QVERIFY(!client->role.IsConnected());
    }

    // The server closing the link clears the live entries, the users and the audio.
    void droppedLinkClearsLiveState() {
        joinScripted();
        QSignalSpy dropped(&client->role, &ClientRole::linkDropped);
        server->send(MessageWriter(msgWelcome).Int(tagOwnIndex, 1).Int(tagCodec, 1).bytes());
        server->send(MessageWriter(msgAddChannel).Int(tagChannelIndex, 1).Text(tagChannel, QStringLiteral("A")).bytes());
        server->send(userInfo(1, QStringLiteral("Ann"), 1));
        QTRY_VERIFY_WITH_TIMEOUT(client->role.TcUser.count() == 1 && client->role.TcUser.at(1)->Node, 5000);
        server->peer->disconnectFromHost();
        QVERIFY(dropped.wait(5000));
        QCOMPARE(client->role.TcUser.count(), 0);
        QVERIFY(client->role.TcChannel.at(1) && !client->role.TcChannel.at(1)->Node);
        QCOMPARE(client->role.TcChannel.at(1)->Name, QStringLiteral("A"));
        QVERIFY(!client->view.disconnectVisible);
        QCOMPARE(client->audio.stopped, 1);
        QCOMPARE(client->view.serverCaption, QStringLiteral("127.0.0.1"));
    }

    // Connect() closes the previous link first, then joins afresh.
    void connectAgainClosesThePreviousLink() {
        joinScripted();
        QTcpSocket* first = server->peer;
        QSignalSpy firstGone(first, &QTcpSocket::disconnected);
        server->received.clear();
        client->role.Connect();
        QVERIFY(firstGone.count() > 0 || firstGone.wait(5000));
        QTRY_VERIFY_WITH_TIMEOUT(server->peer != first && !server->received.isEmpty(), 5000);
        QVERIFY(client->messages.shown.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestClientWire)
#include "tst_client_wire.moc"
