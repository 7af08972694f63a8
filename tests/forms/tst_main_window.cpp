// The main window as a user drives it, joined to the program's own server role over loopback,
// with bare protocol clients on their own loopback addresses as the other users.

#include "GuiHelpers.h"
#include "app/DesktopApp.h"
#include "common/TestPorts.h"
#include "core/ClientRole.h"
#include "core/Message.h"
#include "core/ServerRole.h"
#include "core/ServerTestClient.h"
#include "forms/TreeEntry.h"
#include "forms/UConnection.h"
#include "forms/UEdit.h"
#include "forms/UMain.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace korvel;
using namespace korvel::test;

class TestMainWindow : public QObject {
    Q_OBJECT

    QTemporaryDir config_, runtime_;
    PortConfig plan_;
    std::unique_ptr<DesktopApp> app_;
    TFMain* w_ = nullptr;
    std::vector<std::unique_ptr<ServerTestClient>> others_;

    QTreeWidgetItem* serverEntry(const QString& address) {
        for (TreeEntry* e : w_->serverEntries())
            if (e->node.address == address) return e;
        return nullptr;
    }
    QTreeWidgetItem* live() { return static_cast<QTreeWidgetItem*>(app_->client()->ServerNode); }

    ServerTestClient* other(const QString& address, const QString& name) {
        others_.push_back(std::make_unique<ServerTestClient>(address, plan_));
        ServerTestClient* c = others_.back().get();
        if (!c->connectToServer() || c->loginAndWait(name) == 0) return nullptr;
        return c;
    }

    // Double-clicks the entry of 127.0.0.1 and waits for the welcome.
    bool joinGui() {
        QTreeWidgetItem* entry = serverEntry(QStringLiteral("127.0.0.1"));
        if (!entry) return false;
        selectOnly(w_->TItems, {entry});
        emit w_->TItems->itemDoubleClicked(entry, 0);
        return QTest::qWaitFor([&] { return app_->client()->OwnIndex > 0 && app_->client()->TcUser.count() > 0 &&
                                            w_->findChild<QAction*>(QStringLiteral("BDisconnect"))->isVisible(); },
                               5000);
    }

    bool leaveGui() {
        if (app_->client()->IsConnected()) w_->cmdDisconnect();
        return QTest::qWaitFor([&] { return !app_->client()->IsConnected(); }, 5000);
    }

