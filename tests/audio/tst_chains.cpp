// The chains of a connection over the file backend: codec choice, buffer sizes, the output
// fallbacks and their messages, the capture rate fallback, default devices, chain events.
#include "audio/AudioChains.h"
#include "audio/DeviceLists.h"
#include "audio/WavIo.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace korvel;
using namespace korvel::audio;

namespace {
struct RecordingMessages : IMessages {
    QStringList shown;
    void Inform(const QString& text) override { shown << text; }
};

struct Fixture {
    explicit Fixture(const QString& extra = {}, const QString& dirOverride = {})
        : system(AudioSystem::files(QStringLiteral("file:") + (dirOverride.isEmpty() ? dir.path() : dirOverride)
                                    + QStringLiteral(",fast") + extra))
        , chains(*system, codecs, options, messages)
    {
    }
    QTemporaryDir dir;
    std::unique_ptr<AudioSystem> system;
    CodecManager codecs;
    Options options;
    RecordingMessages messages;
    AudioChains chains;
};
} // namespace

class TestChains : public QObject {
    Q_OBJECT
private slots:
    void bufferSizes_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<bool>("directX");
        QTest::addColumn<bool>("convert");
        QTest::addColumn<bool>("suggestionBroken");
        QTest::addColumn<int>("perSec");
        QTest::addColumn<int>("outBuffer");
        QTest::addColumn<int>("capture");
        // Wave plays encoded formats directly; DirectX takes PCM only and falls to the decoder.
        QTest::newRow("gsm wave direct") << 3 << false << false << false << 1625 << 81 << 972;
        QTest::newRow("opus1 wave direct") << 1 << false << false << false << 600 << 30 << 1020;
        QTest::newRow("opus2 wave direct") << 2 << false << false << false << 1075 << 53 << 1007;
        QTest::newRow("gsm wave decoder") << 3 << false << true << false << 1625 << 800 << 1024;
        QTest::newRow("gsm directx falls to decoder") << 3 << true << false << false << 1625 << 800 << 1024;
        QTest::newRow("no suggestion wave") << 3 << false << false << true << 16000 << 800 << 800;
        QTest::newRow("no suggestion directx direct") << 3 << true << false << true << 16000 << 800 << 800;
        QTest::newRow("no suggestion decoder") << 1 << true << true << true << 16000 << 800 << 1024;
    }
    void bufferSizes()
    {
        QFETCH(int, level);
        QFETCH(bool, directX);
        QFETCH(bool, convert);
        QFETCH(bool, suggestionBroken);
        QFETCH(int, perSec);
        QFETCH(int, outBuffer);
        QFETCH(int, capture);
        Fixture f;
        f.options.RDirectX = directX;
        f.options.RWave = !directX;
        f.options.CPCMConvert = convert;
        f.codecs.setSuggestionBroken(suggestionBroken);
        f.chains.OpenPlayback(level);
        QCOMPARE(f.messages.shown, QStringList());
        QCOMPARE(f.chains.gCodecBytesPerSec, perSec);
        QCOMPARE(f.chains.codecFormat.isPcm(), suggestionBroken);
        for (int k = 1; k <= 3; ++k)
            QCOMPARE(f.chains.ChainOutput(k)->bufferSize(), outBuffer);
        QCOMPARE(f.chains.CaptureComponent()->bufferSize(), capture);
        QVERIFY(f.chains.RDirectXEnabled && f.chains.RWaveEnabled);
        // The test start of chain 1 reported its start; its stop left the flag set.
        QVERIFY(f.chains.gChainOneStarted);
        QVERIFY(f.chains.ChainOutput(1)->isOpen());
        // Open, the GSM output cuts its buffer to whole blocks.
        if (level == 3 && !directX && !convert && !suggestionBroken)
            QCOMPARE(f.chains.ChainOutput(1)->effectiveBufferSize(), 65);
        f.chains.StopAudio();
        QVERIFY(!f.chains.gChainOneStarted);
    }

    void allVariantsFail_data()
    {
        QTest::addColumn<bool>("directX");
        QTest::addColumn<QString>("message");
        QTest::newRow("directx") << true << QStringLiteral("Unable to play sound on DirectX using 8000Hz");
        QTest::newRow("wave") << false << QStringLiteral("Unable to play sound on the wave device using 8000Hz");
    }
    void allVariantsFail()
    {
        QFETCH(bool, directX);
        QFETCH(QString, message);
        Fixture f({}, QStringLiteral("/nonexistent/korvel-no-such-dir"));
        f.options.RDirectX = directX;
        f.options.RWave = !directX;
        f.chains.OpenPlayback(3);
        QCOMPARE(f.messages.shown, QStringList{message});
        QCOMPARE(f.chains.RDirectXEnabled, !directX);
        QCOMPARE(f.chains.RWaveEnabled, directX);
        // The next OpenPlayback enables both again before trying.
        f.messages.shown.clear();
        f.chains.OpenPlayback(3);
        QCOMPARE(f.messages.shown.size(), 1);
    }

    void noAcm()
    {
        Fixture f;
        f.codecs.setUsable(false);
        f.chains.OpenPlayback(3);
        QCOMPARE(f.messages.shown, QStringList{AudioChains::MsgNoAcm});
        QVERIFY(!f.chains.ChainOutput(1)->isOpen());
    }

    void startAudioCodecMissing()
    {
        Fixture f;
        f.codecs.setMissing(WaveFormat::TagGsm610, true);
        f.chains.StartAudio(3);
        QCOMPARE(f.messages.shown, QStringList{AudioChains::MsgNoCodec});
        QVERIFY(!f.chains.CaptureComponent()->isOpen());
        QVERIFY(!f.chains.ChainOutput(1)->isOpen());
    }

    void captureFallsBackTo8000Silently()
    {
        Fixture f(QStringLiteral(",refuse=44100"));
        f.chains.StartAudio(3);
        QCOMPARE(f.messages.shown, QStringList());
        QVERIFY(f.chains.CaptureComponent()->isOpen());
        QCOMPARE(f.chains.CaptureComponent()->sampleRate(), 8000);
        // Blocks flow at the codec's size from the 8000 Hz capture too.
        QSignalSpy blocks(f.chains.DSPInterfaceIn(), &DSPInterfaceIn::BufferReady);
        QVERIFY(blocks.wait(5000));
        QCOMPARE(blocks.first().first().toByteArray().size(), 65);
        f.chains.StopAudio();
    }

    void captureRefusedEntirely()
    {
        Fixture f(QStringLiteral(",refuse=44100,refuse=8000"));
        f.chains.StartAudio(1);
        QCOMPARE(f.messages.shown, QStringList{AudioChains::MsgNoCapture});
        QVERIFY(f.chains.ChainOutput(1)->isOpen()); // playback unaffected
    }

    void captureEncodesFileAndTapMeasures()
    {
        Fixture f;
        std::vector<int16_t> s(44100);
        for (size_t i = 0; i < s.size(); ++i)
            s[i] = int16_t(8000 * std::sin(2 * M_PI * 400 * double(i) / 44100));
        QVERIFY(WavIo::writeFile(f.dir.filePath("capture.wav"), WaveFormat::pcm(44100),
                                 QByteArray(reinterpret_cast<const char*>(s.data()), qsizetype(s.size() * 2))));
        f.options.WVolume1 = 8; // 8000 x 8 saturates: the tap sees full scale
        int loudest = 0;
        connect(f.chains.MMVox(), &MMVox::LevelChanged, this, [&loudest](int l) { loudest = std::max(loudest, std::abs(l)); });
        f.chains.StartAudio(2);
        QSignalSpy blocks(f.chains.DSPInterfaceIn(), &DSPInterfaceIn::BufferReady);
        QTRY_VERIFY_WITH_TIMEOUT(blocks.size() >= 10, 5000);
        for (const auto& b : blocks)
            QCOMPARE(b.first().toByteArray().size(), 43);
        QTRY_VERIFY_WITH_TIMEOUT(loudest > 30000, 5000);
        // Moving the wheel acts at once.
        f.options.WVolume1 = 1;
        f.chains.ApplyMicrophoneBoost();
        QCOMPARE(f.chains.Volume1()->volume(), 16384);
        f.chains.StopAudio();
    }

    void chainPullsLoaderUntilMoreIsFalse()
    {
        Fixture f;
        f.options.RDirectX = false;
        f.options.RWave = true;
        f.chains.OpenPlayback(3);
        QByteArray data(1625, '\0'); // one second of GSM blocks (all zero bytes)
        int pos = 0;
        f.chains.DSPInterfaceOut(2)->setLoader([&](uint8_t* d, int cap, int& filled, bool& more) {
            const int n = std::min(cap, int(data.size()) - pos);
            memcpy(d, data.constData() + pos, size_t(n));
            pos += n;
            filled = n;
            more = pos < data.size();
        });
        AudioOutput* out = f.chains.ChainOutput(2);
        QSignalSpy started(out, &AudioOutput::Started), stopped(out, &AudioOutput::Stopped);
        QVERIFY(out->Start());
        QCOMPARE(started.size(), 1);
        QVERIFY(stopped.wait(5000));
        QCOMPARE(pos, 1625);
        QVERIFY(out->isOpen());
        // An empty first fill fails the start and closes the output.
        QSignalSpy closed(out, &AudioOutput::Closed);
        QVERIFY(!out->Start());
        QCOMPARE(closed.size(), 1);
        f.chains.StopAudio();
        QFile file(f.dir.filePath("WaveOut2.wav"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(WavIo::readHeader(file)->dataBytes, qint64(25 * 320 * 2));
    }

    void eventSoundPlaysFile()
    {
        Fixture f;
        f.chains.OpenPlayback(3);
        const QString wav = f.dir.filePath("connect.wav");
        QVERIFY(WavIo::writeFile(wav, WaveFormat::pcm(22050), QByteArray(22050, '\x10')));
        QSignalSpy done(&f.chains, &AudioChains::EventSoundFinished);
        f.chains.PlayEventSound(wav);
        QVERIFY(done.wait(5000));
        QVERIFY(!f.chains.DSWaveOutA()->isOpen());
        QFile out(f.dir.filePath("DSWaveOutA.wav"));
        QVERIFY(out.open(QIODevice::ReadOnly));
        const auto info = WavIo::readHeader(out);
        QCOMPARE(info->format.samplesPerSec, 22050u);
        QCOMPARE(info->dataBytes, qint64(22050));
        f.chains.PlayEventSound(f.dir.filePath("missing.wav")); // silent
    }

    void defaultDevices_data()
    {
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<bool>("directX");
        QTest::addColumn<int>("expected");
        const QStringList names{"SB Live Wave In", "DirectX Capture", "Other"};
        QTest::newRow("directx rule") << names << true << 1;
        QTest::newRow("wave rule") << names << false << 0;
        QTest::newRow("neither") << QStringList{"A", "B"} << true << 0;
        QTest::newRow("empty") << QStringList{} << true << -1;
    }
    void defaultDevices()
    {
        QFETCH(QStringList, items);
        QFETCH(bool, directX);
        QFETCH(int, expected);
        QCOMPARE(DeviceLists::SelectDefaultRecordDevice(items, -1, directX), expected);
        QCOMPARE(DeviceLists::SelectDefaultRecordDevice(items, 2, directX), 2);
        QCOMPARE(DeviceLists::SelectDefaultPlayDevice(items, -1), items.isEmpty() ? -1 : 0);
    }

    void fillListsAndTweak()
    {
        Fixture f;
        f.options.gRecord = 5;
        f.options.gPlay = 7;
        QCOMPARE(DeviceLists::FillRecordDevices(*f.system, f.options), QStringList{"File input"});
        QCOMPARE(f.options.gRecord, 0);
        QCOMPARE(DeviceLists::FillPlayDevices(*f.system, f.options), QStringList{"File output"});
        QCOMPARE(f.options.gPlay, 0);
        f.options.CTweak1 = true;
        f.chains.ApplyCaptureTweak();
        QVERIFY(f.system->tuning().capturePause);
        QVERIFY(f.system->tuning().raisePriority);
        f.options.CTweak1 = false;
        f.chains.ApplyCaptureTweak();
        QVERIFY(!f.system->tuning().capturePause);
        // With the pause on and priorities asked for, capture still delivers blocks.
        f.options.CTweak1 = true;
        f.chains.ApplyCaptureTweak();
        f.chains.StartAudio(3);
        QSignalSpy blocks(f.chains.DSPInterfaceIn(), &DSPInterfaceIn::BufferReady);
        QVERIFY(blocks.wait(5000));
        f.chains.StopAudio();
    }

    void emptyPlayListPlaysOnDefault()
    {
        Fixture f;
        f.options.gPlay = -1;
        f.chains.OpenPlayback(1);
        QCOMPARE(f.chains.ChainOutput(1)->device(), -1);
        QVERIFY(f.chains.gChainOneStarted);
    }
};

QTEST_GUILESS_MAIN(TestChains)
#include "tst_chains.moc"
