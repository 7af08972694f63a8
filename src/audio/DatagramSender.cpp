#include "audio/DatagramSender.h"

#include "audio/Datagrams.h"
#include "core/Message.h"

namespace korvel {

bool UdpDatagramPort::activate(const QHostAddress& local) {
    deactivate();
    auto socket = std::make_unique<QUdpSocket>();
    if (!socket->bind(local, 0)) return false;
    socket_ = std::move(socket);
    return true;
}

void UdpDatagramPort::deactivate() { socket_.reset(); }

bool UdpDatagramPort::SendDatagram(const QByteArray& bytes) {
    if (!socket_) return true;
    return socket_->writeDatagram(bytes, remoteHost_, remotePort_) == bytes.size();
}

DatagramSender::DatagramSender(IDatagramPort& port, std::function<void()> pump) : port_(port), pump_(std::move(pump)) {}

void DatagramSender::send(const QByteArray& bytes) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        // An inactive port ends the operation as a success: nothing is sent, nothing retried.
        if (!port_.IsActive()) return;
        if (port_.SendDatagram(bytes)) return;
        if (pump_) pump_();
    }
    // Dropped; the end marker's count still includes it, so the server counts it as lost.
}

void DatagramSender::SendVoiceDatagram(const QByteArray& bytes) { send(bytes); }
void DatagramSender::SendBeginMarker() { send(BuildBeginMarker()); }
void DatagramSender::SendEndMarker(int32_t count) { send(BuildEndMarker(count)); }
void DatagramSender::SendTalkTargetOn(int32_t user, int32_t channel) { send(BuildTalkTargetOn(user, channel)); }
void DatagramSender::SendTalkTargetOff(int32_t user, int32_t channel) { send(BuildTalkTargetOff(user, channel)); }

VoiceLink::VoiceLink(DatagramSender& datagrams, IConnectionState& connection,
                     std::function<void(const QByteArray&)> sendControl)
    : datagrams_(datagrams), connection_(connection), sendControl_(std::move(sendControl)) {}

void VoiceLink::SendTalkState(bool on) {
    if (!sendControl_) return;
    sendControl_(MessageWriter(on ? msgTalkStart : msgTalkStop).Int(tagUser, connection_.OwnIndex()).bytes());
}

void VoiceLink::SendTalkTargetMessage(bool on, int32_t user, int32_t channel) {
    if (!sendControl_) return;
    sendControl_(MessageWriter(on ? msgTalkTargetOn : msgTalkTargetOff)
                     .Int(tagUser, user)
                     .Int(tagChannelIndex, channel)
                     .bytes());
}

} // namespace korvel
