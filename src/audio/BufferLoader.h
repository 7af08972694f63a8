#pragma once
// What a playback output pulls from: its source stage (a DSP tap, a PCM converter, a wave file).
// Runs on the main thread. `filled` receives the bytes written (0..capacity); `more` comes in
// false and the loader sets it true to be asked again. The output stops asking after a fill
// that leaves more false or fills 0 bytes.

#include "audio/WaveFormat.h"

#include <cstddef>
#include <cstdint>

namespace korvel::audio {

class BufferLoader {
public:
    virtual ~BufferLoader() = default;
    virtual WaveFormat deliveredFormat() const = 0;
    virtual void LoadBuffer(uint8_t* data, int capacity, int& filled, bool& more) = 0;
};

// What a capture stage hands PCM to: 16-bit mono samples at the given rate, on the main thread.
class PcmConsumer {
public:
    virtual ~PcmConsumer() = default;
    virtual void consumePcm(const int16_t* samples, size_t count, int rate) = 0;
};

} // namespace korvel::audio
