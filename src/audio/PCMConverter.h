#pragma once
// The software decoder of a playback chain: pulls encoded bytes from its source and hands the
// output 16-bit PCM. Automatic conversion is off: the decoded format must match the configured
// bits, channels and rate exactly, or configure() fails.

#include "audio/BlockCoder.h"
#include "audio/BufferLoader.h"
#include "audio/CodecManager.h"

#include <memory>
#include <vector>

namespace korvel::audio {

class PCMConverter final : public BufferLoader {
public:
    void setSource(BufferLoader* source) { source_ = source; }
    BufferLoader* source() const { return source_; }
    // Builds the decoder for the source's format; false when it cannot deliver rate/channels/bits.
    bool configure(const CodecManager& codecs, int rate, int channels, int bits);

    WaveFormat deliveredFormat() const override { return WaveFormat::referencePcm(); }
    void LoadBuffer(uint8_t* data, int capacity, int& filled, bool& more) override;

private:
    BufferLoader* source_ = nullptr;
    std::unique_ptr<BlockDecoder> decoder_;
    std::vector<uint8_t> encoded_;
    std::vector<int16_t> pending_;
    size_t pendingPos_ = 0;
};

} // namespace korvel::audio
