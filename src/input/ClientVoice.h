#pragma once
// Everything a client connection needs to talk and listen, put together once: the codec manager,
// the device chains, the transmit flags, push to talk over an input state, the voice session on
// the client's link and the join and leave sounds. Korvel and korvel-bot both compose their
// client around one of these; it is made before the client role (which takes it as its audio and
// event-sound interfaces) and bound to the role right after. Main thread only.

#include "audio/AudioChains.h"
#include "audio/AudioSystem.h"
#include "audio/CodecManager.h"
#include "audio/EventSounds.h"
#include "audio/TransmitState.h"
#include "audio/VoiceSession.h"
#include "audio/VoiceWiring.h"
#include "core/ClientInterfaces.h"
#include "core/Options.h"
#include "core/Ports.h"
#include "input/InputState.h"
#include "input/PushToTalk.h"

#include <QObject>
#include <memory>

namespace korvel {

class ClientRole;

class ClientVoice : public QObject, public IClientAudio, public IEventSounds {
    Q_OBJECT
public:
    // `input` is read once per capture block for the push-to-talk hotkey; it must outlive this.
    ClientVoice(audio::AudioSystem& system, Options& options, const PortConfig& ports, IMessages& messages,
                IInputState& input, QObject* parent = nullptr);
    ~ClientVoice() override;

    void setClient(ClientRole* client) { session_.setClient(client); }

    // IClientAudio
    void StartAudio(int32_t codec) override;
    void StopAudio() override;
    // IEventSounds
    void PlayConnectSound() override { sounds_.PlayConnectSound(); }
    void PlayDisconnectSound() override { sounds_.PlayDisconnectSound(); }

    // The mode from the Push To Talk / Voice Activated buttons, with the transmit flags cleared.
    void ApplyTransmitMode() { ptt_.ApplyTransmitMode(); }

    bool audioRunning() const { return running_; }
    audio::CodecManager& codecs() { return codecs_; }
    audio::AudioChains& chains() { return chains_; }
    VoiceSession& session() { return session_; }
    PushToTalk& pushToTalk() { return ptt_; }
    TransmitState& transmitState() { return state_; }

signals:
    // The level of every capture block, 0..32767, as the main window's level meter shows it.
    void levelChanged(int level);
    // One encoded capture block, after the capture handler has acted on it.
    void captureBlock(const QByteArray& block);

private:
    audio::CodecManager codecs_;
    audio::AudioChains chains_;
    TransmitState state_;
    VoiceSession session_;
    PushToTalk ptt_;
    std::unique_ptr<VoiceWiring> wiring_;
    EventSounds sounds_;
    bool running_ = false;
};

} // namespace korvel
