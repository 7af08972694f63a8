#pragma once
// The source of a playback chain: delivers encoded bytes in the connection's codec format,
// pulled from the loader the voice path installs (its receive buffer for the chain).

#include "audio/BufferLoader.h"

#include <functional>

namespace korvel::audio {

class DSPInterfaceOut final : public BufferLoader {
public:
    using Loader = std::function<void(uint8_t* data, int capacity, int& filled, bool& more)>;

    void setFormat(const WaveFormat& format) { format_ = format; }
    void setLoader(Loader loader) { loader_ = std::move(loader); }

    WaveFormat deliveredFormat() const override { return format_; }
    // Without a loader it has nothing to give.
    void LoadBuffer(uint8_t* data, int capacity, int& filled, bool& more) override;

private:
    WaveFormat format_ = WaveFormat::referencePcm();
    Loader loader_;
};

} // namespace korvel::audio
