#pragma once
// PulseAudio: the "DirectX" outputs and "Use DirectX for audio input". Devices are the server's
// sinks and sources by description, in the server's order; -1 opens the server's default.
//
// Threads: outputDevices()/inputDevices() and the sinks' and sources' open()/close() run on the
// main thread; write()/drain()/discard()/read() run on the stream's device thread, each stream
// with its own blocking connection (pa_simple), so no PulseAudio object is shared between threads.

#include "audio/AudioBackend.h"

namespace korvel::audio {

class PulseBackend final : public AudioBackend {
public:
    QStringList outputDevices() override;
    QStringList inputDevices() override;
    std::unique_ptr<PcmSink> makeSink(int device) override;
    std::unique_ptr<PcmSource> makeSource(int device) override;
};

} // namespace korvel::audio
