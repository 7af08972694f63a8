#include "audio/Volume.h"

namespace korvel::audio {

void Volume::apply(const int16_t* in, int16_t* out, size_t n, int volume)
{
    for (size_t i = 0; i < n; ++i) {
        const int64_t v = static_cast<int64_t>(in[i]) * volume / Unity;
        out[i] = static_cast<int16_t>(std::clamp<int64_t>(v, -32768, 32767));
    }
}

void Volume::consumePcm(const int16_t* samples, size_t count, int rate)
{
    if (!target_)
        return;
    if (!enabled_) {
        target_->consumePcm(samples, count, rate);
        return;
    }
    scratch_.resize(count);
    apply(samples, scratch_.data(), count, volume_);
    target_->consumePcm(scratch_.data(), count, rate);
}

} // namespace korvel::audio
