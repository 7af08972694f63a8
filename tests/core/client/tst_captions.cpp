#include "core/Captions.h"

#include <QTest>

using namespace korvel;

namespace {
void* node() { return reinterpret_cast<void*>(uintptr_t(1)); }
} // namespace

class TestCaptions : public QObject {
    Q_OBJECT
private slots:
    void countSuffix_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("suffix");
        QTest::newRow("none") << 0 << QString();
        QTest::newRow("one") << 1 << QStringLiteral(" (1 User)");
        QTest::newRow("two") << 2 << QStringLiteral(" (2 Users)");
        QTest::newRow("many") << 12 << QStringLiteral(" (12 Users)");
    }
    void countSuffix() {
        QFETCH(int, count);
        QFETCH(QString, suffix);
        QCOMPARE(CountSuffix(count), suffix);
    }

    void userCaption_data() {
        QTest::addColumn<bool>("muted");
        QTest::addColumn<int>("lost");
        QTest::addColumn<bool>("showLoss");
        QTest::addColumn<bool>("showVersion");
        QTest::addColumn<QString>("caption");
        QTest::newRow("plain") << false << 0 << false << false << QStringLiteral("Player");
        QTest::newRow("muted") << true << 0 << false << false << QStringLiteral("Player (Muted)");
        QTest::newRow("all on") << true << 3 << true << true << QStringLiteral("Player (Muted) (3 PL) (1.6 V)");
        QTest::newRow("loss hidden") << false << 3 << false << true << QStringLiteral("Player (1.6 V)");
        QTest::newRow("no loss yet") << false << 0 << true << false << QStringLiteral("Player");
        QTest::newRow("loss only") << false << 7 << true << false << QStringLiteral("Player (7 PL)");
    }
    void userCaption() {
        QFETCH(bool, muted);
        QFETCH(int, lost);
        QFETCH(bool, showLoss);
        QFETCH(bool, showVersion);
        QFETCH(QString, caption);
        TcUser u;
        u.Name = QStringLiteral("Player");
        u.Muted = muted;
        u.Lost = lost;
        u.VersionMajor = 1;
        u.VersionMinor = 6;
        QCOMPARE(UserCaption(u, showLoss, showVersion), caption);
    }

    // Only users with an entry count; a user announced already inside a channel counts there
    // and on the server at once.
    void serverAndChannelCounts() {
        TcUserTable users;
        TcChannelTable channels;
        channels.grow(1)->Name = QStringLiteral("Alpha");
        channels.grow(2)->Name = QStringLiteral("Beta");
        QCOMPARE(ServerCaption(QStringLiteral("host"), users), QStringLiteral("host"));
        users.grow(1)->Node = node(); // self, in the root
        QCOMPARE(ServerCaption(QStringLiteral("host"), users), QStringLiteral("host (1 User)"));
        auto* b = users.grow(3);
        b->Node = node();
        b->Channel = 1;
        users.grow(2)->Channel = 1; // announced once, since gone: no entry
        QCOMPARE(ServerCaption(QStringLiteral("host"), users), QStringLiteral("host (2 Users)"));
        QCOMPARE(ChannelCaption(channels, users, 1), QStringLiteral("Alpha (1 User)"));
        QCOMPARE(ChannelCaption(channels, users, 2), QStringLiteral("Beta"));
        QCOMPARE(ChannelCaption(channels, users, 9), QString());
    }
};

QTEST_GUILESS_MAIN(TestCaptions)
#include "tst_captions.moc"
