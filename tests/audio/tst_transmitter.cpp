// The capture handler over block levels, with the voice-activated path and a recording link.

#include "RecordingLink.h"
#include "audio/Transmitter.h"

#include <QtTest>

using namespace korvel;
using korvel::test::FixedConnection;
using korvel::test::RecordingLink;

namespace {

// Voice activation never asks push to talk for more than the input state and the finish.
class IdlePushToTalk : public IPushToTalk {
public:
    void ReadInputState(KeyboardState& k, MouseState& m) override {
        k.fill(0);
        m.fill(0);
    }
    void CheckPushToTalk(const KeyboardState&, const MouseState&) override {}
    void TickTalkTail() override {}
    void FinishPushToTalk() override { ++finishes; }
    int finishes = 0;
};

// Feeds blocks whose measured levels are given; the handler sees each level one block late,
// as the tap measures a block only after the handler has returned.
struct VoxRig {
    TransmitState state;
    RecordingLink link;
    FixedConnection connection;
    IdlePushToTalk ptt;
    int32_t voxLevel = 10;
    Transmitter tx{state, link, connection, ptt};
    int32_t measured = 0;
    int block = 0;
    QStringList perBlock; // what each block sent, joined

    VoxRig(int32_t min, int32_t max, int32_t codecBytesPerSec = 1625) {
        state.gPushToTalk = false;
        tx.gVoxMin = min;
        tx.gVoxMax = max;
        tx.setCodecBytesPerSec(codecBytesPerSec);
        tx.setVoxLevelSource(&voxLevel);
    }
    void feed(int32_t level, int blockSize = 65) {
        ++block;
        tx.DSPInterfaceInBufferReady(QByteArray(blockSize, static_cast<char>(block)), measured);
        measured = level;
        perBlock << link.take().join(QLatin1Char(' '));
    }
};

} // namespace

class TestTransmitter : public QObject {
    Q_OBJECT
private slots:
    void threshold_data();
    void threshold();
    void levelAtThreshold_data();
    void levelAtThreshold();
    void voiceActivationExample();
    void barAtHundred();
    void firstStartSentinels();
    void leadInSize();
    void mutedWithOpenTransmission();
    void signedPeak();
};

void TestTransmitter::threshold_data() {
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("p");
    QTest::addColumn<qint64>("t");
    QTest::newRow("bar 10") << -20000 << 20000 << 10 << qint64(2000);
    QTest::newRow("bar 0") << -20000 << 20000 << 0 << qint64(0);
    QTest::newRow("bar 100") << -20000 << 20000 << 100 << qint64(20000);
    QTest::newRow("first level") << 1234 << 1234 << 10 << qint64(2344);
    QTest::newRow("first level negative") << -1234 << -1234 << 10 << qint64(-2344);
    // A double lands on -30756 here; the extended format keeps -30757.
    QTest::newRow("extended precision") << -32640 << -29125 << 95 << qint64(-30757);
}

void TestTransmitter::threshold() {
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(int, p);
    QFETCH(qint64, t);
    QCOMPARE(VoxThreshold(min, max, p), t);
}

void TestTransmitter::levelAtThreshold_data() {
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("p");
    QTest::addColumn<int>("level");
    QTest::addColumn<bool>("opens");
    QTest::newRow("exactly T") << -20000 << 20000 << 10 << 2000 << false;
    QTest::newRow("T + 1") << -20000 << 20000 << 10 << 2001 << true;
    QTest::newRow("negative peak") << -20000 << 20000 << 10 << -25000 << false;
    QTest::newRow("extended T") << -32640 << -29125 << 95 << -30757 << false;
    QTest::newRow("extended T + 1") << -32640 << -29125 << 95 << -30756 << true;
}

void TestTransmitter::levelAtThreshold() {
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(int, p);
    QFETCH(int, level);
    QFETCH(bool, opens);
    VoxRig rig(min, max);
    rig.voxLevel = p;
    rig.measured = min < 0 ? min : 0; // what the tap held before: learned, below T
    rig.feed(level);
    rig.feed(0); // the level acts here
    QCOMPARE(rig.perBlock[1].startsWith(QLatin1String("BOL START")), opens);
    QCOMPARE(rig.tx.gTransmitting, opens);
}

void TestTransmitter::voiceActivationExample() {
    VoxRig rig(-20000, 20000);
    rig.feed(0);
    rig.feed(2500);
    for (int i = 0; i < 40; ++i) rig.feed(0);
    QCOMPARE(rig.perBlock[0], QString());
    QCOMPARE(rig.perBlock[1], QString());
    // Three blocks of lead-in (65 bytes each) go with the first voice datagram.
    QCOMPARE(rig.perBlock[2], QStringLiteral("BOL START V195"));
    for (int b = 4; b <= 31; ++b) QCOMPARE(rig.perBlock[b - 1], QStringLiteral("V65"));
    QCOMPARE(rig.perBlock[31], QStringLiteral("EOL29 STOP"));
    QCOMPARE(rig.perBlock[32], QString());
    QCOMPARE(rig.ptt.finishes, 1);
    QCOMPARE(rig.tx.gSentCount, 0);
    QCOMPARE(rig.state.gTalkTail, 29 - 39);
}

