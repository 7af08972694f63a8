#pragma once
// The gain stage of the capture chain (Volume1): volume 0..131072 where 16384 is unity, so a
// boost of 1..8 is a linear factor; samples pushed past the 16-bit range saturate.

#include "audio/BufferLoader.h"

#include <vector>

namespace korvel::audio {

class Volume final : public PcmConsumer {
public:
    static constexpr int Unity = 16384;
    static constexpr int Max = 131072;

    void setEnabled(bool on) { enabled_ = on; }
    bool enabled() const { return enabled_; }
    void setVolume(int volume) { volume_ = std::clamp(volume, 0, Max); }
    int volume() const { return volume_; }
    void setTarget(PcmConsumer* target) { target_ = target; }
    PcmConsumer* target() const { return target_; }

    static void apply(const int16_t* in, int16_t* out, size_t n, int volume);
    void consumePcm(const int16_t* samples, size_t count, int rate) override;

private:
    bool enabled_ = false;
    int volume_ = Unity;
    PcmConsumer* target_ = nullptr;
    std::vector<int16_t> scratch_;
};

} // namespace korvel::audio
