#include "audio/VoiceSession.h"

#include "core/ClientRole.h"

#include <QCoreApplication>
#include <QHostInfo>

namespace korvel {

VoiceSession::VoiceSession(const Options& options, const PortConfig& ports, TransmitState& state, QObject* parent)
    : QObject(parent),
      options_(options),
      ports_(ports),
      sender_(out_, [] { QCoreApplication::processEvents(); }),
      in_(
          [this](int chain, const QByteArray& d) {
              emit datagramReceived(chain, d);
              reception_.DataIn(chain, d);
          },
          this),
      transmitter_(state, *this, *this, *this) {
    transmitter_.setVoxLevelSource(&options_.TVoxLevel);
}

VoiceSession::~VoiceSession() {
    if (lookupId_ >= 0) QHostInfo::abortHostLookup(lookupId_);
}

void VoiceSession::setCodecBytesPerSec(int32_t bytesPerSec) {
    transmitter_.setCodecBytesPerSec(bytesPerSec);
    reception_.setCodecBytesPerSec(bytesPerSec);
}

QHostAddress VoiceSession::localAddress() const {
    if (client_ && !client_->BindAddress().isNull()) return client_->BindAddress();
    return QHostAddress(QHostAddress::Any);
}

void VoiceSession::ActivatePorts() {
    DeactivatePorts();
    if (!client_) return;
    const uint16_t remotePort = ports_.serverUdpPort(client_->OwnIndex);
    const QString server = client_->ServerAddress.trimmed();
    QHostAddress literal;
    if (literal.setAddress(server)) {
        out_.setRemote(literal, remotePort);
    } else {
        // A server given by name: the port goes live once the name is resolved; until then
        // every send is a silent no-op, as for a port that failed to open.
        lookupId_ = QHostInfo::lookupHost(server, this, [this, remotePort](const QHostInfo& info) {
            lookupId_ = -1;
            for (const QHostAddress& a : info.addresses()) {
                if (a.protocol() != QAbstractSocket::IPv4Protocol) continue;
                out_.setRemote(a, remotePort);
                if (in_.isActive(0)) out_.activate(localAddress());
                return;
            }
        });
    }
    if (lookupId_ < 0 && !out_.activate(localAddress())) return;
    in_.activate(localAddress(), ports_.clientUdpPort(0));
}

void VoiceSession::DeactivatePorts() {
    if (lookupId_ >= 0) QHostInfo::abortHostLookup(lookupId_);
    lookupId_ = -1;
    out_.deactivate();
    in_.deactivate();
}

void VoiceSession::BlockReady(const QByteArray& block, int32_t tapLevel) {
    transmitter_.DSPInterfaceInBufferReady(block, tapLevel);
}

bool VoiceSession::SelfMuted() const { return client_ && client_->SelfMuted; }
int32_t VoiceSession::OwnIndex() const { return client_ ? client_->OwnIndex : 0; }
int32_t VoiceSession::CurrentChannel() const { return client_ ? client_->CurrentChannel : 0; }

void VoiceSession::SendTalkState(bool on) {
    if (!client_) return;
    if (on) client_->SendTalkStart();
    else client_->SendTalkStop();
}

void VoiceSession::SendTalkTargetMessage(bool on, int32_t, int32_t channel) {
    // The role names its own index as the user, which is the user push to talk passes.
    if (client_) client_->SendTalkTarget(on, channel);
}

void VoiceSession::ReadInputState(KeyboardState& keyboard, MouseState& mouse) {
    keyboard.fill(0);
    mouse.fill(0);
    if (ptt_) ptt_->ReadInputState(keyboard, mouse);
}

void VoiceSession::CheckPushToTalk(const KeyboardState& keyboard, const MouseState& mouse) {
    if (ptt_) ptt_->CheckPushToTalk(keyboard, mouse);
}

void VoiceSession::TickTalkTail() {
    if (ptt_) ptt_->TickTalkTail();
}

void VoiceSession::FinishPushToTalk() {
    if (ptt_) ptt_->FinishPushToTalk();
}

} // namespace korvel
