#include "ServerTestClient.h"
#include "common/TestPorts.h"
#include "core/Message.h"
#include "core/Options.h"
#include "core/ServerRole.h"

#include <QSignalSpy>
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
};

QTEST_GUILESS_MAIN(TestServer)
#include "tst_server.moc"
