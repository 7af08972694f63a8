// Real devices through the private PulseAudio server: a tone played on each output variant
// comes back through the capture path (the null sink's monitor, remapped to a mono source).
#include "audio/AudioChains.h"
#include "audio/BlockCoder.h"
#include "audio/DeviceLists.h"
#include "audio/SystemMixer.h"

#include <QTest>
#include <cmath>

using namespace korvel;
using namespace korvel::audio;

namespace {
struct NoMessages : IMessages {
    QStringList shown;
    void Inform(const QString& t) override { shown << t; }
};

// Records everything the capture gives, at its rate.
struct Recorder : PcmConsumer {
    std::vector<int16_t> samples;
    void consumePcm(const int16_t* s, size_t n, int) override { samples.insert(samples.end(), s, s + n); }
};
} // namespace

class TestDevices : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("PULSE_SERVER"))
            QSKIP("PULSE_SERVER is not set (scripts/test starts a private server)");
    }

    void lists()
    {
        auto system = AudioSystem::real();
        const QStringList ds = DeviceLists::PlayDeviceNames(*system, true);
        QVERIFY(ds.contains("Korvel_Null_Output"));
        const QStringList wave = DeviceLists::RecordDeviceNames(*system);
        QVERIFY(!wave.isEmpty()); // `default` comes first
    }

    void mixerSetsDeviceVolumes()
    {
        SystemMixer mixer;
        QVERIFY(mixer.ready());
        mixer.setPlayDevice(0);
        mixer.setRecordDevice(-1);
        const auto before = mixer.playVolume();
        QVERIFY(before);
        QVERIFY(mixer.setPlayVolume(0.5));
        QVERIFY(std::abs(*mixer.playVolume() - 0.5) < 0.01);
        QVERIFY(mixer.setRecordVolume(0.75));
        QVERIFY(std::abs(*mixer.recordVolume() - 0.75) < 0.01);
        QVERIFY(mixer.setPlayVolume(*before));
        QVERIFY(mixer.setRecordVolume(1.0));
        mixer.setPlayDevice(99); // beyond the list: the default sink
        QVERIFY(mixer.playVolume());
    }

    void toneComesBack_data()
    {
        QTest::addColumn<bool>("directX");
        QTest::addColumn<bool>("convert");
        QTest::addColumn<bool>("captureDirectX");
        QTest::newRow("directx decoder, ds capture") << true << true << true;
        QTest::newRow("directx direct (plain pcm), ds capture") << true << false << true;
        QTest::newRow("wave direct, wave-in") << false << false << false;
        QTest::newRow("wave decoder, wave-in") << false << true << false;
    }
    void toneComesBack()
    {
        QFETCH(bool, directX);
        QFETCH(bool, convert);
        QFETCH(bool, captureDirectX);
        auto system = AudioSystem::real();
        CodecManager codecs;
        Options options;
        options.RDirectX = directX;
        options.RWave = !directX;
        options.CPCMConvert = convert;
        options.CDSWaveIn = captureDirectX;
        NoMessages messages;
        AudioChains chains(*system, codecs, options, messages);
        // DirectX direct only works with PCM: take the plain-PCM connection for that row.
        if (directX && !convert)
            codecs.setSuggestionBroken(true);
        chains.OpenPlayback(3);
        QCOMPARE(messages.shown, QStringList());

        // 1.5 s of a 600 Hz tone at a quarter of full scale, encoded as the connection sends it.
        std::vector<int16_t> tone(12000);
        for (size_t i = 0; i < tone.size(); ++i)
            tone[i] = int16_t(8192 * std::sin(2 * M_PI * 600 * double(i) / 8000));
        QByteArray encoded;
        BlockEncoder enc(codecs.create(chains.codecFormat));
        enc.push(tone.data(), tone.size(), [&](const uint8_t* b, int n) { encoded.append(reinterpret_cast<const char*>(b), n); });
        int pos = 0;
        chains.DSPInterfaceOut(1)->setLoader([&](uint8_t* d, int cap, int& filled, bool& more) {
            const int n = std::min({cap, chains.gCodecBytesPerSec / 8, int(encoded.size()) - pos});
            memcpy(d, encoded.constData() + pos, size_t(std::max(n, 0)));
            pos += std::max(n, 0);
            filled = std::max(n, 0);
            more = pos < encoded.size();
        });

        // Record from the capture component of this row, at 8000 Hz, straight off the device.
        AudioInput* capture = chains.CaptureComponent();
        Recorder rec;
        capture->setTarget(&rec);
        QVERIFY(capture->setSampleRate(8000));
        QVERIFY(capture->Start());
        QTest::qWait(300);
        QVERIFY(chains.ChainOutput(1)->Start());
        QTRY_VERIFY_WITH_TIMEOUT(rec.samples.size() > 8000 * 4, 10000);
        capture->Close();
        chains.StopAudio();

        // Find the loudest 0.5 s window: its level and its zero-crossing pitch.
        const size_t w = 4000;
        double best = 0;
        size_t at = 0;
        for (size_t i = 0; i + w <= rec.samples.size(); i += 400) {
            double sum = 0;
            for (size_t j = i; j < i + w; ++j)
                sum += double(rec.samples[j]) * rec.samples[j];
            if (sum > best) {
                best = sum;
                at = i;
            }
        }
        const double rms = std::sqrt(best / w);
        int crossings = 0;
        for (size_t j = at + 1; j < at + w; ++j)
            crossings += (rec.samples[j - 1] < 0) != (rec.samples[j] < 0);
        const double hz = crossings / 2.0 / (double(w) / 8000);
        const double expected = 8192 / std::sqrt(2.0);
        QVERIFY2(rms > 0.5 * expected && rms < 1.4 * expected, qPrintable(QString("rms %1").arg(rms)));
        QVERIFY2(std::abs(hz - 600) < 25, qPrintable(QString("pitch %1").arg(hz)));
    }
};

QTEST_GUILESS_MAIN(TestDevices)
#include "tst_devices.moc"
