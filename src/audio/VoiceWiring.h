#pragma once
// Joins a connection's voice session to the device side: StartAudio activates the session's
// datagram ports, every encoded capture block goes to the capture handler with the tap's level,
// the three playback chains pull from the receive buffers, and the event sounds play through
// the event-sound output. Main thread only.

#include "audio/AudioChains.h"
#include "audio/EventSounds.h"
#include "audio/VoicePorts.h"
#include "audio/VoiceSession.h"

namespace korvel {

class VoiceWiring : public audio::VoicePorts, public IPlaybackChains, public IEventSoundOutput {
public:
    VoiceWiring(audio::AudioChains& chains, VoiceSession& session);

    void ActivatePorts() override;
    void DeactivatePorts() override;
    bool IsPlaying(int chain) const override;
    bool Start(int chain) override;
    bool PlayFile(const QString& path) override;

private:
    audio::AudioChains& chains_;
    VoiceSession& session_;
};

} // namespace korvel
