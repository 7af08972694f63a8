#pragma once
// The voice path of one client over its control link: the capture handler with its datagram
// port to the server (cUDPAudioOut), the three receive ports (cUDPAudioIn1..3) and the receive
// buffers they fill. The device side calls ActivatePorts/DeactivatePorts from StartAudio and
// StopAudio, hands every encoded capture block to BlockReady and lets its playback chains pull
// through the reception. Main thread only.

#include "audio/DatagramSender.h"
#include "audio/ReceivePorts.h"
#include "audio/Reception.h"
#include "audio/Transmitter.h"
#include "core/Options.h"
#include "core/Ports.h"

#include <QHostAddress>
#include <QObject>

namespace korvel {

class ClientRole;

class VoiceSession : public QObject, private IConnectionState, private ITransmitLink, private IPushToTalk {
    Q_OBJECT
public:
    VoiceSession(const Options& options, const PortConfig& ports, TransmitState& state, QObject* parent = nullptr);
    ~VoiceSession() override;

    // The client whose link this voice belongs to: connection values, talk-state messages and
    // the local address every voice socket binds to.
    void setClient(ClientRole* client) { client_ = client; }
    // Push to talk; without one, the hotkey reads as released.
    void setPushToTalk(IPushToTalk* ptt) { ptt_ = ptt; }

    // Step of StartAudio: aims cUDPAudioOut at the server's port for this user and activates
    // it and the three receive ports, in that order, stopping at the first that fails.
    void ActivatePorts();
    void DeactivatePorts();

    // One encoded capture block and the level the tap reports now.
    void BlockReady(const QByteArray& block, int32_t tapLevel);

    void setCodecBytesPerSec(int32_t bytesPerSec);

    Transmitter& transmitter() { return transmitter_; }
    Reception& reception() { return reception_; }
    ITransmitLink& link() { return *this; }
    IConnectionState& connection() { return *this; }
    bool sendPortActive() const { return out_.IsActive(); }
    bool receivePortActive(int chain) const { return in_.isActive(chain); }

signals:
    // Every datagram that reached a receive port (chain 0..2), before reception handles it.
    void datagramReceived(int chain, const QByteArray& datagram);

private:
    // IConnectionState
    bool SelfMuted() const override;
    int32_t OwnIndex() const override;
    int32_t CurrentChannel() const override;
    // ITransmitLink
    void SendVoiceDatagram(const QByteArray& bytes) override { sender_.SendVoiceDatagram(bytes); }
    void SendBeginMarker() override { sender_.SendBeginMarker(); }
    void SendEndMarker(int32_t count) override { sender_.SendEndMarker(count); }
    void SendTalkTargetOn(int32_t u, int32_t c) override { sender_.SendTalkTargetOn(u, c); }
    void SendTalkTargetOff(int32_t u, int32_t c) override { sender_.SendTalkTargetOff(u, c); }
    void SendTalkState(bool on) override;
    void SendTalkTargetMessage(bool on, int32_t user, int32_t channel) override;
    // IPushToTalk, forwarded
    void ReadInputState(KeyboardState& keyboard, MouseState& mouse) override;
    void CheckPushToTalk(const KeyboardState& keyboard, const MouseState& mouse) override;
    void TickTalkTail() override;
    void FinishPushToTalk() override;

    QHostAddress localAddress() const;

    const Options& options_;
    const PortConfig& ports_;
    ClientRole* client_ = nullptr;
    IPushToTalk* ptt_ = nullptr;
    UdpDatagramPort out_;
    DatagramSender sender_;
    ReceivePorts in_;
    Reception reception_;
    Transmitter transmitter_;
    int lookupId_ = -1;
};

} // namespace korvel
