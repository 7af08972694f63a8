#pragma once
// The encoder of the capture chain: takes 16-bit mono PCM at the capture rate, brings it to
// 8000 Hz (speexdsp, quality 5) and encodes it to the target format, handing each completed
// block to DSPInterfaceIn. With the plain-PCM target each capture buffer is one block.

#include "audio/BlockCoder.h"
#include "audio/BufferLoader.h"
#include "audio/CodecManager.h"
#include "audio/Resampler.h"

#include <memory>
#include <vector>

namespace korvel::audio {

class DSPInterfaceIn;

class ACMConverter final : public PcmConsumer {
public:
    bool setTargetFormat(const CodecManager& codecs, const WaveFormat& format);
    WaveFormat targetFormat() const { return format_; }
    void setOutput(DSPInterfaceIn* out) { out_ = out; }
    void consumePcm(const int16_t* samples, size_t count, int rate) override;

private:
    WaveFormat format_;
    std::unique_ptr<BlockEncoder> encoder_;
    std::unique_ptr<Resampler> resampler_;
    std::vector<int16_t> converted_;
    DSPInterfaceIn* out_ = nullptr;
};

} // namespace korvel::audio
