#pragma once
// Mono 16-bit rate conversion through the speexdsp resampler (quality 5 keeps 3.5 kHz flat).

#include <cstddef>
#include <cstdint>
#include <vector>

struct SpeexResamplerState_;

namespace korvel::audio {

class Resampler {
public:
    Resampler(int inRate, int outRate, int quality = 5);
    ~Resampler();
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;

    int inRate() const { return in_; }
    int outRate() const { return out_; }
    // Appends the converted samples of in to out; the resampler keeps its filter history.
    void process(const int16_t* in, size_t n, std::vector<int16_t>& out);

private:
    int in_;
    int out_;
    SpeexResamplerState_* state_ = nullptr;
};

} // namespace korvel::audio
