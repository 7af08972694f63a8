#pragma once
// One codec behind the codec manager: its format and the coding of one whole block. An instance
// holds the state of one stream, so a stream uses its own instance to encode or to decode.

#include "audio/WaveFormat.h"

#include <cstdint>

namespace korvel::audio {

class AudioCodec {
public:
    virtual ~AudioCodec() = default;
    virtual WaveFormat format() const = 0;
    // PCM samples (8000 Hz mono 16-bit) in one encoded block.
    virtual int samplesPerBlock() const = 0;
    int blockBytes() const { return format().blockAlign; }
    // Encodes samplesPerBlock() samples into exactly blockBytes() bytes.
    virtual bool encodeBlock(const int16_t* pcm, uint8_t* out) = 0;
    // Decodes blockBytes() bytes into samplesPerBlock() samples.
    virtual bool decodeBlock(const uint8_t* in, int16_t* pcm) = 0;
};

} // namespace korvel::audio
