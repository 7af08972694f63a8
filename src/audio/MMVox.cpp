#include "audio/MMVox.h"

#include <cstdlib>

namespace korvel::audio {

bool MMVox::setFormat(const CodecManager& codecs, const WaveFormat& format)
{
    auto codec = codecs.create(format);
    decoder_ = codec ? std::make_unique<BlockDecoder>(std::move(codec)) : nullptr;
    level_ = 0;
    return decoder_ != nullptr;
}

int MMVox::peak(const int16_t* samples, size_t n)
{
    int best = 0;
    for (size_t i = 0; i < n; ++i) {
        if (std::abs(int(samples[i])) > std::abs(best))
            best = samples[i];
    }
    return best;
}

void MMVox::measure(const QByteArray& block)
{
    if (!decoder_)
        return;
    pcm_.clear();
    decoder_->push(reinterpret_cast<const uint8_t*>(block.constData()), static_cast<size_t>(block.size()), pcm_);
    level_ = peak(pcm_.data(), pcm_.size());
    emit LevelChanged(level_);
}

} // namespace korvel::audio
