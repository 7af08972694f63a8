#include "audio/BlockCoder.h"

namespace korvel::audio {

BlockEncoder::BlockEncoder(std::unique_ptr<AudioCodec> codec)
    : codec_(std::move(codec))
    , block_(static_cast<size_t>(codec_->blockBytes()))
{
    pending_.reserve(static_cast<size_t>(codec_->samplesPerBlock()));
}

void BlockEncoder::push(const int16_t* pcm, size_t samples, const std::function<void(const uint8_t*, int)>& onBlock)
{
    const size_t per = static_cast<size_t>(codec_->samplesPerBlock());
    size_t i = 0;
    while (i < samples) {
        if (pending_.empty() && samples - i >= per) {
            if (codec_->encodeBlock(pcm + i, block_.data()))
                onBlock(block_.data(), static_cast<int>(block_.size()));
            i += per;
            continue;
        }
        const size_t take = std::min(per - pending_.size(), samples - i);
        pending_.insert(pending_.end(), pcm + i, pcm + i + take);
        i += take;
        if (pending_.size() == per) {
            if (codec_->encodeBlock(pending_.data(), block_.data()))
                onBlock(block_.data(), static_cast<int>(block_.size()));
            pending_.clear();
        }
    }
}

BlockDecoder::BlockDecoder(std::unique_ptr<AudioCodec> codec)
    : codec_(std::move(codec))
    , block_(static_cast<size_t>(codec_->samplesPerBlock()))
{
    pending_.reserve(static_cast<size_t>(codec_->blockBytes()));
}

void BlockDecoder::push(const uint8_t* bytes, size_t n, std::vector<int16_t>& out)
{
    const size_t per = static_cast<size_t>(codec_->blockBytes());
    size_t i = 0;
    while (i < n) {
        const uint8_t* block = nullptr;
        if (pending_.empty() && n - i >= per) {
            block = bytes + i;
            i += per;
        } else {
            const size_t take = std::min(per - pending_.size(), n - i);
            pending_.insert(pending_.end(), bytes + i, bytes + i + take);
            i += take;
            if (pending_.size() < per)
                break;
            block = pending_.data();
        }
        if (codec_->decodeBlock(block, block_.data()))
            out.insert(out.end(), block_.begin(), block_.end());
        if (block == pending_.data())
            pending_.clear();
    }
}

} // namespace korvel::audio
