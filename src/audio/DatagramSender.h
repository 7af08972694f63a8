#pragma once
// The datagram side of a transmission: every datagram goes to the server's voice port for
// this user through one outgoing port, with up to five attempts each.

#include "audio/TransmitInterfaces.h"

#include <QByteArray>
#include <QHostAddress>
#include <QUdpSocket>
#include <functional>
#include <memory>

namespace korvel {

// The outgoing UDP port as the sender sees it.
class IDatagramPort {
public:
    virtual ~IDatagramPort() = default;
    virtual bool IsActive() const = 0;
    // Hands the bytes over as one datagram; false when the attempt failed.
    virtual bool SendDatagram(const QByteArray& bytes) = 0;
};

// cUDPAudioOut: a UDP socket aimed at one remote port. Inactive until activated.
class UdpDatagramPort : public IDatagramPort {
public:
    void setRemote(const QHostAddress& host, uint16_t port) {
        remoteHost_ = host;
        remotePort_ = port;
    }
    // Binds to the local address (any port); false when it cannot.
    bool activate(const QHostAddress& local = QHostAddress::Any);
    void deactivate();
    bool IsActive() const override { return socket_ != nullptr; }
    bool SendDatagram(const QByteArray& bytes) override;

private:
    std::unique_ptr<QUdpSocket> socket_;
    QHostAddress remoteHost_;
    uint16_t remotePort_ = 0;
};

class DatagramSender {
public:
    // pump lets pending events run after a failed attempt (the event loop's processEvents).
    DatagramSender(IDatagramPort& port, std::function<void()> pump);

    void SendVoiceDatagram(const QByteArray& bytes);
    void SendBeginMarker();
    void SendEndMarker(int32_t count);
    void SendTalkTargetOn(int32_t user, int32_t channel);
    void SendTalkTargetOff(int32_t user, int32_t channel);

    static constexpr int kAttempts = 5;

private:
    void send(const QByteArray& bytes);

    IDatagramPort& port_;
    std::function<void()> pump_;
};

// The transmit link of a client: datagrams through a DatagramSender, talk state and
// talk-target messages through the control link's sender.
class VoiceLink : public ITransmitLink {
public:
    VoiceLink(DatagramSender& datagrams, IConnectionState& connection, std::function<void(const QByteArray&)> sendControl);

    void SendVoiceDatagram(const QByteArray& bytes) override { datagrams_.SendVoiceDatagram(bytes); }
    void SendBeginMarker() override { datagrams_.SendBeginMarker(); }
    void SendEndMarker(int32_t count) override { datagrams_.SendEndMarker(count); }
    void SendTalkTargetOn(int32_t user, int32_t channel) override { datagrams_.SendTalkTargetOn(user, channel); }
    void SendTalkTargetOff(int32_t user, int32_t channel) override { datagrams_.SendTalkTargetOff(user, channel); }
    void SendTalkState(bool on) override;
    void SendTalkTargetMessage(bool on, int32_t user, int32_t channel) override;

private:
    DatagramSender& datagrams_;
    IConnectionState& connection_;
    std::function<void(const QByteArray&)> sendControl_;
};

} // namespace korvel
