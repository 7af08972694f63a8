#include "input/ClientVoice.h"

namespace korvel {

ClientVoice::ClientVoice(audio::AudioSystem& system, Options& options, const PortConfig& ports, IMessages& messages,
                         IInputState& input, QObject* parent)
    : QObject(parent),
      chains_(system, codecs_, options, messages, this),
      session_(options, ports, state_, this),
      ptt_(state_, options, input, session_.link(), session_.connection()) {
    session_.setPushToTalk(&ptt_);
    wiring_ = std::make_unique<VoiceWiring>(chains_, session_);
    sounds_.setOutput(wiring_.get());
    connect(chains_.MMVox(), &audio::MMVox::LevelChanged, this, &ClientVoice::levelChanged);
    connect(chains_.DSPInterfaceIn(), &audio::DSPInterfaceIn::BufferReady, this, &ClientVoice::captureBlock);
    ptt_.ApplyTransmitMode();
}

ClientVoice::~ClientVoice() {
    // The chains' device threads pull through the wiring; they stop before it goes.
    StopAudio();
    chains_.setVoicePorts(nullptr);
}

void ClientVoice::StartAudio(int32_t codec) {
    // A fresh connection starts with nothing transmitting, nothing held in the tail and no
    // sound of the last server still waiting to be played.
    ptt_.ApplyTransmitMode();
    session_.transmitter().ResetTransmission();
    session_.reception().clear();
    chains_.StartAudio(codec);
    running_ = true;
}

void ClientVoice::StopAudio() {
    if (!running_) return;
    running_ = false;
    chains_.StopAudio();
}

} // namespace korvel
