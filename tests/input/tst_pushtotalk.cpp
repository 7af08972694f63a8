// Push to talk through the real capture handler: press, release tail, pressing again, mode
// switches with a pending lead-in, and how the hotkey is matched.

#include "audio/RecordingLink.h"
#include "audio/Transmitter.h"
#include "input/PushToTalk.h"

#include <QtTest>

using namespace korvel;
using korvel::test::FixedConnection;
using korvel::test::RecordingLink;

namespace {

constexpr uint8_t kKey = 0x39; // SPACE

struct Rig {
    Options options;
    TransmitState state;
    RecordingLink link;
    FixedConnection connection;
    ScriptedInputState input;
    PushToTalk ptt{state, options, input, link, connection};
    Transmitter tx{state, link, connection, ptt};
    int block = 0;
    QStringList perBlock;

    Rig() {
        options.gKey1 = kKey;
        tx.gVoxMin = -20000;
        tx.gVoxMax = 20000;
        tx.setCodecBytesPerSec(1625);
        tx.setVoxLevelSource(&options.TVoxLevel);
        ptt.ApplyTransmitMode();
    }
    void feed(int count = 1, int32_t tapLevel = 0) {
        for (int i = 0; i < count; ++i) {
            ++block;
            tx.DSPInterfaceInBufferReady(QByteArray(65, static_cast<char>(block)), tapLevel);
            perBlock << link.take().join(QLatin1Char(' '));
        }
    }
    void key(bool down) { input.setKey(kKey, down); }
    void mode(bool pushToTalk) {
        options.RPTT = pushToTalk;
        options.RVOX = !pushToTalk;
        ptt.ApplyTransmitMode();
    }
};

class FlakyInput : public IInputState {
public:
    bool Available() const override { return true; }
    bool ReadKeyboard(KeyboardState& k) override {
        ++reads;
        k.fill(0);
        if (reads == 1) return false;
        k[kKey] = 0x80;
        return true;
    }
    bool ReadMouse(MouseState& m) override {
        m.fill(0);
        return true;
    }
    void Acquire() override { ++acquires; }
    int reads = 0;
    int acquires = 0;
};

} // namespace

class TestPushToTalk : public QObject {
    Q_OBJECT
private slots:
    void releaseTail();
    void pressAgainInsideTail();
    void switchToPushToTalkWithLeadIn();
    void leadInKeptForNextVoiceActivation();
    void applyModeClosesOpenTransmission();
    void hotkeyMatching_data();
    void hotkeyMatching();
    void noInputDevicesNeverTalks();
    void failedReadRetriedOnce();
};

void TestPushToTalk::releaseTail() {
    Rig rig;
    rig.key(true);
    rig.feed();
    QCOMPARE(rig.perBlock[0], QStringLiteral("ATG3/7 msgON3/7 BOL START V65"));
    rig.feed(4); // held through block 5
    rig.key(false);
    rig.feed(30); // released from block 6
    // The release block and the 18 after it still send; the 20th closes.
    for (int b = 2; b <= 24; ++b) QCOMPARE(rig.perBlock[b - 1], QStringLiteral("V65"));
    QCOMPARE(rig.perBlock[24], QStringLiteral("EOL24 STOP RTG3/7 msgOFF3/7"));
    for (int b = 26; b <= rig.block; ++b) QCOMPARE(rig.perBlock[b - 1], QString());
    QVERIFY(!rig.ptt.gPttStopPending);
    QVERIFY(!rig.state.gPttTalking);
}

void TestPushToTalk::pressAgainInsideTail() {
    Rig rig;
    rig.key(true);
    rig.feed(5);
    rig.key(false);
    rig.feed(4); // blocks 6-9: in the tail
    rig.key(true);
    rig.feed(1); // block 10: pressed again
    QCOMPARE(rig.perBlock[9], QStringLiteral("ATG3/7 msgON3/7 V65"));
    rig.feed(4);
    rig.key(false);
    rig.feed(25); // released at block 15: closed by block 34
    QCOMPARE(rig.perBlock[33], QStringLiteral("EOL33 STOP RTG3/7 msgOFF3/7"));
    const QString all = rig.perBlock.join(QLatin1Char(' '));
    QCOMPARE(all.count(QLatin1String("BOL")), 1);
    QCOMPARE(all.count(QLatin1String("EOL")), 1);
    QCOMPARE(all.count(QLatin1String("ATG")), 2);
    QCOMPARE(all.count(QLatin1String("RTG")), 1);
}

void TestPushToTalk::switchToPushToTalkWithLeadIn() {
    Rig rig;
    rig.mode(false);
    rig.feed(10);
    QCOMPARE(rig.tx.gVoxPending.size(), 390);
    rig.mode(true);
    rig.key(true);
    rig.feed();
    // Push to talk sends the current block only, and the lead-in is gone with it.
    QCOMPARE(rig.perBlock.last(), QStringLiteral("ATG3/7 msgON3/7 BOL START V65"));
    QCOMPARE(rig.link.voice.last(), QByteArray(65, static_cast<char>(11)));
    QVERIFY(rig.tx.gVoxPending.isEmpty());
}

