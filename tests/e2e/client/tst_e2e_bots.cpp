// korvel-bot processes on their own loopback addresses against a korvel-server process: what
// each bot writes on its standard output is what a script following a server would see.
#include "common/TestPorts.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>
#include <functional>
#include <memory>
#include <vector>

using namespace korvel;

namespace {

constexpr int kWaitMs = 15000;

// A child program whose standard output is read line by line as it comes.
class Child : public QObject {
public:
    explicit Child(const QString& name) : name_(name) {
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        connect(&process, &QProcess::readyReadStandardOutput, this, [this] {
            pending_ += process.readAllStandardOutput();
            qsizetype nl;
            while ((nl = pending_.indexOf('\n')) >= 0) {
                const QByteArray line = pending_.left(nl);
                pending_.remove(0, nl + 1);
                lines << QString::fromUtf8(line);
                const QJsonDocument doc = QJsonDocument::fromJson(line);
                if (doc.isObject()) events << doc.object();
            }
        });
    }
    ~Child() override {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }

    bool finished() const { return process.state() == QProcess::NotRunning; }
    int exitCode() const { return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1; }

    // Events named `event` for which `match` holds.
    int count(const QString& event, const std::function<bool(const QJsonObject&)>& match = {}) const {
        int n = 0;
        for (const QJsonObject& e : events)
            if (e.value("event").toString() == event && (!match || match(e))) ++n;
        return n;
    }
    bool saw(const QString& event, const std::function<bool(const QJsonObject&)>& match = {}) const {
        return count(event, match) > 0;
    }
    QString dump() const { return name_ + QStringLiteral(":\n  ") + lines.join(QStringLiteral("\n  ")); }

    QProcess process;
    QStringList lines;
    QList<QJsonObject> events;

private:
    QString name_;
    QByteArray pending_;
};

std::function<bool(const QJsonObject&)> named(const QString& name) {
    return [name](const QJsonObject& e) { return e.value("name").toString() == name; };
}

} // namespace

class TestE2eBots : public QObject {
    Q_OBJECT

    PortConfig plan;
    QString serverBin, botBin;
    std::vector<std::unique_ptr<Child>> children;

    QStringList portSwitches() const {
        return {QStringLiteral("/CTCP=%1").arg(plan.TcpPort), QStringLiteral("/CUDP=%1").arg(plan.ClientUdpBase),
                QStringLiteral("/SUDP=%1").arg(plan.ServerUdpBase)};
    }

    Child* startServer(const QStringList& extra = {}) {
        children.push_back(std::make_unique<Child>(QStringLiteral("server")));
        Child* c = children.back().get();
        c->process.start(serverBin, portSwitches() + extra);
        return c;
    }

    Child* startBot(const QString& name, const QString& address, const QStringList& extra = {}) {
        children.push_back(std::make_unique<Child>(name));
        Child* c = children.back().get();
        c->process.start(botBin, QStringList{QStringLiteral("--server=127.0.0.1"), QStringLiteral("--name=") + name,
                                             QStringLiteral("--bind=") + address} +
                                     portSwitches() + extra);
        return c;
    }

    QString dumpAll() const {
        QStringList out;
        for (const auto& c : children) out << c->dump();
        return out.join('\n');
    }

private slots:
    void initTestCase() {
        serverBin = qEnvironmentVariable("KORVEL_SERVER_BIN");
        botBin = qEnvironmentVariable("KORVEL_BOT_BIN");
        if (serverBin.isEmpty() || botBin.isEmpty()) QSKIP("KORVEL_SERVER_BIN and KORVEL_BOT_BIN name the programs");
    }
    void init() { plan = test::freePortPlan(); }
    void cleanup() {
        if (QTest::currentTestFailed()) qWarning().noquote() << dumpAll();
        children.clear();
    }

