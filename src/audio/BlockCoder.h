#pragma once
// Stream coding over a codec: input arrives in slices of any size, partial blocks wait for the
// rest. The receive side hands a decoder arbitrary slices of the byte stream.

#include "audio/AudioCodec.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace korvel::audio {

class BlockEncoder {
public:
    explicit BlockEncoder(std::unique_ptr<AudioCodec> codec);
    const AudioCodec& codec() const { return *codec_; }
    // Calls onBlock once per completed block, in order.
    void push(const int16_t* pcm, size_t samples, const std::function<void(const uint8_t*, int)>& onBlock);
    void reset() { pending_.clear(); }

private:
    std::unique_ptr<AudioCodec> codec_;
    std::vector<int16_t> pending_;
    std::vector<uint8_t> block_;
};

class BlockDecoder {
public:
    explicit BlockDecoder(std::unique_ptr<AudioCodec> codec);
    const AudioCodec& codec() const { return *codec_; }
    // Appends the samples of every completed block to out.
    void push(const uint8_t* bytes, size_t n, std::vector<int16_t>& out);
    size_t pendingBytes() const { return pending_.size(); }
    void reset() { pending_.clear(); }

private:
    std::unique_ptr<AudioCodec> codec_;
    std::vector<uint8_t> pending_;
    std::vector<int16_t> block_;
};

} // namespace korvel::audio
