// Codecs: block sizes, stream round trips over arbitrary slices, the sox WAV #49 identity.
#include "audio/BlockCoder.h"
#include "audio/CodecManager.h"
#include "audio/GsmCodec.h"
#include "audio/Volume.h"
#include "audio/WavIo.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

using namespace korvel::audio;

namespace {
std::vector<int16_t> tone(int n, double hz, double amp, int rate = 8000)
{
    std::vector<int16_t> s(n);
    for (int i = 0; i < n; ++i)
        s[i] = static_cast<int16_t>(amp * std::sin(2 * M_PI * hz * i / rate));
    return s;
}
double rms(const int16_t* s, size_t n)
{
    double sum = 0;
    for (size_t i = 0; i < n; ++i)
        sum += double(s[i]) * s[i];
    return n ? std::sqrt(sum / n) : 0;
}
} // namespace

class TestCodecs : public QObject {
    Q_OBJECT
private slots:
    void sizes_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("tag");
        QTest::addColumn<int>("block");
        QTest::addColumn<int>("perSec");
        QTest::newRow("1 opus 4800") << 1 << 0x0070 << 24 << 600;
        QTest::newRow("2 opus 8500") << 2 << 0x0130 << 43 << 1075;
        QTest::newRow("3 gsm") << 3 << 0x0031 << 65 << 1625;
    }
    void sizes()
    {
        QFETCH(int, level);
        QFETCH(int, tag);
        QFETCH(int, block);
        QFETCH(int, perSec);
        CodecManager m;
        QVERIFY(m.CodecAvailable(level));
        const auto f = m.suggest(WaveFormat::referencePcm(), CodecManager::tagForLevel(level));
        QVERIFY(f);
        QCOMPARE(int(f->formatTag), tag);
        QCOMPARE(int(f->blockAlign), block);
        QCOMPARE(int(f->avgBytesPerSec), perSec);
        // Every real packet has exactly the block size, speech or silence.
        BlockEncoder enc(m.create(*f));
        std::vector<int16_t> in = tone(8000, 440, 12000);
        in.resize(16000, 0);
        int blocks = 0;
        enc.push(in.data(), in.size(), [&](const uint8_t*, int n) {
            QCOMPARE(n, block);
            ++blocks;
        });
        QCOMPARE(blocks, 50);
        // The record round-trips through its published layout.
        QCOMPARE(WaveFormat::fromBytes(f->toBytes()), f);
        QCOMPARE(f->toBytes().size(), 18 + f->extra.size());
    }

    void available_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("missingTag");
        QTest::addColumn<bool>("expected");
        QTest::newRow("0") << 0 << 0 << false;
        QTest::newRow("4") << 4 << 0 << false;
        QTest::newRow("-1") << -1 << 0 << false;
        QTest::newRow("1") << 1 << 0 << true;
        QTest::newRow("3") << 3 << 0 << true;
        QTest::newRow("3 gsm missing") << 3 << 0x31 << false;
        QTest::newRow("1 with gsm missing") << 1 << 0x31 << true;
        QTest::newRow("2 opus medium missing") << 2 << 0x130 << false;
    }
    void available()
    {
        QFETCH(int, level);
        QFETCH(int, missingTag);
        QFETCH(bool, expected);
        CodecManager m;
        if (missingTag)
            m.setMissing(uint16_t(missingTag), true);
        QCOMPARE(m.CodecAvailable(level), expected);
    }

    void roundTripAnySlices_data()
    {
        QTest::addColumn<int>("level");
        QTest::newRow("1") << 1;
        QTest::newRow("2") << 2;
        QTest::newRow("3") << 3;
    }
    void roundTripAnySlices()
    {
        QFETCH(int, level);
        CodecManager m;
        const auto f = *m.suggest(WaveFormat::referencePcm(), CodecManager::tagForLevel(level));
        BlockEncoder enc(m.create(f));
        const std::vector<int16_t> in = tone(16000, 500, 10000);
        QByteArray stream;
        auto* rng = QRandomGenerator::global();
        for (size_t i = 0; i < in.size();) {
            const size_t n = std::min<size_t>(rng->bounded(1, 700), in.size() - i);
            enc.push(in.data() + i, n, [&](const uint8_t* b, int k) { stream.append(reinterpret_cast<const char*>(b), k); });
            i += n;
        }
        QCOMPARE(stream.size() % f.blockAlign, 0);
        // Decode in random slices, and in one piece: the same samples either way.
        BlockDecoder sliced(m.create(f)), whole(m.create(f));
        std::vector<int16_t> a, b;
        const auto* p = reinterpret_cast<const uint8_t*>(stream.constData());
        for (qsizetype i = 0; i < stream.size();) {
            const qsizetype n = std::min<qsizetype>(rng->bounded(1, 100), stream.size() - i);
            sliced.push(p + i, size_t(n), a);
            i += n;
        }
        whole.push(p, size_t(stream.size()), b);
        QCOMPARE(a, b);
        QCOMPARE(a.size(), in.size());
        // The tone survives at about its level (after the codec's start-up).
        const double r = rms(a.data() + 4000, 8000);
        QVERIFY2(r > 0.5 * rms(in.data(), in.size()) && r < 1.5 * rms(in.data(), in.size()), qPrintable(QString::number(r)));
    }

    void gsmMatchesSox()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("sox")).isEmpty())
            QSKIP("sox is not installed");
        QTemporaryDir dir;
        const QString src = dir.filePath("src.wav"), gsm = dir.filePath("gsm.wav");
        std::vector<int16_t> in = tone(8000, 700, 9000);
        for (size_t i = 0; i < in.size(); ++i)
            in[i] = int16_t(in[i] + int(i * 37 % 2000) - 1000);
        QVERIFY(WavIo::writeFile(src, WaveFormat::referencePcm(),
                                 QByteArray(reinterpret_cast<const char*>(in.data()), qsizetype(in.size() * 2))));
        QCOMPARE(QProcess::execute("sox", {src, "-e", "gsm-full-rate", gsm}), 0);
        QFile f(gsm);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const auto info = WavIo::readHeader(f);
        QVERIFY(info);
        QCOMPARE(int(info->format.formatTag), 0x31);
        QCOMPARE(int(info->format.blockAlign), 65);
        f.seek(info->dataOffset);
        const QByteArray soxData = f.read(info->dataBytes);
        QByteArray ours;
        BlockEncoder enc(std::make_unique<GsmCodec>());
        enc.push(in.data(), in.size(), [&](const uint8_t* b, int k) { ours.append(reinterpret_cast<const char*>(b), k); });
        QCOMPARE(ours.size(), 25 * 65);
        QCOMPARE(ours, soxData.left(ours.size()));
    }

    void boostSaturates_data()
    {
        QTest::addColumn<int>("in");
        QTest::addColumn<int>("boost");
        QTest::addColumn<int>("out");
        QTest::newRow("unity") << 1234 << 1 << 1234;
        QTest::newRow("x8 fits") << 4000 << 8 << 32000;
        QTest::newRow("x8 high") << 5000 << 8 << 32767;
        QTest::newRow("x8 low") << -5000 << 8 << -32768;
        QTest::newRow("x8 full low") << -32768 << 8 << -32768;
    }
    void boostSaturates()
    {
        QFETCH(int, in);
        QFETCH(int, boost);
        QFETCH(int, out);
        const int16_t s = int16_t(in);
        int16_t r = 0;
        Volume::apply(&s, &r, 1, boost * Volume::Unity);
        QCOMPARE(int(r), out);
    }
};

QTEST_GUILESS_MAIN(TestCodecs)
#include "tst_codecs.moc"