void TestTransmitter::barAtHundred() {
    VoxRig rig(-20000, 20000);
    rig.voxLevel = 100;
    for (int level : {20000, 19999, -20000, -32768, 0}) rig.feed(level);
    rig.feed(0);
    QCOMPARE(rig.link.log, QStringList());
    QCOMPARE(rig.tx.gVoxMax, 20000);
    QCOMPARE(rig.tx.gVoxMin, -20000);
    // Only a full-scale positive block, which is never learned, gets past the learned maximum.
    rig.feed(32767);
    rig.feed(0);
    QVERIFY(rig.perBlock.last().startsWith(QLatin1String("BOL START")));
    QCOMPARE(rig.tx.gVoxMax, 20000);
}

void TestTransmitter::firstStartSentinels() {
    // The first learned level becomes both bounds, and the threshold is 1.9 times that level.
    {
        VoxRig rig(kVoxMinSentinel, kVoxMaxSentinel);
        rig.tx.DSPInterfaceInBufferReady(QByteArray(65, 'a'), 1234);
        QCOMPARE(rig.tx.gVoxMin, 1234);
        QCOMPARE(rig.tx.gVoxMax, 1234);
        QCOMPARE(VoxThreshold(rig.tx.gVoxMin, rig.tx.gVoxMax, rig.voxLevel), qint64(2344));
        QCOMPARE(rig.link.log, QStringList());
    }
    // On a real start the tap reports 0 before it has measured anything, and that 0 is learned.
    {
        VoxRig rig(kVoxMinSentinel, kVoxMaxSentinel);
        rig.feed(5000);
        QCOMPARE(rig.tx.gVoxMin, 0);
        QCOMPARE(rig.tx.gVoxMax, 0);
        rig.feed(0);
        QCOMPARE(rig.tx.gVoxMax, 5000);
        QCOMPARE(rig.link.log, QStringList());
    }
}

void TestTransmitter::leadInSize() {
    // After a long silence the lead-in is a quarter second's worth of whole blocks at most.
    VoxRig rig(-20000, 20000, 1625);
    for (int i = 0; i < 50; ++i) rig.feed(0);
    QCOMPARE(rig.tx.gVoxPending.size(), 390); // six blocks of 65: 406 bytes would be cut
    rig.feed(9000);
    rig.feed(0);
    QCOMPARE(rig.perBlock.last(), QStringLiteral("BOL START V390"));
    // The lead-in ends with the block the decision was made in.
    QCOMPARE(rig.link.voice.first().right(65), QByteArray(65, static_cast<char>(52)));
    QCOMPARE(rig.link.voice.first().left(65), QByteArray(65, static_cast<char>(47)));
    QVERIFY(rig.tx.gVoxPending.isEmpty());
    rig.feed(0);
    QCOMPARE(rig.perBlock.last(), QStringLiteral("V65"));
}

void TestTransmitter::mutedWithOpenTransmission() {
    VoxRig rig(-20000, 20000);
    rig.feed(9000);
    rig.feed(0); // opens
    rig.feed(0);
    QCOMPARE(rig.tx.gSentCount, 2);
    rig.connection.muted = true;
    for (int i = 0; i < 60; ++i) rig.feed(i == 10 ? 9000 : 0);
    // Muted: nothing at all, not even the end marker, and nothing learned or counted.
    QCOMPARE(rig.perBlock.mid(3).join(QString()), QString());
    QCOMPARE(rig.tx.gTransmitting, true);
    QCOMPARE(rig.tx.gVoxMax, 20000);
    QCOMPARE(rig.state.gTalkTail, 28);
    rig.connection.muted = false;
    rig.feed(0);
    QCOMPARE(rig.perBlock.last(), QStringLiteral("V65")); // goes on where it stood
    for (int i = 0; i < 40; ++i) rig.feed(0);
    const QString after = rig.perBlock.mid(63).join(QLatin1Char(' '));
    QVERIFY(after.contains(QLatin1String("EOL29 STOP")));
    QVERIFY(!after.contains(QLatin1String("BOL")));
}

void TestTransmitter::signedPeak() {
    const int16_t a[] = {100, -9000, 8999, 9000};
    QCOMPARE(SignedPeak(a, 4), int16_t(-9000));
    const int16_t b[] = {9000, -9000};
    QCOMPARE(SignedPeak(b, 2), int16_t(9000));
    const int16_t c[] = {-32768, 32767};
    QCOMPARE(SignedPeak(c, 2), int16_t(-32768));
    QCOMPARE(SignedPeak(a, 0), int16_t(0));
}

QTEST_GUILESS_MAIN(TestTransmitter)
#include "tst_transmitter.moc"
