// Reception: the start rules of the receive handlers and the loader, driven by a model of the
// outputs that fills and refills buffers the way the playback outputs do.

#include "audio/Datagrams.h"
#include "audio/Reception.h"

#include <QtTest>
#include <vector>

using namespace korvel;

namespace {

// An output of 20 buffers that pulls from the loader: a start fills up to 20 buffers and fails
// when the first fill yields nothing; a finished buffer is refilled while the last fill asked
// for more; once a fill says no more, the queued buffers play out and the output stops.
class ModelChains : public IPlaybackChains {
public:
    explicit ModelChains(Reception& reception, int32_t bufferSize) : reception_(reception), size_(bufferSize) {}

    bool IsPlaying(int chain) const override { return chains_[chain].playing; }
    bool Start(int chain) override {
        Chain& c = chains_[chain];
        ++c.starts;
        c.more = true;
        c.queued.clear();
        for (int i = 0; i < 20 && c.more; ++i) {
            if (!fill(chain)) break;
        }
        if (c.queued.empty()) {
            c.playing = false;
            ++c.failedStarts;
            if (chain == 0) reception_.ChainOneClosed();
            return false;
        }
        c.playing = true;
        if (chain == 0) reception_.ChainOneStarted();
        return true;
    }
    // One buffer finishes playing.
    void play(int chain) {
        Chain& c = chains_[chain];
        if (!c.playing || c.queued.empty()) return;
        c.heard += c.queued.front();
        c.queued.erase(c.queued.begin());
        if (c.more) fill(chain);
        if (c.queued.empty()) c.playing = false; // stopped, still open
    }
    void playOut(int chain) {
        while (chains_[chain].playing) play(chain);
    }
    // StopAudio or a failed start: the output closes.
    void close(int chain) {
        chains_[chain].playing = false;
        chains_[chain].queued.clear();
        if (chain == 0) reception_.ChainOneClosed();
    }

    struct Chain {
        bool playing = false;
        bool more = false;
        int starts = 0;
        int failedStarts = 0;
        std::vector<QByteArray> queued;
        QByteArray heard;
    };
    Chain chains_[3];

private:
    bool fill(int chain) {
        Chain& c = chains_[chain];
        QByteArray area(size_, '\xAA');
        bool more = false;
        const int32_t n = reception_.LoadPlaybackBuffer(chain, area.data(), size_, more);
        c.more = more && n > 0;
        if (n <= 0) return false;
        c.queued.push_back(area.left(n));
        return true;
    }
    Reception& reception_;
    int32_t size_;
};

QByteArray voice(int bytes, char fill = 'v') { return QByteArray(bytes, fill); }

} // namespace

class TestReception : public QObject {
    Q_OBJECT
private slots:
    void startsAtTwoSeconds_data();
    void startsAtTwoSeconds();
    void startsAtEndMarker();
    void endMarkerNeverBuffered_data();
    void endMarkerNeverBuffered();
    void endMarkerOnEmptyStoppedChain();
    void loaderSlices();
    void drainingKeepsLateBytes();
    void bounded();
};

void TestReception::startsAtTwoSeconds_data() {
    QTest::addColumn<int>("bytesPerSec");
    QTest::addColumn<int>("datagram");
    QTest::newRow("gsm") << 1625 << 65;
    QTest::newRow("opus 1") << 600 << 24;
    QTest::newRow("opus 2") << 1075 << 43;
}

void TestReception::startsAtTwoSeconds() {
    QFETCH(int, bytesPerSec);
    QFETCH(int, datagram);
    Reception r;
    r.setCodecBytesPerSec(bytesPerSec);
    r.gChainOneStarted = true; // as after the test start of the outputs
    ModelChains chains(r, bytesPerSec / 20);
    r.setChains(&chains);
    int received = 0;
    while (received + datagram < 2 * bytesPerSec) {
        r.cUDPAudioIn2DataIn(voice(datagram));
        received += datagram;
        QCOMPARE(chains.chains_[1].starts, 0);
    }
    r.cUDPAudioIn2DataIn(voice(datagram));
    received += datagram;
    QCOMPARE(chains.chains_[1].starts, 1);
    QVERIFY(chains.IsPlaying(1));
    // A playing chain is not started again.
    r.cUDPAudioIn2DataIn(voice(datagram));
    received += datagram;
    QCOMPARE(chains.chains_[1].starts, 1);
    chains.playOut(1);
    QCOMPARE(chains.chains_[1].heard, voice(received));
    QCOMPARE(r.buffer(1).bytes.size(), 0);
    QCOMPARE(chains.chains_[0].starts + chains.chains_[2].starts, 0);
}

void TestReception::startsAtEndMarker() {
    Reception r;
    r.setCodecBytesPerSec(1625);
    r.gChainOneStarted = true;
    ModelChains chains(r, 81);
    r.setChains(&chains);
    for (int i = 0; i < 10; ++i) r.cUDPAudioIn1DataIn(voice(65));
    QCOMPARE(chains.chains_[0].starts, 0);
    r.cUDPAudioIn1DataIn(BuildEndMarker(10));
    QCOMPARE(chains.chains_[0].starts, 1);
    chains.playOut(0);
    QCOMPARE(chains.chains_[0].heard, voice(650));
    // After draining, the chain is stopped, not closed: the flag stays set.
    QVERIFY(r.gChainOneStarted);
}

