#include "audio/WaveFormat.h"

#include <QtEndian>

namespace korvel::audio {

WaveFormat WaveFormat::referencePcm() { return pcm(8000, 1); }

WaveFormat WaveFormat::pcm(uint32_t rate, uint16_t ch)
{
    WaveFormat f;
    f.formatTag = TagPcm;
    f.channels = ch;
    f.samplesPerSec = rate;
    f.bitsPerSample = 16;
    f.blockAlign = static_cast<uint16_t>(2 * ch);
    f.avgBytesPerSec = rate * f.blockAlign;
    return f;
}

QByteArray WaveFormat::toBytes() const
{
    QByteArray out(18, '\0');
    auto* p = reinterpret_cast<uchar*>(out.data());
    qToLittleEndian<uint16_t>(formatTag, p);
    qToLittleEndian<uint16_t>(channels, p + 2);
    qToLittleEndian<uint32_t>(samplesPerSec, p + 4);
    qToLittleEndian<uint32_t>(avgBytesPerSec, p + 8);
    qToLittleEndian<uint16_t>(blockAlign, p + 12);
    qToLittleEndian<uint16_t>(bitsPerSample, p + 14);
    qToLittleEndian<uint16_t>(static_cast<uint16_t>(extra.size()), p + 16);
    out.append(extra);
    return out;
}

std::optional<WaveFormat> WaveFormat::fromBytes(const QByteArray& bytes)
{
    // The 16-byte form (no extra-size field) is the plain PCM record of many wave files.
    if (bytes.size() < 16)
        return std::nullopt;
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    WaveFormat f;
    f.formatTag = qFromLittleEndian<uint16_t>(p);
    f.channels = qFromLittleEndian<uint16_t>(p + 2);
    f.samplesPerSec = qFromLittleEndian<uint32_t>(p + 4);
    f.avgBytesPerSec = qFromLittleEndian<uint32_t>(p + 8);
    f.blockAlign = qFromLittleEndian<uint16_t>(p + 12);
    f.bitsPerSample = qFromLittleEndian<uint16_t>(p + 14);
    if (bytes.size() >= 18) {
        const int extraSize = qFromLittleEndian<uint16_t>(p + 16);
        if (bytes.size() < 18 + extraSize)
            return std::nullopt;
        f.extra = bytes.mid(18, extraSize);
    }
    return f;
}

} // namespace korvel::audio
