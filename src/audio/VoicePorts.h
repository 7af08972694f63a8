#pragma once
// What StartAudio and StopAudio ask of the voice path's datagram ports: activate the send port
// (remote end set from the server address and own index) and the three receive ports, in that
// order, stopping silently at the first failure; and deactivate all four.

namespace korvel::audio {

class VoicePorts {
public:
    virtual ~VoicePorts() = default;
    virtual void ActivatePorts() = 0;
    virtual void DeactivatePorts() = 0;
};

} // namespace korvel::audio