void TestReception::endMarkerNeverBuffered_data() {
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<int>("buffered");
    QTest::newRow("end marker") << BuildEndMarker(3) << 0;
    QTest::newRow("end marker and more") << QByteArray("CMDEOLanything at all") << 0;
    QTest::newRow("begin is sound") << BuildBeginMarker() << 6;
    QTest::newRow("talk on is sound") << BuildTalkTargetOn(1, 2) << 14;
    QTest::newRow("talk off is sound") << BuildTalkTargetOff(1, 2) << 14;
    QTest::newRow("short end") << QByteArray("CMDEO") << 5;
    QTest::newRow("empty") << QByteArray() << 0;
}

void TestReception::endMarkerNeverBuffered() {
    QFETCH(QByteArray, datagram);
    QFETCH(int, buffered);
    Reception r; // no chains: only the buffer is watched
    r.setCodecBytesPerSec(1625);
    r.cUDPAudioIn3DataIn(datagram);
    QCOMPARE(r.buffer(2).bytes.size(), buffered);
    QCOMPARE(r.buffer(2).bytes, datagram.left(buffered));
}

void TestReception::endMarkerOnEmptyStoppedChain() {
    Reception r;
    r.setCodecBytesPerSec(1625);
    ModelChains chains(r, 81);
    r.setChains(&chains);
    // The test start: an empty buffer with the flag clear plays one buffer of zeros.
    QVERIFY(chains.Start(0));
    QVERIFY(r.gChainOneStarted);
    chains.playOut(0);
    QCOMPARE(chains.chains_[0].heard, QByteArray(81, '\0'));
    QVERIFY(r.gChainOneStarted);

    // Flag set: an end marker on an empty stopped chain fails to start it.
    r.cUDPAudioIn2DataIn(BuildEndMarker(0));
    QCOMPARE(chains.chains_[1].failedStarts, 1);
    QVERIFY(r.gChainOneStarted);
    // On chain 1 the failed start closes the output, which clears the flag ...
    r.cUDPAudioIn1DataIn(BuildEndMarker(0));
    QCOMPARE(chains.chains_[0].failedStarts, 1);
    QVERIFY(!r.gChainOneStarted);
    // ... and the next such start on any chain plays one buffer of zeros instead of failing.
    r.cUDPAudioIn3DataIn(BuildEndMarker(0));
    QCOMPARE(chains.chains_[2].failedStarts, 0);
    QVERIFY(chains.IsPlaying(2));
    chains.playOut(2);
    QCOMPARE(chains.chains_[2].heard, QByteArray(81, '\0'));
}

void TestReception::loaderSlices() {
    Reception r;
    r.setCodecBytesPerSec(1625);
    r.gChainOneStarted = true;
    r.cUDPAudioIn1DataIn(voice(500));
    char area[1000];
    bool more = false;
    // An eighth of a second at most, and never more than the output asked for.
    QCOMPARE(r.LoadPlaybackBuffer(0, area, 1000, more), 203);
    QVERIFY(more);
    more = false;
    QCOMPARE(r.LoadPlaybackBuffer(0, area, 81, more), 81);
    QVERIFY(more);
    more = false;
    QCOMPARE(r.LoadPlaybackBuffer(0, area, 1000, more), 203);
    QVERIFY(more);
    more = false;
    QCOMPARE(r.LoadPlaybackBuffer(0, area, 1000, more), 13);
    QVERIFY(!more);
    QCOMPARE(r.buffer(0).bytes.size(), 0);
    QCOMPARE(r.buffer(0).readPosition, 0);
    // Empty with the flag set: nothing, no more.
    more = false;
    QCOMPARE(r.LoadPlaybackBuffer(0, area, 1000, more), 0);
    QVERIFY(!more);
    // Empty with the flag clear: half a second of zeros, limited by the capacity.
    r.gChainOneStarted = false;
    area[0] = 1;
    QCOMPARE(r.LoadPlaybackBuffer(1, area, 1000, more), 812);
    QCOMPARE(area[0], '\0');
    QVERIFY(!more);
    QCOMPARE(r.LoadPlaybackBuffer(1, area, 100, more), 100);
    QCOMPARE(r.LoadPlaybackBuffer(5, area, 100, more), 0);
}

void TestReception::drainingKeepsLateBytes() {
    // Bytes that arrive once the last fill has said no more wait for the next start.
    Reception r;
    r.setCodecBytesPerSec(1625);
    r.gChainOneStarted = true;
    ModelChains chains(r, 81);
    r.setChains(&chains);
    r.cUDPAudioIn1DataIn(voice(100, 'a'));
    r.cUDPAudioIn1DataIn(BuildEndMarker(1));
    QVERIFY(chains.IsPlaying(0));
    QVERIFY(!chains.chains_[0].more);
    r.cUDPAudioIn1DataIn(voice(65, 'b'));
    chains.playOut(0);
    QCOMPARE(chains.chains_[0].heard, voice(100, 'a'));
    QCOMPARE(r.buffer(0).bytes, voice(65, 'b'));
    r.cUDPAudioIn1DataIn(BuildEndMarker(1));
    chains.playOut(0);
    QCOMPARE(chains.chains_[0].heard, voice(100, 'a') + voice(65, 'b'));
}

void TestReception::bounded() {
    // A chain that never plays does not let a slot grow without end.
    Reception r;
    r.setCodecBytesPerSec(1625);
    for (int i = 0; i < 5000; ++i) r.cUDPAudioIn1DataIn(voice(65));
    QVERIFY(r.buffer(0).bytes.size() <= kMaxBufferedSeconds * 1625);
    QVERIFY(r.buffer(0).bytes.size() > kMaxBufferedSeconds * 1625 - 65);
}

QTEST_GUILESS_MAIN(TestReception)
#include "tst_reception.moc"
