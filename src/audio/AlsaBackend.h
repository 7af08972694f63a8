#pragma once
// ALSA: the "Wave" outputs and the wave-in recording device. Devices are `default` first, then
// the cards' PCM devices from the device-name hints, by their descriptions; -1 is `default`.
//
// Threads: the device lists and open()/close() run on the main thread; write()/drain()/
// discard()/read() only on the stream's device thread. Each stream owns its own PCM handle.

#include "audio/AudioBackend.h"

namespace korvel::audio {

class AlsaBackend final : public AudioBackend {
public:
    QStringList outputDevices() override;
    QStringList inputDevices() override;
    std::unique_ptr<PcmSink> makeSink(int device) override;
    std::unique_ptr<PcmSource> makeSource(int device) override;

    struct Device {
        QString pcm;         // what snd_pcm_open gets
        QString description; // what the user sees
    };
    static QList<Device> devices(bool capture);
};

} // namespace korvel::audio
