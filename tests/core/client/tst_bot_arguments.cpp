#include "bot/BotArguments.h"

#include <QTest>

using namespace korvel;

class TestBotArguments : public QObject {
    Q_OBJECT
private slots:
    void everyOption() {
        const BotArgumentsResult r = ParseBotArguments(
            {QStringLiteral("--server=10.0.0.1"), QStringLiteral("--name=Ann"), QStringLiteral("--password=p=q"),
             QStringLiteral("--admin-password=Boss"), QStringLiteral("--channel=Den"), QStringLiteral("--create"),
             QStringLiteral("--bind=127.0.0.3"), QStringLiteral("--for=2.5"), QStringLiteral("/ctcp=41000"),
             QStringLiteral("/CUDP=41002"), QStringLiteral("/SUDP=41010"), QStringLiteral("--mute=Bob"),
             QStringLiteral("--kick=Cy"), QStringLiteral("--program-version=0.9")});
        QVERIFY2(r.error.isEmpty(), qPrintable(r.error));
        const BotSettings& s = r.settings;
        QCOMPARE(s.server, QStringLiteral("10.0.0.1"));
        QCOMPARE(s.name, QStringLiteral("Ann"));
        QCOMPARE(s.password, QStringLiteral("p=q")); // split at the first "=" only
        QCOMPARE(s.adminPassword, QStringLiteral("Boss"));
        QCOMPARE(s.channel, QStringLiteral("Den"));
        QVERIFY(s.create);
        QCOMPARE(s.bind, QStringLiteral("127.0.0.3"));
        QCOMPARE(s.stayFor, std::optional<double>(2.5));
        QCOMPARE(s.ports.TcpPort, 41000);
        QCOMPARE(s.ports.ClientUdpBase, 41002);
        QCOMPARE(s.ports.ServerUdpBase, 41010);
        QCOMPARE(s.muteNames, QStringList{QStringLiteral("Bob")});
        QCOMPARE(s.kickNames, QStringList{QStringLiteral("Cy")});
        QCOMPARE(s.versionMajor, std::optional<int>(0));
        QCOMPARE(s.versionMinor, std::optional<int>(9));
    }

    void unusable_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no server") << QStringList{QStringLiteral("--name=Ann")};
        QTest::newRow("unknown") << QStringList{QStringLiteral("--server=h"), QStringLiteral("--talk-loud")};
        QTest::newRow("bind not an address") << QStringList{QStringLiteral("--server=h"), QStringLiteral("--bind=host")};
        QTest::newRow("for not a number") << QStringList{QStringLiteral("--server=h"), QStringLiteral("--for=soon")};
        QTest::newRow("for negative") << QStringList{QStringLiteral("--server=h"), QStringLiteral("--for=-1")};
        QTest::newRow("create without channel") << QStringList{QStringLiteral("--server=h"), QStringLiteral("--create")};
        QTest::newRow("name without value") << QStringList{QStringLiteral("--server=h"), QStringLiteral("--name")};
        QTest::newRow("bad version") << QStringList{QStringLiteral("--server=h"), QStringLiteral("--program-version=a.b")};
    }
    void unusable() {
        QFETCH(QStringList, arguments);
        QVERIFY(!ParseBotArguments(arguments).error.isEmpty());
    }

    void helpNeedsNothingElse() {
        const BotArgumentsResult r = ParseBotArguments({QStringLiteral("--help")});
        QVERIFY(r.help);
        QVERIFY(r.error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestBotArguments)
#include "tst_bot_arguments.moc"
