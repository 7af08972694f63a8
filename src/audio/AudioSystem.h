#pragma once
// The sound devices the program uses: one backend for the "Wave" kind (wave-out and wave-in)
// and one for the "DirectX" kind (DirectSound output and capture), plus how device threads run.
// Made once by the program and handed to the audio components by reference.

#include "audio/AudioBackend.h"
#include "audio/DeviceTuning.h"

#include <memory>

namespace korvel::audio {

enum class DeviceKind { Wave, DirectSound };

class AudioSystem {
public:
    AudioSystem(std::unique_ptr<AudioBackend> wave, std::unique_ptr<AudioBackend> directSound);
    // ALSA and PulseAudio, unless KORVEL_AUDIO=file:... asks for the file backend.
    static std::unique_ptr<AudioSystem> fromEnvironment();
    static std::unique_ptr<AudioSystem> real();
    static std::unique_ptr<AudioSystem> files(const QString& setting);

    AudioBackend& backend(DeviceKind kind) { return kind == DeviceKind::Wave ? *wave_ : *directSound_; }
    DeviceTuning& tuning() { return tuning_; }

private:
    std::unique_ptr<AudioBackend> wave_;
    std::unique_ptr<AudioBackend> directSound_;
    DeviceTuning tuning_;
};

} // namespace korvel::audio
