#include "core/Routing.h"

#include <QTest>
#include <limits>

using namespace korvel;

Q_DECLARE_METATYPE(DatagramCommand::Kind)

class TestRouting : public QObject {
    Q_OBJECT
private slots:
    void hearsThroughAnySharedChannel() {
        TsUser l, s;
        QVERIFY(!Hears(l, s));
        l.Listens.set(0, true);
        s.Talks.set(0, true);
        QVERIFY(Hears(l, s));
        s.Talks.set(0, false);
        s.Talks.set(5, true); // talks elsewhere only
        QVERIFY(!Hears(l, s));
        l.Listens.set(5, true);
        QVERIFY(Hears(l, s));
        // Listening far beyond the speaker's talk array reads the missing entries as 0.
        l.Listens.set(5, false);
        l.Listens.set(900, true);
        QVERIFY(!Hears(l, s));
    }

    void candidatesSkipInactiveAndSelf() {
        TsUserTable users;
        for (int i = 1; i <= 4; ++i) {
            TsUser* u = users.grow(i);
            u->Active = true;
            u->Listens.set(0, true);
            u->Talks.set(0, true);
        }
        users.at(3)->Active = false;
        users.at(4)->Listens.set(0, false);
        QCOMPARE(Candidates(users, 1, false), std::vector<int32_t>({2}));
        QCOMPARE(Candidates(users, 1, true), std::vector<int32_t>({1, 2}));
        QVERIFY(Candidates(users, 9, true).empty()); // no such speaker
    }

    void assignSlotEvictsOldest_data() {
        QTest::addColumn<uint>("t1");
        QTest::addColumn<uint>("t2");
        QTest::addColumn<uint>("t3");
        QTest::addColumn<int>("evicted");
        QTest::addColumn<uint>("now");
        QTest::newRow("first oldest") << 100u << 200u << 300u << 0 << 400u;
        QTest::newRow("second oldest") << 200u << 100u << 300u << 1 << 400u;
        QTest::newRow("third oldest") << 300u << 200u << 100u << 2 << 400u;
        QTest::newRow("two share oldest") << 300u << 100u << 100u << 0 << 400u;
        QTest::newRow("all equal") << 100u << 100u << 100u << 0 << 400u;
        // The tick counter wrapped between the second and third assignments.
        QTest::newRow("across wrap") << 0xfffffff0u << 0xfffffff8u << 5u << 0 << 15u;
    }
    void assignSlotEvictsOldest() {
        QFETCH(uint, t1);
        QFETCH(uint, t2);
        QFETCH(uint, t3);
        QFETCH(int, evicted);
        QFETCH(uint, now);
        TsUser l;
        QCOMPARE(AssignSlot(l, 11, t1), 0);
        QCOMPARE(AssignSlot(l, 12, t2), 1);
        QCOMPARE(AssignSlot(l, 13, t3), 2);
        QCOMPARE(AssignSlot(l, 14, now), evicted);
        QCOMPARE(l.SlotSpeaker[evicted], 14);
        QCOMPARE(l.SlotTick[evicted], now);
        int held = 0;
        for (int s : {11, 12, 13}) held += SlotOf(l, s) >= 0;
        QCOMPARE(held, 2);
    }

    void releaseFreesFirstHeldSlot() {
        TsUser l;
        AssignSlot(l, 7, 1);
        AssignSlot(l, 8, 2);
        AssignSlot(l, 7, 3); // a lost end marker: the same speaker holds two slots
        QCOMPARE(SlotOf(l, 7), 0);
        QCOMPARE(ReleaseSlot(l, 7), 0);
        QCOMPARE(SlotOf(l, 7), 2);
        QCOMPARE(ReleaseSlot(l, 9), -1);
        QCOMPARE(l.SlotSpeaker[1], 8);
        QCOMPARE(AssignSlot(l, 9, 4), 0); // first free slot in order
    }

    void parseDatagram_data() {
        QTest::addColumn<QByteArray>("d");
        QTest::addColumn<DatagramCommand::Kind>("kind");
        QTest::addColumn<bool>("complete");
        QTest::addColumn<int>("a");
        QTest::addColumn<int>("b");
        using K = DatagramCommand::Kind;
        QTest::newRow("voice") << QByteArray("\x01\x02\x03", 3) << K::Voice << false << 0 << 0;
        QTest::newRow("empty") << QByteArray() << K::Voice << false << 0 << 0;
        QTest::newRow("short CMD") << QByteArray("CMDBO") << K::Voice << false << 0 << 0;
        QTest::newRow("begin") << QByteArray("CMDBOL") << K::Begin << false << 0 << 0;
        QTest::newRow("end") << QByteArray("CMDEOL\x32\0\0\0", 10) << K::End << true << 50 << 0;
        QTest::newRow("end without count") << QByteArray("CMDEOL") << K::End << false << 0 << 0;
        QTest::newRow("talk on") << QByteArray("CMDATG\x02\0\0\0\x05\x01\0\0", 14) << K::TalkOn << true << 2 << 261;
        QTest::newRow("talk off") << QByteArray("CMDRTG\xff\xff\xff\xff\0\0\0\0", 14) << K::TalkOff << true << -1 << 0;
        QTest::newRow("talk cut") << QByteArray("CMDATG\x02\0\0\0", 10) << K::TalkOn << false << 0 << 0;
        QTest::newRow("other mark") << QByteArray("CMDXYZ") << K::OtherMark << false << 0 << 0;
    }
    void parseDatagram() {
        QFETCH(QByteArray, d);
        QFETCH(DatagramCommand::Kind, kind);
        QFETCH(bool, complete);
        QFETCH(int, a);
        QFETCH(int, b);
        const DatagramCommand c = ParseDatagram(d);
        QCOMPARE(c.kind, kind);
        if (kind == DatagramCommand::Kind::End) {
            QCOMPARE(c.hasCount, complete);
            QCOMPARE(c.count, a);
        } else if (kind == DatagramCommand::Kind::TalkOn || kind == DatagramCommand::Kind::TalkOff) {
            QCOMPARE(c.hasTarget, complete);
            QCOMPARE(c.user, a);
            QCOMPARE(c.channel, b);
        }
    }

    void lossCountsSaturate() {
        QCOMPARE(saturatingAdd(47, 3), 50);
        QCOMPARE(saturatingAdd(std::numeric_limits<int32_t>::max() - 1, 5), std::numeric_limits<int32_t>::max());
    }
};

QTEST_GUILESS_MAIN(TestRouting)
#include "tst_routing.moc"
