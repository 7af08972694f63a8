// A client's voice path put together over the file backend: a connection's audio starts on
// every codec level and output method without a message, and the capture file waits behind
// its gate. The timeline of a recording backend keeps every output file on one clock.
#include "audio/FileBackend.h"
#include "audio/WavIo.h"
#include "input/ClientVoice.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <thread>

using namespace korvel;
using namespace korvel::audio;

namespace {
struct RecordingMessages : IMessages {
    QStringList shown;
    void Inform(const QString& text) override { shown << text; }
};

QByteArray tone(int rate, double seconds, int amplitude) {
    std::vector<int16_t> s(static_cast<size_t>(rate * seconds));
    for (size_t i = 0; i < s.size(); ++i) s[i] = int16_t(amplitude * std::sin(2 * M_PI * 500 * double(i) / rate));
    return QByteArray(reinterpret_cast<const char*>(s.data()), qsizetype(s.size() * 2));
}

std::vector<int16_t> samplesOf(const QString& path) {
    const auto file = WavIo::readPcmFile(path);
    if (!file) return {};
    const auto* s = reinterpret_cast<const int16_t*>(file->second.constData());
    return std::vector<int16_t>(s, s + file->second.size() / 2);
}

// Where the first sample of magnitude above `bar` sits, in seconds; -1 for none.
double onset(const std::vector<int16_t>& s, int rate, int bar = 1000) {
    for (size_t i = 0; i < s.size(); ++i)
        if (std::abs(s[i]) > bar) return double(i) / rate;
    return -1;
}

void writeBlock(PcmSink& sink, double seconds, int amplitude) {
    const QByteArray t = tone(8000, seconds, amplitude);
    // In 50 ms pieces, as an output stream hands them over.
    const auto* s = reinterpret_cast<const int16_t*>(t.constData());
    const size_t n = size_t(t.size() / 2);
    for (size_t at = 0; at < n; at += 400) QVERIFY(sink.write(s + at, std::min<size_t>(400, n - at)));
}
} // namespace

class TestClientVoice : public QObject {
    Q_OBJECT
private slots:
    void audioStartsWithoutMessage_data() {
        QTest::addColumn<int>("level");
        QTest::addColumn<bool>("directX");
        for (int level = 1; level <= 3; ++level) {
            QTest::addRow("level %d, DirectX", level) << level << true;
            QTest::addRow("level %d, Wave", level) << level << false;
        }
    }
    // The test start of the output variants pulls through the receive buffers before the
    // connection's ports exist; it must still find its buffer of silence and succeed.
    void audioStartsWithoutMessage() {
        QFETCH(int, level);
        QFETCH(bool, directX);
        QTemporaryDir dir;
        auto system = AudioSystem::files(QStringLiteral("file:%1,fast").arg(dir.path()));
        Options options;
        options.RDirectX = directX;
        options.RWave = !directX;
        RecordingMessages messages;
        ReleasedInputState input;
        PortConfig ports;
        ClientVoice voice(*system, options, ports, messages, input);
        QSignalSpy blocks(&voice, &ClientVoice::captureBlock);
        voice.StartAudio(level);
        QCOMPARE(messages.shown, QStringList());
        QVERIFY(voice.chains().gChainOneStarted);
        QVERIFY(voice.chains().RDirectXEnabled && voice.chains().RWaveEnabled);
        QVERIFY(blocks.wait(5000));
        voice.StopAudio();
        QVERIFY(!voice.chains().gChainOneStarted);
    }

    void captureWaitsForItsGate() {
        QTemporaryDir dir;
        const QString talk = dir.filePath("talk.wav");
        QVERIFY(WavIo::writeFile(talk, WaveFormat::pcm(8000), tone(8000, 0.2, 20000)));
        FileBackendConfig c;
        c.captureFile = talk;
        c.gate = std::make_shared<CaptureGate>();
        FileBackend backend(c);
        auto source = backend.makeSource(-1);
        StreamParams p;
        p.rate = 8000;
        QVERIFY(source->open(p, nullptr));
        std::vector<int16_t> block(400);
        QVERIFY(source->read(block.data(), block.size()));
        QCOMPARE(onset(block, 8000), -1.0);
        QCOMPARE(c.gate->startedEpochMs.load(), qint64(0));
        c.gate->open = true;
        const qint64 before = QDateTime::currentMSecsSinceEpoch();
        QVERIFY(source->read(block.data(), block.size()));
        // The file starts at its first sample, not where the clock had got to.
        const std::vector<int16_t> file = samplesOf(talk);
        QCOMPARE(block, std::vector<int16_t>(file.begin(), file.begin() + 400));
        QVERIFY(c.gate->startedEpochMs.load() >= before);
    }

    // Outputs closed, reopened and left stopped but open all land where the clock says, and
    // padding brings every file of the run to one end.
    void timelineKeepsOneClock() {
        QTemporaryDir dir;
        FileBackendConfig c;
        c.dir = dir.path();
        c.timeline = true;
        c.names.insert(QStringLiteral("DSWaveOut1"), QStringLiteral("slot1"));
        auto timeline = std::make_shared<FileTimeline>();
        FileBackend a(c, timeline);
        FileBackend b(c, timeline); // the other device kind shares the axis
        StreamParams p;
        p.rate = 8000;
        p.name = QStringLiteral("DSWaveOut1");

        const auto at = [&](double seconds) {
            std::this_thread::sleep_until(timeline->origin + std::chrono::milliseconds(int(seconds * 1000)));
        };
        at(0.3);
        {
            auto sink = a.makeSink(-1);
            QVERIFY(sink->open(p, nullptr));
            writeBlock(*sink, 0.2, 10000);
            sink->close();
        }
        at(1.0);
        auto sink = b.makeSink(-1);
        QVERIFY(sink->open(p, nullptr));
        writeBlock(*sink, 0.2, 10000);
        at(1.8); // stopped but open
        writeBlock(*sink, 0.2, 10000);
        sink->close();
        at(2.5);
        a.padTimeline({QStringLiteral("slot1"), QStringLiteral("slot2")}, 8000);

        const auto slot1 = samplesOf(dir.filePath("slot1.wav"));
        const auto slot2 = samplesOf(dir.filePath("slot2.wav"));
        QVERIFY(!QFileInfo::exists(dir.filePath("DSWaveOut1.wav")));
        QCOMPARE(slot1.size(), slot2.size());
        QVERIFY(std::abs(double(slot1.size()) / 8000 - 2.5) < 0.1);
        QCOMPARE(onset(slot2, 8000), -1.0);
        // Where each piece starts, within the pacing slack of a loaded machine.
        const auto startsNear = [&](double seconds) {
            const size_t from = size_t((seconds - 0.15) * 8000), to = size_t((seconds + 0.15) * 8000);
            const std::vector<int16_t> window(slot1.begin() + qsizetype(from), slot1.begin() + qsizetype(to));
            const double o = onset(window, 8000);
            return o >= 0 && std::abs(o - 0.15) < 0.1;
        };
        QVERIFY(startsNear(0.3));
        QVERIFY(startsNear(1.0));
        QVERIFY(startsNear(1.8));
    }
};

QTEST_GUILESS_MAIN(TestClientVoice)
#include "tst_client_voice.moc"
