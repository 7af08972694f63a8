#pragma once
// The plain-PCM "codec" a connection falls back to when no codec format can be suggested:
// one block is one 16-bit sample.

#include "audio/AudioCodec.h"

#include <cstring>

namespace korvel::audio {

class PcmCodec final : public AudioCodec {
public:
    WaveFormat format() const override { return WaveFormat::referencePcm(); }
    int samplesPerBlock() const override { return 1; }
    bool encodeBlock(const int16_t* pcm, uint8_t* out) override
    {
        std::memcpy(out, pcm, 2);
        return true;
    }
    bool decodeBlock(const uint8_t* in, int16_t* pcm) override
    {
        std::memcpy(pcm, in, 2);
        return true;
    }
};

} // namespace korvel::audio