    QAction* act(const char* name) { return w_->findChild<QAction*>(QString::fromLatin1(name)); }

private slots:
    void initTestCase() {
        QVERIFY(config_.isValid() && runtime_.isValid());
        qputenv("XDG_CONFIG_HOME", config_.path().toUtf8());
        qputenv("XDG_RUNTIME_DIR", runtime_.path().toUtf8());
        plan_ = freePortPlan();
        const QStringList args{QStringLiteral("Korvel"), QStringLiteral("/CTCP=%1").arg(plan_.TcpPort),
                               QStringLiteral("/CUDP=%1").arg(plan_.ClientUdpBase),
                               QStringLiteral("/SUDP=%1").arg(plan_.ServerUdpBase)};
        app_ = std::make_unique<DesktopApp>(args);
        app_->CreateForms();
        app_->options().EDIHotKey = QStringLiteral("F12"); // no hotkey reminder on double-click
        QVERIFY(app_->StartUp());
        w_ = app_->mainWindow();
        QVERIFY(w_->isVisible());
        QCOMPARE(w_->windowTitle(), QStringLiteral("Korvel"));
        QCOMPARE(app_->ports().TcpPort, plan_.TcpPort);
        QCOMPARE(w_->BHost->text(), QStringLiteral("Server: OFF"));

        w_->BHost->click();
        QVERIFY(app_->serverListening());
        QCOMPARE(w_->BHost->text(), QStringLiteral("Server: ON"));
        w_->appendServerEntry(QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.1"), QString());
    }

    void cleanupTestCase() {
        others_.clear();
        if (w_) w_->close();
        app_.reset();
    }

    void cleanup() {
        QVERIFY(leaveGui());
        others_.clear();
        QTest::qWait(50);
        app_->options().EAdminPassword.clear();
        app_->options().EPassword.clear();
    }

    void treeAfterJoining() {
        ServerTestClient* alice = other(QStringLiteral("127.0.0.2"), QStringLiteral("Alice"));
        ServerTestClient* bob = other(QStringLiteral("127.0.0.3"), QStringLiteral("Bob"));
        QVERIFY(alice && bob);
        const qsizetype mark = alice->messages.size();
        alice->send(MessageWriter(msgAddChannel).Text(tagChannel, QStringLiteral("Red")));
        alice->send(MessageWriter(msgAddChannel).Text(tagChannel, QStringLiteral("Blue")));
        QVERIFY(alice->waitForCount(mark + 2));
        int32_t blue = 0;
        for (qsizetype i = mark; i < alice->messages.size(); ++i)
            if (alice->messages[i].text(tagChannel) == QLatin1String("Blue")) blue = alice->messages[i].i(tagChannelIndex);
        QVERIFY(blue > 0);
        bob->send(MessageWriter(msgMoveUser).Int(tagUser, bob->index).Int(tagChannelIndex, blue));
        QVERIFY(bob->waitFor(msgUserMoved));

        QVERIFY(joinGui());
        QTreeWidgetItem* server = live();
        QVERIFY(server);
        // Bob is announced inside Blue and counts at once, there and on the server.
        QTRY_COMPARE_WITH_TIMEOUT(server->text(0), QStringLiteral("127.0.0.1 (3 Users)"), 5000);
        // Channels first, the later one on top; users of the root after them.
        QCOMPARE(childCaptions(server), (QStringList{QStringLiteral("Blue (1 User)"), QStringLiteral("Red"),
                                                     QStringLiteral("Player (1.6 V)"), QStringLiteral("Alice (1.6 V)")}) );
        QCOMPARE(childCaptions(server->child(0)), QStringList{QStringLiteral("Bob (1.6 V)")});
        QVERIFY(server->isExpanded() && server->child(0)->isExpanded());

        // A mute from another user and a loss figure show on the caption.
        app_->options().CShowPacketLoss = true;
        bob->send(MessageWriter(msgMute).Int(tagUser, alice->index));
        QTreeWidgetItem* aliceEntry = findByCaptionPrefix(server, QStringLiteral("Alice"));
        QTRY_COMPARE_WITH_TIMEOUT(aliceEntry->text(0), QStringLiteral("Alice (Muted) (1.6 V)"), 5000);
        app_->client()->DispatchFromServer(
            MessageWriter(msgPacketLoss).Int(tagUser, alice->index).Int(tagLostCount, 3).bytes());
        QCOMPARE(aliceEntry->text(0), QStringLiteral("Alice (Muted) (3 PL) (1.6 V)"));
        app_->options().CShowPacketLoss = false;

        // The talking image follows the talk marks.
        alice->send(MessageWriter(msgTalkStart).Int(tagUser, alice->index));
        QTRY_VERIFY_WITH_TIMEOUT(aliceEntry->icon(0).cacheKey() != findByCaptionPrefix(server, QStringLiteral("Player"))->icon(0).cacheKey(), 5000);

        // Leaving: the entry goes and the count follows.
        others_[1].reset();
        QTRY_COMPARE_WITH_TIMEOUT(server->text(0), QStringLiteral("127.0.0.1 (2 Users)"), 5000);
        QCOMPARE(server->child(0)->text(0), QStringLiteral("Blue"));
        QVERIFY(leaveGui());
        QTRY_COMPARE_WITH_TIMEOUT(server->childCount(), 0, 5000);
        QCOMPARE(server->text(0), QStringLiteral("127.0.0.1"));
    }

    void doubleClickRules() {
        QVERIFY(other(QStringLiteral("127.0.0.2"), QStringLiteral("Alice")));
        QVERIFY(joinGui());
        QTreeWidgetItem* server = live();
        ClientRole* c = app_->client();
        QTRY_VERIFY_WITH_TIMEOUT(findByCaptionPrefix(server, QStringLiteral("Red")), 5000);
        QTreeWidgetItem* red = findByCaptionPrefix(server, QStringLiteral("Red"));
        const int32_t redIndex = TreeEntry::of(red)->node.channel;

        // A user entry does nothing.
        QTreeWidgetItem* alice = findByCaptionPrefix(server, QStringLiteral("Alice"));
        selectOnly(w_->TItems, {alice});
        w_->cmdDoubleClick();
        QTest::qWait(100);
        QCOMPARE(c->CurrentChannel, 0);

        // A channel: join it.
        selectOnly(w_->TItems, {red});
        w_->cmdDoubleClick();
        QTRY_COMPARE_WITH_TIMEOUT(c->CurrentChannel, redIndex, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(findByCaptionPrefix(red, QStringLiteral("Player")), 5000);
        QCOMPARE(red->text(0), QStringLiteral("Red (1 User)"));

        // Any server entry, while connected, takes the client back to the root.
        QTreeWidgetItem* otherEntry = w_->appendServerEntry(QStringLiteral("10.9.9.9"), QStringLiteral("10.9.9.9"), {});
        selectOnly(w_->TItems, {otherEntry});
        w_->cmdDoubleClick();
        QTRY_COMPARE_WITH_TIMEOUT(c->CurrentChannel, 0, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(red->text(0), QStringLiteral("Red"), 5000);
        QVERIFY(c->IsConnected());
        QCOMPARE(c->ServerNode, static_cast<void*>(server));
        delete otherEntry;
    }

    void kickAndMuteAskForAdmin() {
        app_->options().EAdminPassword = QStringLiteral("Boss");
        ServerTestClient* bob = other(QStringLiteral("127.0.0.3"), QStringLiteral("Bob"));
        QVERIFY(bob);
        QVERIFY(joinGui());
        QTreeWidgetItem* server = live();
        QTRY_VERIFY_WITH_TIMEOUT(findByCaptionPrefix(server, QStringLiteral("Bob")), 5000);
        QTreeWidgetItem* bobEntry = findByCaptionPrefix(server, QStringLiteral("Bob"));

        // Nothing selected: the password is still asked for; Cancel refuses silently.
        w_->TItems->clearSelection();
        auto asked = onModal<TFEdit>([](TFEdit* d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Password"));
            QCOMPARE(d->EItem->echoMode(), QLineEdit::Password);
            d->findChild<QPushButton*>(QStringLiteral("BCancel"))->click();
        });
        w_->cmdKick();
        QVERIFY(*asked);

        // A wrong password is refused with a message and nothing is sent.
        selectOnly(w_->TItems, {bobEntry});
        onModal<TFEdit>([](TFEdit* d) {
            d->EItem->setText(QStringLiteral("boss"));
            QTest::keyClick(d->EItem, Qt::Key_Return);
        });
        auto refused = answerMessage();
        act("MMMute")->trigger();
        QCOMPARE(*refused, QStringLiteral("The password is not accepted."));
        QTest::qWait(200);
        QCOMPARE(bobEntry->text(0), QStringLiteral("Bob (1.6 V)"));

        // The right one: mute goes out, and the entry is remembered for the kick.
        onModal<TFEdit>([](TFEdit* d) {
            d->EItem->setText(QStringLiteral("Boss"));
            d->findChild<QPushButton*>(QStringLiteral("BOK"))->click();
        });
        act("MMMute")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(bobEntry->text(0), QStringLiteral("Bob (Muted) (1.6 V)"), 5000);
        act("MMMute")->trigger(); // muted: unmute, without a prompt
        QTRY_COMPARE_WITH_TIMEOUT(bobEntry->text(0), QStringLiteral("Bob (1.6 V)"), 5000);
        act("MMKick")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!bob->connected(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!findByCaptionPrefix(server, QStringLiteral("Bob")), 5000);
    }

    void deleteMixedSelection() {
        QVERIFY(joinGui());
        QTreeWidgetItem* server = live();
        QTRY_VERIFY_WITH_TIMEOUT(findByCaptionPrefix(server, QStringLiteral("Blue")), 5000);
        QTreeWidgetItem* blue = findByCaptionPrefix(server, QStringLiteral("Blue"));
        QTreeWidgetItem* spare = w_->appendServerEntry(QStringLiteral("spare"), QStringLiteral("spare"), {});
        const int entries = w_->TItems->topLevelItemCount();

        selectOnly(w_->TItems, {server, spare, blue});
        QTest::keyClick(w_->TItems, Qt::Key_Delete);
        QCOMPARE(w_->TItems->topLevelItemCount(), entries - 1);
        QVERIFY(!serverEntry(QStringLiteral("spare")));
        QCOMPARE(live(), server);
        QTRY_VERIFY_WITH_TIMEOUT(!findByCaptionPrefix(server, QStringLiteral("Blue")), 5000);
        QVERIFY(findByCaptionPrefix(server, QStringLiteral("Red")));

        // Once disconnected the entry in use may go too.
        QVERIFY(leaveGui());
        auto* extra = w_->appendServerEntry(QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.1"), {});
        selectOnly(w_->TItems, {server});
        act("MMDelete")->trigger();
        QVERIFY(!app_->client()->ServerNode);
        QCOMPARE(serverEntry(QStringLiteral("127.0.0.1")), extra);
    }

    void addConnection_data() {
        QTest::addColumn<QString>("button"); // "" = close box
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("kept");
        QTest::newRow("cancel") << "BCancel" << "10.1.1.1" << false;
        QTest::newRow("close box") << "" << "10.1.1.1" << false;
        QTest::newRow("ok") << "BOK" << "10.1.1.1" << true;
        QTest::newRow("ok, empty address") << "BOK" << "" << true;
    }
    void addConnection() {
        QFETCH(QString, button);
        QFETCH(QString, address);
        QFETCH(bool, kept);
        const int before = w_->TItems->topLevelItemCount();
        auto seen = onModal<TFConnection>([button, address](TFConnection* d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Connection"));
            QCOMPARE(d->EHost->text(), QString());
            QVERIFY(d->EHost->hasFocus());
            d->EHost->setText(address);
            d->EPassword->setText(QStringLiteral("p, w\"d"));
            if (button.isEmpty())
                d->close();
            else
                d->findChild<QPushButton*>(button)->click();
        });
        act("BAddConnection")->trigger();
        QVERIFY(*seen);
        QCOMPARE(w_->TItems->topLevelItemCount(), before + (kept ? 1 : 0));
        if (kept) {
            auto* e = TreeEntry::of(w_->TItems->topLevelItem(before));
            QCOMPARE(e->text(0), address);
            QCOMPARE(e->node.password, QStringLiteral("p, w\"d"));
            delete e;
        }
    }

    void propertiesResetsCaption() {
        QVERIFY(joinGui());
        QTreeWidgetItem* server = live();
        QTRY_COMPARE_WITH_TIMEOUT(server->text(0), QStringLiteral("127.0.0.1 (1 User)"), 5000);
        selectOnly(w_->TItems, {server});
        onModal<TFConnection>([](TFConnection* d) {
            QCOMPARE(d->EHost->text(), QStringLiteral("127.0.0.1"));
            d->BOK->click();
        });
        act("MMProperties")->trigger();
        QCOMPARE(server->text(0), QStringLiteral("127.0.0.1"));
        QVERIFY(other(QStringLiteral("127.0.0.2"), QStringLiteral("Alice")));
        QTRY_COMPARE_WITH_TIMEOUT(server->text(0), QStringLiteral("127.0.0.1 (2 Users)"), 5000);
    }

    void addChannelAsksForName() {
        QVERIFY(joinGui());
        QTreeWidgetItem* server = live();
        const int before = server->childCount();
        onModal<TFEdit>([](TFEdit* d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Add Channel"));
            QCOMPARE(d->EItem->echoMode(), QLineEdit::Normal);
            d->EItem->setText(QStringLiteral("Green"));
            QTest::keyClick(d->EItem, Qt::Key_Return);
        });
        act("BAddChannel")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(server->child(0)->text(0), QStringLiteral("Green"), 5000);
        QCOMPARE(server->childCount(), before + 1);
    }

    void passwordPromptAndReconnect() {
        app_->options().EPassword = QStringLiteral("secret");
        auto asked = onModal<TFEdit>([](TFEdit* d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Password"));
            d->EItem->setText(QStringLiteral("secret"));
            d->findChild<QPushButton*>(QStringLiteral("BOK"))->click();
        });
        QTreeWidgetItem* entry = serverEntry(QStringLiteral("127.0.0.1"));
        selectOnly(w_->TItems, {entry});
        w_->cmdDoubleClick();
        QTRY_VERIFY_WITH_TIMEOUT(*asked, 5000);
        QCOMPARE(TreeEntry::of(entry)->node.password, QStringLiteral("secret"));
        QTRY_VERIFY_WITH_TIMEOUT(w_->findChild<QAction*>(QStringLiteral("BDisconnect"))->isVisible(), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(live()->text(0), QStringLiteral("127.0.0.1 (1 User)"), 5000);
        TreeEntry::of(entry)->node.password.clear();
    }

    void loopbackShowsNothing() {
        QVERIFY(other(QStringLiteral("127.0.0.2"), QStringLiteral("Alice")));
        act("MMLoopback")->trigger();
        QVERIFY(act("MMLoopback")->isChecked());
        QTRY_VERIFY_WITH_TIMEOUT(app_->client()->OwnIndex > 0 && app_->client()->TcUser.count() >= 2, 5000);
        QTest::qWait(200);
        QVERIFY(!app_->client()->ServerNode);
        for (int i = 0; i < w_->TItems->topLevelItemCount(); ++i)
            QCOMPARE(w_->TItems->topLevelItem(i)->childCount(), 0);
        act("MMLoopback")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!app_->client()->IsConnected(), 5000);
        QVERIFY(!act("MMLoopback")->isChecked());
        QVERIFY(app_->serverListening());
    }

    void hotkeyReminderBeforeConnecting() {
        app_->options().EDIHotKey = QStringLiteral("  ");
        auto text = answerMessage();
        selectOnly(w_->TItems, {serverEntry(QStringLiteral("127.0.0.1"))});
        w_->cmdDoubleClick();
        QCOMPARE(*text, QStringLiteral("The push to talk feature requires you specify a hotkey."));
        QTRY_VERIFY_WITH_TIMEOUT(w_->findChild<QAction*>(QStringLiteral("BDisconnect"))->isVisible(), 5000);
        app_->options().EDIHotKey = QStringLiteral("F12");
    }

    void serverButtonUp() {
        QVERIFY(joinGui());
        w_->BHost->click();
        QCOMPARE(w_->BHost->text(), QStringLiteral("Server: OFF"));
        QVERIFY(!app_->serverListening());
        QTRY_VERIFY_WITH_TIMEOUT(!app_->client()->IsConnected(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!w_->findChild<QAction*>(QStringLiteral("BDisconnect"))->isVisible(), 5000);
        w_->BHost->click();
        QVERIFY(app_->serverListening());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
