#pragma once
// The wave-format record of a stream: the published 18-byte little-endian layout (tag, channels,
// rate, average bytes per second, block align, bits, extra size) followed by the extra bytes.

#include <QByteArray>
#include <cstdint>
#include <optional>

namespace korvel::audio {

struct WaveFormat {
    static constexpr uint16_t TagPcm = 0x0001;
    static constexpr uint16_t TagGsm610 = 0x0031;
    static constexpr uint16_t TagOpusLow = 0x0070;
    static constexpr uint16_t TagOpusMedium = 0x0130;

    uint16_t formatTag = TagPcm;
    uint16_t channels = 1;
    uint32_t samplesPerSec = 8000;
    uint32_t avgBytesPerSec = 16000;
    uint16_t blockAlign = 2;
    uint16_t bitsPerSample = 16;
    QByteArray extra;

    // 16-bit mono PCM at 8000 samples/s: what every codec level encodes from and decodes to.
    static WaveFormat referencePcm();
    static WaveFormat pcm(uint32_t rate, uint16_t channels = 1);

    bool isPcm() const { return formatTag == TagPcm; }
    QByteArray toBytes() const;
    // Reads a record from untrusted bytes; nullopt when too short for its declared extra size.
    static std::optional<WaveFormat> fromBytes(const QByteArray& bytes);

    bool operator==(const WaveFormat&) const = default;
};

} // namespace korvel::audio
