#include "audio/ACMConverter.h"

#include "audio/DSPInterfaceIn.h"

namespace korvel::audio {

bool ACMConverter::setTargetFormat(const CodecManager& codecs, const WaveFormat& format)
{
    format_ = format;
    auto codec = codecs.create(format);
    encoder_ = codec ? std::make_unique<BlockEncoder>(std::move(codec)) : nullptr;
    resampler_.reset();
    return encoder_ != nullptr;
}

void ACMConverter::consumePcm(const int16_t* samples, size_t count, int rate)
{
    if (!encoder_ || !out_)
        return;
    if (!resampler_ || resampler_->inRate() != rate)
        resampler_ = std::make_unique<Resampler>(rate, 8000, 5);
    converted_.clear();
    resampler_->process(samples, count, converted_);
    if (format_.isPcm()) {
        if (!converted_.empty())
            out_->deliver(reinterpret_cast<const uint8_t*>(converted_.data()), static_cast<int>(converted_.size() * 2));
        return;
    }
    encoder_->push(converted_.data(), converted_.size(),
                   [this](const uint8_t* block, int n) { out_->deliver(block, n); });
}

} // namespace korvel::audio
