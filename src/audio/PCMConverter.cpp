#include "audio/PCMConverter.h"

#include <cstring>

namespace korvel::audio {

bool PCMConverter::configure(const CodecManager& codecs, int rate, int channels, int bits)
{
    decoder_.reset();
    pending_.clear();
    pendingPos_ = 0;
    if (!source_ || rate != 8000 || channels != 1 || bits != 16)
        return false;
    auto codec = codecs.create(source_->deliveredFormat());
    if (!codec)
        return false;
    decoder_ = std::make_unique<BlockDecoder>(std::move(codec));
    encoded_.resize(4096);
    pending_.reserve(8192);
    return true;
}

void PCMConverter::LoadBuffer(uint8_t* data, int capacity, int& filled, bool& more)
{
    filled = 0;
    more = false;
    if (!decoder_ || !source_ || capacity < 2)
        return;
    const size_t wanted = static_cast<size_t>(capacity) / 2;
    const int blockBytes = decoder_->codec().blockBytes();
    const int blockSamples = decoder_->codec().samplesPerBlock();
    bool sourceDone = false;
    // Pull at most a handful of times per fill: each pull asks for what the fill still lacks.
    for (int round = 0; round < 16 && pending_.size() - pendingPos_ < wanted; ++round) {
        const size_t lack = wanted - (pending_.size() - pendingPos_);
        size_t ask = (lack + blockSamples - 1) / blockSamples * blockBytes;
        ask = std::clamp<size_t>(ask, blockBytes, encoded_.size());
        int got = 0;
        bool srcMore = false;
        source_->LoadBuffer(encoded_.data(), static_cast<int>(ask), got, srcMore);
        got = std::clamp(got, 0, static_cast<int>(ask));
        if (pendingPos_ > 0 && pendingPos_ == pending_.size()) {
            pending_.clear();
            pendingPos_ = 0;
        }
        decoder_->push(encoded_.data(), static_cast<size_t>(got), pending_);
        if (!srcMore || got == 0) {
            sourceDone = true;
            break;
        }
    }
    const size_t n = std::min(wanted, pending_.size() - pendingPos_);
    std::memcpy(data, pending_.data() + pendingPos_, n * 2);
    pendingPos_ += n;
    if (pendingPos_ == pending_.size()) {
        pending_.clear();
        pendingPos_ = 0;
    }
    filled = static_cast<int>(n * 2);
    more = filled > 0 && (!sourceDone || !pending_.empty());
}

} // namespace korvel::audio
