// Codec cost: encode and decode speed per level as multiples of real time, and the load of one
// speaker (44.1 kHz capture resampled, encoded, measured by the level tap) plus three listening
// streams (decoded), as a share of one core.
#include "audio/BlockCoder.h"
#include "audio/CodecManager.h"
#include "audio/Resampler.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

using namespace korvel::audio;
using Clock = std::chrono::steady_clock;

namespace {
// Speech-like test signal: a gliding voiced source with many harmonics, a syllable envelope
// and a little noise, so the codecs work about as hard as on real voice.
std::vector<int16_t> speech(int rate, double seconds)
{
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0, 300);
    std::vector<int16_t> s(static_cast<size_t>(rate * seconds));
    double phase = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = double(i) / rate;
        const double f0 = 120 + 30 * std::sin(2 * M_PI * 0.7 * t);
        phase += 2 * M_PI * f0 / rate;
        double v = 0;
        for (int h = 1; h <= 25 && h * f0 < rate / 2; ++h)
            v += std::sin(h * phase) / h * (1 + std::sin(2 * M_PI * (h * f0) / 1500.0));
        const double env = std::max(0.0, std::sin(2 * M_PI * 3 * t));
        s[i] = static_cast<int16_t>(std::clamp(4000 * v * env + noise(rng), -32768.0, 32767.0));
    }
    return s;
}

double secondsOf(const std::function<void()>& f)
{
    const auto a = Clock::now();
    f();
    return std::chrono::duration<double>(Clock::now() - a).count();
}
} // namespace

int main()
{
    constexpr double Seconds = 20;
    const std::vector<int16_t> pcm8 = speech(8000, Seconds);
    const std::vector<int16_t> pcm44 = speech(44100, Seconds);
    CodecManager codecs;
    std::printf("%-6s %-6s %14s %14s %24s\n", "level", "tag", "encode x RT", "decode x RT", "1 speaker + 3 streams");
    for (int level = 1; level <= 3; ++level) {
        const WaveFormat f = *codecs.suggest(WaveFormat::referencePcm(), CodecManager::tagForLevel(level));
        QByteArray stream;
        BlockEncoder enc(codecs.create(f));
        const double encode = secondsOf([&] {
            enc.push(pcm8.data(), pcm8.size(),
                     [&](const uint8_t* b, int n) { stream.append(reinterpret_cast<const char*>(b), n); });
        });
        std::vector<int16_t> out;
        out.reserve(pcm8.size());
        BlockDecoder dec(codecs.create(f));
        const double decode = secondsOf(
            [&] { dec.push(reinterpret_cast<const uint8_t*>(stream.constData()), size_t(stream.size()), out); });

        // The client's whole load: capture path (resample, encode, tap decode) and three
        // playback decoders, fed in the sizes the chains use.
        BlockEncoder capEnc(codecs.create(f));
        BlockDecoder tap(codecs.create(f));
        std::vector<BlockDecoder> listeners;
        for (int i = 0; i < 3; ++i)
            listeners.emplace_back(codecs.create(f));
        Resampler rs(44100, 8000, 5);
        std::vector<int16_t> mid, scratch;
        const double client = secondsOf([&] {
            for (size_t i = 0; i + 486 <= pcm44.size(); i += 486) {
                mid.clear();
                rs.process(pcm44.data() + i, 486, mid);
                capEnc.push(mid.data(), mid.size(), [&](const uint8_t* b, int n) {
                    scratch.clear();
                    tap.push(b, size_t(n), scratch);
                });
            }
            const auto* p = reinterpret_cast<const uint8_t*>(stream.constData());
            const size_t chunk = size_t(f.avgBytesPerSec / 8);
            for (auto& l : listeners) {
                for (size_t i = 0; i < size_t(stream.size()); i += chunk) {
                    scratch.clear();
                    l.push(p + i, std::min(chunk, size_t(stream.size()) - i), scratch);
                }
            }
        });
        std::printf("%-6d 0x%04x %14.0f %14.0f %22.2f %%\n", level, f.formatTag, Seconds / encode, Seconds / decode,
                    100.0 * client / Seconds);
    }
    return 0;
}
