#include "audio/VoiceWiring.h"

namespace korvel {

VoiceWiring::VoiceWiring(audio::AudioChains& chains, VoiceSession& session) : chains_(chains), session_(session) {
    chains_.setVoicePorts(this);
    session_.reception().setChains(this);
    QObject::connect(chains_.DSPInterfaceIn(), &audio::DSPInterfaceIn::BufferReady, &session_,
                     [this](const QByteArray& block) { session_.BlockReady(block, chains_.MMVox()->Level()); });
    for (int k = 1; k <= 3; ++k) {
        chains_.DSPInterfaceOut(k)->setLoader([this, k](uint8_t* data, int capacity, int& filled, bool& more) {
            // The device side keeps the chain-one flag and the codec rate; the loader reads them
            // as they are now, since the test start of OpenPlayback pulls before StartAudio has
            // activated the ports.
            session_.reception().gChainOneStarted = chains_.gChainOneStarted;
            session_.reception().setCodecBytesPerSec(chains_.gCodecBytesPerSec);
            filled = session_.reception().LoadPlaybackBuffer(k - 1, reinterpret_cast<char*>(data), capacity, more);
        });
    }
}

void VoiceWiring::ActivatePorts() {
    session_.setCodecBytesPerSec(chains_.gCodecBytesPerSec);
    session_.ActivatePorts();
}

void VoiceWiring::DeactivatePorts() { session_.DeactivatePorts(); }

bool VoiceWiring::IsPlaying(int chain) const {
    const audio::AudioOutput* out = chains_.ChainOutput(chain + 1);
    return out && out->isPlaying();
}

bool VoiceWiring::Start(int chain) {
    audio::AudioOutput* out = chains_.ChainOutput(chain + 1);
    return out && out->Start(); // a failed start closes the output; nothing more to do here
}

bool VoiceWiring::PlayFile(const QString& path) {
    chains_.PlayEventSound(path);
    return true;
}

} // namespace korvel
