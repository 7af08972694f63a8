// Real client roles against a real server role, over loopback in one process. Each client
// binds its own loopback address, as copies on different machines would have their own.
#include "ClientFakes.h"
#include "common/TestPorts.h"
#include "core/ServerRole.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <memory>

using namespace korvel;
using namespace korvel::test;

namespace {
const QString kAdminHint = QStringLiteral("Specify the administrative password to access this feature.");
const QString kConnectHint = QStringLiteral("Specify the password to connect to this server.");
const QString kLocal = QStringLiteral("127.0.0.1");
} // namespace

class TestClientRole : public QObject {
    Q_OBJECT

    Options serverOptions;
    PortConfig plan;
    bool serverLoopback = false;
    std::unique_ptr<ServerRole> server;
    std::vector<std::unique_ptr<ClientFixture>> clients;

    ClientFixture& client(const QString& name) {
        const QString address = QStringLiteral("127.0.0.%1").arg(clients.size() + 2);
        clients.push_back(std::make_unique<ClientFixture>(plan, name, address));
        return *clients.back();
    }

    // Joins and waits until the client holds `present` users with entries.
    void join(ClientFixture& c, int present, const QString& password = QString()) {
        c.select(kLocal, password);
        c.role.Connect();
        QTRY_COMPARE_WITH_TIMEOUT(PresentUserCount(c.role.TcUser), present, 5000);
    }

    static bool sawMuted(const ClientFixture& c, int32_t user) {
        const auto* rec = c.role.TcUser.at(user);
        return rec && rec->Muted;
    }

private slots:
    void init() {
        serverOptions = Options();
        plan = freePortPlan();
        serverLoopback = false;
        server = std::make_unique<ServerRole>(serverOptions, plan, [this] { return serverLoopback; });
        QCOMPARE(server->StartServer(), QString());
    }
    void cleanup() {
        clients.clear();
        server.reset();
    }

    // The newcomer learns itself, the channels, then the others; each user is greeted.
    void joinWithTwoUsersPresent() {
        ClientFixture& bob = client(QStringLiteral("Bob"));
        join(bob, 1);
        bob.role.AddChannelNamed(QStringLiteral("Lobby"));
        QTRY_VERIFY_WITH_TIMEOUT(bob.role.TcChannel.at(1), 5000);
        ClientFixture& cy = client(QStringLiteral("Cy"));
        join(cy, 2);
        cy.role.JoinChannel(1);
        QTRY_COMPARE_WITH_TIMEOUT(bob.role.TcUser.at(2)->Channel, 1, 5000);

        ClientFixture& ann = client(QStringLiteral("Ann"));
        ann.options.CSound = true;
        ann.options.CSpeakConnect = true;
        join(ann, 3);
        QCOMPARE(ann.role.OwnIndex, 3);
        QCOMPARE(ann.view.log, (QStringList{QStringLiteral("welcome"), QStringLiteral("addUser 3"),
                                            QStringLiteral("addChannel 1"), QStringLiteral("addUser 1"),
                                            QStringLiteral("addUser 2")}));
        QCOMPARE(ann.sounds.connects, 3);
        QCOMPARE(ann.speech.spoken, (QStringList{QStringLiteral("Ann has connected"), QStringLiteral("Bob has connected"),
                                                 QStringLiteral("Cy has connected")}));
        QCOMPARE(ann.audio.started, QList<int32_t>{1});
        QCOMPARE(ann.view.serverCaption, QStringLiteral("127.0.0.1 (3 Users)"));
        QCOMPARE(ann.view.channelCaptions.value(1), QStringLiteral("Lobby (1 User)"));
        QCOMPARE(ann.view.userCaptions.value(2), QStringLiteral("Cy (1.6 V)"));
        // The others hear of the newcomer once.
        QTRY_COMPARE_WITH_TIMEOUT(PresentUserCount(bob.role.TcUser), 3, 5000);
        QCOMPARE(bob.view.entries(QStringLiteral("addUser 3")).size(), 1);

        // Leaving: the others see the entry go, with the disconnect sound.
        ann.role.Disconnect();
        QTRY_COMPARE_WITH_TIMEOUT(PresentUserCount(bob.role.TcUser), 2, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!ann.role.IsConnected(), 5000);
        QCOMPARE(ann.role.TcUser.count(), 0);
        QVERIFY(!ann.view.disconnectVisible);
        QCOMPARE(bob.view.serverCaption, QStringLiteral("127.0.0.1 (2 Users)"));
    }