void TestPushToTalk::leadInKeptForNextVoiceActivation() {
    Rig rig;
    rig.mode(false);
    rig.feed(10);
    rig.mode(true);
    rig.feed(5); // push to talk, key up: the lead-in waits
    QCOMPARE(rig.tx.gVoxPending.size(), 390);
    rig.mode(false);
    rig.feed(1, 9000);
    QCOMPARE(rig.perBlock.last(), QStringLiteral("BOL START V390"));
    // The oldest block went; blocks 6-10 and the new block 16 remain.
    QCOMPARE(rig.link.voice.last().left(65), QByteArray(65, static_cast<char>(6)));
    QCOMPARE(rig.link.voice.last().right(65), QByteArray(65, static_cast<char>(16)));
}

void TestPushToTalk::applyModeClosesOpenTransmission() {
    Rig rig;
    rig.key(true);
    rig.feed(3);
    rig.mode(false); // to voice activation while the key is held
    QVERIFY(rig.tx.gTransmitting);
    rig.feed();
    QCOMPARE(rig.perBlock.last(), QStringLiteral("EOL3 STOP"));
    QVERIFY(!rig.tx.gTransmitting);
}

void TestPushToTalk::hotkeyMatching_data() {
    QTest::addColumn<int>("key1");
    QTest::addColumn<int>("key2");
    QTest::addColumn<int>("mouse");
    QTest::addColumn<QList<int>>("keysDown");
    QTest::addColumn<int>("buttonDown");
    QTest::addColumn<bool>("talks");
    QTest::newRow("one key") << 0x39 << 0 << 0 << QList<int>{0x39} << 0 << true;
    QTest::newRow("two keys, both") << 0x1D << 0x21 << 0 << QList<int>{0x1D, 0x21} << 0 << true;
    QTest::newRow("two keys, one") << 0x1D << 0x21 << 0 << QList<int>{0x1D} << 0 << false;
    QTest::newRow("second only") << 0x1D << 0x21 << 0 << QList<int>{0x21} << 0 << false;
    QTest::newRow("no key stored") << 0 << 0 << 0 << QList<int>{0x39} << 0 << false;
    QTest::newRow("mouse wins over key") << 0x39 << 0 << 1 << QList<int>{0x39} << 0 << false;
    QTest::newRow("mouse 1") << 0x39 << 0 << 1 << QList<int>{} << 1 << true;
    QTest::newRow("mouse 8") << 0 << 0 << 8 << QList<int>{} << 8 << true;
    QTest::newRow("other button") << 0 << 0 << 2 << QList<int>{} << 1 << false;
    QTest::newRow("mouse 9 is none") << 0x39 << 0 << 9 << QList<int>{0x39} << 8 << false;
    QTest::newRow("key beyond a byte") << 0x139 << 0 << 0 << QList<int>{0x39} << 0 << false;
}

void TestPushToTalk::hotkeyMatching() {
    QFETCH(int, key1);
    QFETCH(int, key2);
    QFETCH(int, mouse);
    QFETCH(QList<int>, keysDown);
    QFETCH(int, buttonDown);
    QFETCH(bool, talks);
    Rig rig;
    rig.options.gKey1 = key1;
    rig.options.gKey2 = key2;
    rig.options.gMouse = mouse;
    for (int k : keysDown) rig.input.setKey(static_cast<uint8_t>(k), true);
    if (buttonDown) rig.input.setMouseButton(buttonDown, true);
    rig.feed();
    QCOMPARE(rig.tx.gTransmitting, talks);
}

void TestPushToTalk::noInputDevicesNeverTalks() {
    Options options;
    options.gKey1 = kKey;
    TransmitState state;
    RecordingLink link;
    FixedConnection connection;
    ReleasedInputState input;
    PushToTalk ptt(state, options, input, link, connection);
    Transmitter tx(state, link, connection, ptt);
    ptt.ApplyTransmitMode();
    for (int i = 0; i < 50; ++i) tx.DSPInterfaceInBufferReady(QByteArray(65, 'x'), 0);
    QCOMPARE(link.log, QStringList());
    // The hook's report takes over when there are no devices.
    bool hookDown = true;
    ptt.setHookPressed([&] { return hookDown; });
    tx.DSPInterfaceInBufferReady(QByteArray(65, 'x'), 0);
    QCOMPARE(link.take(), QStringList({"ATG3/7", "msgON3/7", "BOL", "START", "V65"}));
}

void TestPushToTalk::failedReadRetriedOnce() {
    Options options;
    options.gKey1 = kKey;
    TransmitState state;
    RecordingLink link;
    FixedConnection connection;
    FlakyInput input;
    PushToTalk ptt(state, options, input, link, connection);
    KeyboardState k;
    MouseState m;
    k.fill(0xFF);
    ptt.ReadInputState(k, m);
    QCOMPARE(input.acquires, 1);
    QCOMPARE(input.reads, 2);
    QCOMPARE(int(k[kKey]), 0x80);
    QCOMPARE(int(k[0]), 0);
}

QTEST_GUILESS_MAIN(TestPushToTalk)
#include "tst_pushtotalk.moc"
