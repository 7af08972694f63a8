#include "audio/Resampler.h"

#include <speex/speex_resampler.h>

namespace korvel::audio {

Resampler::Resampler(int inRate, int outRate, int quality)
    : in_(inRate)
    , out_(outRate)
{
    int err = 0;
    if (in_ != out_)
        state_ = speex_resampler_init(1, static_cast<spx_uint32_t>(in_), static_cast<spx_uint32_t>(out_), quality, &err);
}

Resampler::~Resampler()
{
    if (state_)
        speex_resampler_destroy(state_);
}

void Resampler::process(const int16_t* in, size_t n, std::vector<int16_t>& out)
{
    if (!state_) {
        out.insert(out.end(), in, in + n);
        return;
    }
    while (n > 0) {
        const size_t base = out.size();
        const size_t room = n * static_cast<size_t>(out_) / static_cast<size_t>(in_) + 16;
        out.resize(base + room);
        spx_uint32_t inLen = static_cast<spx_uint32_t>(n);
        spx_uint32_t outLen = static_cast<spx_uint32_t>(room);
        speex_resampler_process_int(state_, 0, in, &inLen, out.data() + base, &outLen);
        out.resize(base + outLen);
        if (inLen == 0 && outLen == 0)
            break;
        in += inLen;
        n -= inLen;
    }
}

} // namespace korvel::audio