    void wrongOrMissingPassword_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("confirm");
        QTest::newRow("wrong, then OK") << QStringLiteral("secret") << true;
        QTest::newRow("missing, then OK") << QString() << true;
        QTest::newRow("wrong, then cancel") << QStringLiteral("secret") << false;
    }
    void wrongOrMissingPassword() {
        QFETCH(QString, stored);
        QFETCH(bool, confirm);
        serverOptions.EPassword = QStringLiteral("Secret");
        ClientFixture& ann = client(QStringLiteral("Ann"));
        if (confirm) ann.prompt.answers.push_back(QStringLiteral("Secret"));
        QSignalSpy asked(&ann.role, &ClientRole::passwordRequired);
        QSignalSpy welcomed(&ann.role, &ClientRole::loggedIn);
        ann.select(kLocal, stored);
        ann.role.Connect();
        QVERIFY(asked.wait(5000));
        QCOMPARE(ann.prompt.calls.size(), 1);
        QCOMPARE(ann.prompt.calls[0].caption, QStringLiteral("Password"));
        QCOMPARE(ann.prompt.calls[0].hint, kConnectHint);
        QCOMPARE(ann.prompt.calls[0].mask, QChar('*'));
        QTRY_VERIFY_WITH_TIMEOUT(!ann.role.IsConnected(), 5000);
        if (!confirm) {
            QVERIFY(!ann.role.ReconnectPending);
            QVERIFY(!ann.role.ReconnectScheduled());
            QCOMPARE(ann.view.selected->password, stored);
            QCOMPARE(welcomed.size(), 0);
            return;
        }
        QElapsedTimer sinceOk;
        sinceOk.start();
        QVERIFY(ann.role.ReconnectPending);
        QVERIFY(ann.role.ReconnectScheduled());
        QCOMPARE(ann.view.selected->password, QStringLiteral("Secret"));
        QVERIFY(welcomed.wait(5000));
        QVERIFY(sinceOk.elapsed() >= 900);
        QCOMPARE(ann.role.ServerPassword, QStringLiteral("Secret"));
        QVERIFY(!ann.role.ReconnectPending);
    }

    // No prompts without an administrative password: every feature just runs.
    void openAdministration() {
        ClientFixture& ann = client(QStringLiteral("Ann"));
        join(ann, 1);
        ClientFixture& bob = client(QStringLiteral("Bob"));
        join(bob, 2);
        ann.prompt.answers.push_back(QStringLiteral("Den"));
        ann.role.AddChannel();
        QTRY_VERIFY_WITH_TIMEOUT(bob.role.TcChannel.at(1) && bob.role.TcChannel.at(1)->Node, 5000);
        QCOMPARE(bob.role.TcChannel.at(1)->Name, QStringLiteral("Den"));
        ann.role.Mute({2});
        QTRY_VERIFY_WITH_TIMEOUT(bob.role.SelfMuted, 5000);
        ann.role.DeleteChannels({1});
        QTRY_VERIFY_WITH_TIMEOUT(!bob.role.TcChannel.at(1)->Node, 5000);
        ann.role.Kick({2});
        QTRY_VERIFY_WITH_TIMEOUT(!bob.role.IsConnected(), 5000);
        QCOMPARE(ann.prompt.calls.size(), 1);
        QCOMPARE(ann.prompt.calls[0].caption, QStringLiteral("Add Channel"));
        QCOMPARE(ann.prompt.calls[0].label, QStringLiteral("Channel"));
        QCOMPARE(ann.prompt.calls[0].hint, QStringLiteral("Specify the name of the channel."));
        QCOMPARE(ann.prompt.calls[0].mask, QChar());
    }

    // One prompt, then remembered until the next connection; a wrong entry sends nothing.
    void protectedAdministration() {
        serverOptions.EAdminPassword = QStringLiteral("Boss");
        ClientFixture& ann = client(QStringLiteral("Ann"));
        join(ann, 1);
        ClientFixture& bob = client(QStringLiteral("Bob"));
        join(bob, 2);
        QCOMPARE(ann.role.AdminPassword, QStringLiteral("Boss"));

        ann.prompt.answers.push_back(QStringLiteral("boss")); // letter case counts
        ann.role.Mute({2});
        QCOMPARE(ann.messages.shown, QStringList{QStringLiteral("The password is not accepted.")});
        QCOMPARE(ann.prompt.calls.size(), 1);
        QCOMPARE(ann.prompt.calls[0].hint, kAdminHint);
        QCOMPARE(ann.prompt.calls[0].mask, QChar('*'));
        // Requests keep their order on the link: once the move arrives, a mute would have too.
        ann.role.JoinChannel(0);
        QTRY_COMPARE_WITH_TIMEOUT(bob.view.entries(QStringLiteral("moveUser 1")).size(), 1, 5000);
        QVERIFY(!sawMuted(bob, 2));

        ann.prompt.answers.push_back(QStringLiteral("Boss"));
        ann.role.Mute({2});
        QTRY_VERIFY_WITH_TIMEOUT(bob.role.SelfMuted, 5000);
        ann.role.Mute({2}); // remembered: no prompt; the user is muted, so this unmutes
        QTRY_VERIFY_WITH_TIMEOUT(!bob.role.SelfMuted, 5000);
        QCOMPARE(ann.prompt.calls.size(), 2);

        // Cancel refuses without a message.
        bob.role.Kick({1});
        QCOMPARE(bob.prompt.calls.size(), 1);
        QVERIFY(bob.messages.shown.isEmpty());

        // A new connection forgets the entry.
        ann.role.Connect();
        QTRY_VERIFY_WITH_TIMEOUT(ann.role.IsConnected() && ann.role.OwnIndex > 0 && !ann.role.AdminPassword.isEmpty(), 5000);
        QVERIFY(ann.role.AdminEntered.isEmpty());
        ann.role.Kick({2}); // script used up: cancelled
        QCOMPARE(ann.prompt.calls.size(), 3);
    }

    // Kick and mute go out for the whole selection, last selected first.
    void selectionsGoLastSelectedFirst() {
        ClientFixture& ann = client(QStringLiteral("Ann"));
        join(ann, 1);
        ClientFixture& bob = client(QStringLiteral("Bob"));
        join(bob, 2);
        ClientFixture& cy = client(QStringLiteral("Cy"));
        join(cy, 3);
        QSignalSpy muted(&ann.role, &ClientRole::muteChanged);
        ann.role.Mute({3, 2});
        QTRY_COMPARE_WITH_TIMEOUT(muted.size(), 2, 5000);
        QCOMPARE(muted[0][0].value<int32_t>(), 3);
        QCOMPARE(muted[1][0].value<int32_t>(), 2);
        QSignalSpy removed(&ann.role, &ClientRole::userRemoved);
        ann.role.Kick({2, 3});
        QTRY_COMPARE_WITH_TIMEOUT(removed.size(), 2, 5000);
        QCOMPARE(removed[0][0].value<int32_t>(), 2);
        QCOMPARE(removed[1][0].value<int32_t>(), 3);
    }

    void mutedByAnotherUser() {
        ClientFixture& ann = client(QStringLiteral("Ann"));
        join(ann, 1);
        ClientFixture& bob = client(QStringLiteral("Bob"));
        join(bob, 2);
        bob.role.Mute({1});
        QTRY_VERIFY_WITH_TIMEOUT(ann.role.SelfMuted, 5000);
        QCOMPARE(ann.view.userCaptions.value(1), QStringLiteral("Ann (Muted) (1.6 V)"));
        QTRY_VERIFY_WITH_TIMEOUT(sawMuted(bob, 1), 5000);
        bob.role.Mute({1});
        QTRY_VERIFY_WITH_TIMEOUT(!ann.role.SelfMuted, 5000);
        QCOMPARE(ann.view.userCaptions.value(1), QStringLiteral("Ann (1.6 V)"));
    }

    void backToRootOnlyOutsideTheRoot() {
        ClientFixture& ann = client(QStringLiteral("Ann"));
        join(ann, 1);
        QVERIFY(!ann.role.BackToRoot());
        ann.role.AddChannelNamed(QStringLiteral("Den"));
        QTRY_VERIFY_WITH_TIMEOUT(ann.role.TcChannel.at(1), 5000);
        ann.role.JoinChannel(1);
        QTRY_COMPARE_WITH_TIMEOUT(ann.role.CurrentChannel, 1, 5000);
        QCOMPARE(ann.view.channelCaptions.value(1), QStringLiteral("Den (1 User)"));
        ann.role.ServerEntryActivated(); // connected: the double-click on the server entry
        QTRY_COMPARE_WITH_TIMEOUT(ann.role.CurrentChannel, 0, 5000);
        QCOMPARE(ann.view.channelCaptions.value(1), QStringLiteral("Den"));
        QCOMPARE(ann.view.entries(QStringLiteral("moveUser")),
                 (QStringList{QStringLiteral("moveUser 1 0 1"), QStringLiteral("moveUser 1 1 0")}));
        QVERIFY(!ann.role.BackToRoot());
    }

    // Loopback: starts this copy's server, joins it without list entries, and leaving keeps
    // the server running.
    void loopbackMode() {
        server->StopServer();
        QVERIFY(!server->isRunning());
        ClientFixture& ann = client(QStringLiteral("Ann"));
        // One process holds both roles: the client's options are the server's.
        ann.options.EPassword = QStringLiteral("Own");
        serverOptions.EPassword = QStringLiteral("Own");
        ann.options.CSound = true;
        ann.options.CSpeakConnect = true;
        ann.role.SetLocalServer({[this] { return server->isRunning(); },
                                 [this] { return server->StartServer().isEmpty(); },
                                 [this](bool on) { serverLoopback = on; }});
        ann.select(QStringLiteral("127.0.0.9")); // the selection plays no part
        QSignalSpy welcomed(&ann.role, &ClientRole::loggedIn);
        ann.role.SetLoopbackMode(true);
        QVERIFY(server->isRunning());
        QVERIFY(serverLoopback);
        QVERIFY(welcomed.wait(5000));
        QTRY_VERIFY_WITH_TIMEOUT(ann.role.TcUser.at(1), 5000);
        QCOMPARE(ann.role.ServerAddress, kLocal);
        QCOMPARE(ann.role.ServerNode, nullptr);
        QCOMPARE(ann.role.TcUser.at(1)->Name, QStringLiteral("Ann"));
        QVERIFY(!ann.role.TcUser.at(1)->Node);
        QCOMPARE(ann.sounds.connects, 0);
        QVERIFY(ann.speech.spoken.isEmpty());

        QSignalSpy dropped(&ann.role, &ClientRole::linkDropped);
        ann.role.SetLoopbackMode(false);
        QVERIFY(dropped.wait(5000));
        QVERIFY(!serverLoopback);
        QVERIFY(!ann.view.loopbackChecked);
        QVERIFY(server->isRunning());
    }
};

QTEST_GUILESS_MAIN(TestClientRole)
#include "tst_client_role.moc"