    // Join, move, mute, kick and leave, each seen by the others.
    void botsFollowEachOther() {
        Child* server = startServer({QStringLiteral("--admin-password=Boss")});
        QTRY_VERIFY_WITH_TIMEOUT(server->lines.join(' ').contains("listening"), kWaitMs);

        Child* ann = startBot(QStringLiteral("Ann"), QStringLiteral("127.0.0.2"),
                              {QStringLiteral("--channel=Den"), QStringLiteral("--create"),
                               QStringLiteral("--admin-password=Boss")});
        QTRY_VERIFY_WITH_TIMEOUT(ann->saw("moved", named("Ann")), kWaitMs);
        QVERIFY(ann->saw("prompt", [](const QJsonObject& e) { return e.value("answered").toBool(); }));
        QVERIFY(ann->saw("channel_added", named("Den")));

        // The channel is joined by its name in any letter case.
        Child* bob = startBot(QStringLiteral("Bob"), QStringLiteral("127.0.0.3"), {QStringLiteral("--channel=DEN")});
        QTRY_VERIFY_WITH_TIMEOUT(ann->saw("moved", named("Bob")), kWaitMs);
        QVERIFY(ann->saw("user_added", named("Bob")));
        QVERIFY(bob->saw("user_added", [](const QJsonObject& e) {
            return e.value("name").toString() == "Ann" && e.value("channel").toInt() == 1 && !e.value("self").toBool();
        }));
        QVERIFY(bob->saw("moved", named("Bob")));
        QVERIFY(!bob->saw("prompt"));

        Child* cy = startBot(QStringLiteral("Cy"), QStringLiteral("127.0.0.4"),
                             {QStringLiteral("--admin-password=Boss"), QStringLiteral("--mute=Ann"),
                              QStringLiteral("--kick=Bob")});
        QTRY_VERIFY_WITH_TIMEOUT(ann->saw("mute", [](const QJsonObject& e) {
            return e.value("self").toBool() && e.value("muted").toBool();
        }), kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(bob->finished(), kWaitMs);
        QCOMPARE(bob->exitCode(), 1);
        QVERIFY(bob->saw("disconnected", [](const QJsonObject& e) { return e.value("reason") == "link lost"; }));
        QTRY_VERIFY_WITH_TIMEOUT(ann->saw("user_removed", named("Bob")), kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(cy->saw("user_removed", named("Bob")), kWaitMs);

        // --for: stays, then leaves on its own.
        Child* dee = startBot(QStringLiteral("Dee"), QStringLiteral("127.0.0.5"), {QStringLiteral("--for=0.5")});
        QTRY_VERIFY_WITH_TIMEOUT(dee->finished(), kWaitMs);
        QCOMPARE(dee->exitCode(), 0);
        QVERIFY(dee->saw("welcome"));
        QVERIFY(dee->saw("disconnected", [](const QJsonObject& e) { return e.value("reason") == "left"; }));
        QTRY_VERIFY_WITH_TIMEOUT(ann->saw("user_removed", named("Dee")), kWaitMs);
        QVERIFY(ann->saw("user_added", named("Dee")));

        // A signal makes a bot leave as --for does.
        ann->process.terminate();
        QTRY_VERIFY_WITH_TIMEOUT(ann->finished(), kWaitMs);
        QCOMPARE(ann->exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(cy->saw("user_removed", named("Ann")), kWaitMs);
        QVERIFY(server->lines.join('\n').contains("login"));
    }

    void refusedLoginEndsTheBot_data() {
        QTest::addColumn<QStringList>("botArgs");
        QTest::addColumn<QString>("reason");
        QTest::newRow("wrong password") << QStringList{QStringLiteral("--password=secret")} << QStringLiteral("password");
        QTest::newRow("missing password") << QStringList{} << QStringLiteral("password");
        QTest::newRow("old version") << QStringList{QStringLiteral("--password=Secret"), QStringLiteral("--program-version=0.9")}
                                     << QStringLiteral("version");
    }
    void refusedLoginEndsTheBot() {
        QFETCH(QStringList, botArgs);
        QFETCH(QString, reason);
        Child* server = startServer({QStringLiteral("--password=Secret")});
        QTRY_VERIFY_WITH_TIMEOUT(server->lines.join(' ').contains("listening"), kWaitMs);
        Child* bot = startBot(QStringLiteral("Ann"), QStringLiteral("127.0.0.2"), botArgs);
        QTRY_VERIFY_WITH_TIMEOUT(bot->finished(), kWaitMs);
        QCOMPARE(bot->exitCode(), 2);
        QCOMPARE(bot->count("refused", [&](const QJsonObject& e) { return e.value("reason") == reason; }), 1);
        QVERIFY(!bot->saw("welcome"));
    }

    void noServerEndsTheBot() {
        Child* bot = startBot(QStringLiteral("Ann"), QStringLiteral("127.0.0.2"));
        QTRY_VERIFY_WITH_TIMEOUT(bot->finished(), kWaitMs);
        QCOMPARE(bot->exitCode(), 1);
        QVERIFY(bot->saw("connect_failed", [](const QJsonObject& e) { return e.value("refused").toBool(); }));
    }

    // The server process dies: every bot reports the link lost and ends.
    void serverKilled() {
        Child* server = startServer();
        QTRY_VERIFY_WITH_TIMEOUT(server->lines.join(' ').contains("listening"), kWaitMs);
        Child* ann = startBot(QStringLiteral("Ann"), QStringLiteral("127.0.0.2"));
        Child* bob = startBot(QStringLiteral("Bob"), QStringLiteral("127.0.0.3"));
        QTRY_VERIFY_WITH_TIMEOUT(ann->saw("user_added", named("Bob")) && bob->saw("user_added", named("Ann")), kWaitMs);
        server->process.kill();
        QTRY_VERIFY_WITH_TIMEOUT(ann->finished() && bob->finished(), kWaitMs);
        for (Child* c : {ann, bob}) {
            QCOMPARE(c->exitCode(), 1);
            QVERIFY(c->saw("disconnected", [](const QJsonObject& e) { return e.value("reason") == "link lost"; }));
        }
    }

    // A bot process dies: the others see it removed.
    void botKilled() {
        Child* server = startServer();
        QTRY_VERIFY_WITH_TIMEOUT(server->lines.join(' ').contains("listening"), kWaitMs);
        Child* ann = startBot(QStringLiteral("Ann"), QStringLiteral("127.0.0.2"));
        Child* bob = startBot(QStringLiteral("Bob"), QStringLiteral("127.0.0.3"));
        Child* cy = startBot(QStringLiteral("Cy"), QStringLiteral("127.0.0.4"));
        QTRY_VERIFY_WITH_TIMEOUT(ann->count("user_added") == 3 && cy->count("user_added") == 3, kWaitMs);
        bob->process.kill();
        QTRY_VERIFY_WITH_TIMEOUT(ann->saw("user_removed", named("Bob")) && cy->saw("user_removed", named("Bob")), kWaitMs);
        QVERIFY(!ann->finished() && !cy->finished());
    }
};

QTEST_GUILESS_MAIN(TestE2eBots)
#include "tst_e2e_bots.moc"
