#include "ServerRole.h"

#include "Message.h"
#include "Routing.h"
#include "Scramble.h"
#include "platform/TickCount.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>

namespace korvel {

namespace {

// A peer that stops reading while others keep talking would make its send queue grow without
// end; past this much unsent data the connection is given up.
constexpr qint64 kMaxUnsent = qint64(4) * 1024 * 1024;
// How long a closing connection may take to hand over its last bytes.
constexpr int kCloseGraceMs = 3000;

// Walks the entries of one message; `take(tag, reader)` reads the values it wants and returns
// false for the others, which are skipped by their length.
template <class F> void readEntries(const QByteArray& message, F&& take) {
    MessageReader r(message);
    r.ReadInt();
    while (!r.atEnd()) {
        const int32_t tag = r.ReadInt();
        if (r.atEnd()) break;
        if (!take(tag, r)) r.SkipValue();
    }
}

struct UserChannel {
    int32_t user = 0;
    int32_t channel = 0;
};

UserChannel readUserChannel(const QByteArray& message) {
    UserChannel v;
    readEntries(message, [&](int32_t tag, MessageReader& r) {
        if (tag == tagUser)
            v.user = r.ReadInt();
        else if (tag == tagChannelIndex)
            v.channel = r.ReadInt();
        else
            return false;
        return true;
    });
    return v;
}

// The phrase requests: whom (a user or a channel index) and the text.
struct IndexText {
    int32_t index = 0;
    QString text;
};

IndexText readIndexText(const QByteArray& message, int32_t indexTag) {
    IndexText v;
    readEntries(message, [&](int32_t tag, MessageReader& r) {
        if (tag == indexTag)
            v.index = r.ReadInt();
        else if (tag == tagText)
            v.text = r.ReadText();
        else
            return false;
        return true;
    });
    return v;
}

QHostAddress plainAddress(const QHostAddress& a) {
    bool ok = false;
    const quint32 v4 = a.toIPv4Address(&ok);
    return ok ? QHostAddress(v4) : a;
}

void setDatagramBuffers(QUdpSocket& p) {
    p.setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, ServerRole::kDatagramBuffer);
    p.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, ServerRole::kDatagramBuffer);
}

} // namespace

ServerRole::ServerRole(const Options& options, const PortConfig& ports, std::function<bool()> loopbackMode,
                       QObject* parent)
    : QObject(parent), options_(options), ports_(ports), loopbackMode_(std::move(loopbackMode)),
      tcp_(new QTcpServer(this)) {
    if (!loopbackMode_) loopbackMode_ = [] { return false; };
    connections_.resize(1);
    datagram_.resize(kDatagramBuffer);
    connect(tcp_, &QTcpServer::newConnection, this, &ServerRole::onNewConnection);
}

ServerRole::~ServerRole() {
    for (Connection& c : connections_) {
        if (!c.socket) continue;
        disconnect(c.socket, nullptr, this, nullptr);
        c.socket->abort();
        delete c.socket;
    }
}

QString ServerRole::StartServer() {
    if (tcp_->isListening()) return {};
    if (!tcp_->listen(QHostAddress::Any, ports_.tcpPort()))
        return QStringLiteral("Cannot listen on port %1: %2").arg(ports_.tcpPort()).arg(tcp_->errorString());
    emit runningChanged(true);
    return {};
}

void ServerRole::StopServer() {
    // Each logged-in user's removal goes out to those still connected before their own
    // connection closes, so the last ones hear about everyone before them.
    for (int32_t k = 1; k < static_cast<int32_t>(connections_.size()); ++k) {
        if (!connections_[static_cast<size_t>(k)].socket) continue;
        ConnectionClosed(k);
        CloseConnection(k);
    }
    const bool was = tcp_->isListening();
    tcp_->close();
    if (was) emit runningChanged(false);
}

bool ServerRole::isRunning() const { return tcp_->isListening(); }

int ServerRole::openConnections() const {
    int n = 0;
    for (const Connection& c : connections_) n += c.socket ? 1 : 0;
    return n;
}

ServerRole::Connection* ServerRole::connection(int32_t k) {
    if (k < 1 || static_cast<size_t>(k) >= connections_.size()) return nullptr;
    Connection* c = &connections_[static_cast<size_t>(k)];
    return c->socket ? c : nullptr;
}

TsUser* ServerRole::requestedUser(int32_t u) {
    // Requests name users by index; one outside the table (or 0, nobody) is not acted on.
    return users_.at(u);
}

// --- connections ---------------------------------------------------------------------------

void ServerRole::onNewConnection() {
    while (QTcpSocket* sock = tcp_->nextPendingConnection()) {
        sock->setParent(this);
        // Connection numbers are reused: the lowest free one from 1.
        int32_t k = 1;
        while (static_cast<size_t>(k) < connections_.size() && connections_[static_cast<size_t>(k)].socket) ++k;
        if (k > kMaxTableIndex || !users_.grow(k)) {
            sock->abort();
            sock->deleteLater();
            continue;
        }
        if (static_cast<size_t>(k) >= connections_.size()) connections_.resize(static_cast<size_t>(k) + 1);
        Connection& c = connections_[static_cast<size_t>(k)];
        c.socket = sock;
        c.peer = plainAddress(sock->peerAddress());
        bool v4 = false;
        c.peerV4 = c.peer.toIPv4Address(&v4);
        if (!v4) c.peerV4 = 0;
        connect(sock, &QTcpSocket::readyRead, this, [this, k, sock] { onReadyRead(k, sock); });
        connect(sock, &QTcpSocket::disconnected, this, [this, k, sock] { onDisconnected(k, sock); });
        ConnectionAccepted(k);
        if (sock->state() != QAbstractSocket::ConnectedState) onDisconnected(k, sock);
    }
}

void ServerRole::ConnectionAccepted(int32_t k) {
    TsUser* u = users_.grow(k);
    connections_[static_cast<size_t>(k)].frames.clear();
    ReleasePorts(*u);
    for (int32_t& s : u->SlotSpeaker) s = 0;
}

void ServerRole::onReadyRead(int32_t k, QTcpSocket* sock) {
    Connection* c = connection(k);
    if (!c || c->socket != sock) return;
    const QByteArray bytes = sock->readAll();
    // A closing connection (dropped, or the server stopping) is not listened to any more.
    if (sock->state() != QAbstractSocket::ConnectedState) return;
    const QList<QByteArray> messages = c->frames.append(bytes);
    const bool overflowed = c->frames.overflowed();
    for (const QByteArray& m : messages) {
        DispatchFromUser(m, k);
        // A handler may have closed this very connection.
        c = connection(k);
        if (!c || c->socket != sock || sock->state() != QAbstractSocket::ConnectedState) return;
    }
    if (overflowed) sock->abort();
}

void ServerRole::onDisconnected(int32_t k, QTcpSocket* sock) {
    Connection* c = connection(k);
    if (!c || c->socket != sock) return;
    ConnectionClosed(k);
    c = connection(k);
    if (c && c->socket == sock) {
        c->socket = nullptr;
        c->frames.clear();
    }
    disconnect(sock, nullptr, this, nullptr);
    sock->deleteLater();
}

void ServerRole::ConnectionClosed(int32_t k) {
    TsUser* u = users_.at(k);
    if (!u || !u->Active) return;
    u->Active = false;
    const QString name = u->Name;
    for (int32_t a = 1; a <= users_.count(); ++a)
        if (users_.at(a)->Active) SendUserRemoved(k, a);
    ReleasePorts(*users_.at(k));
    emit userDeparted(k, name);
}

void ServerRole::CloseConnection(int32_t k) {
    Connection* c = connection(k);
    if (!c) return;
    QPointer<QTcpSocket> sock = c->socket;
    // Bytes already queued (the user's own removal, for one) still go out before the close.
    sock->disconnectFromHost();
    if (sock && sock->state() != QAbstractSocket::UnconnectedState)
        QTimer::singleShot(kCloseGraceMs, sock, [sock] { sock->abort(); });
}

// --- datagram ports ------------------------------------------------------------------------

void ServerRole::ReleasePorts(TsUser& user) {
    auto drop = [](std::unique_ptr<QUdpSocket>& p) {
        if (QUdpSocket* s = p.release()) {
            s->disconnect();
            s->close();
            // Released later: this may run inside one of the port's own events.
            s->deleteLater();
        }
    };
    for (auto& p : user.SlotPort) drop(p);
    drop(user.VoicePort);
}

void ServerRole::MakePorts(int32_t k) {
    TsUser& u = *users_.at(k);
    ReleasePorts(u);
    const Connection* c = connection(k);
    const bool v4 = !c || c->peerV4 != 0;
    for (auto& slot : u.SlotPort) {
        auto p = std::make_unique<QUdpSocket>(this);
        if (!p->bind(v4 ? QHostAddress(QHostAddress::AnyIPv4) : QHostAddress(QHostAddress::AnyIPv6), 0)) {
            emit portError(p->errorString());
            return;
        }
        setDatagramBuffers(*p);
        slot = std::move(p);
    }
    auto p = std::make_unique<QUdpSocket>(this);
    if (!p->bind(QHostAddress::Any, ports_.serverUdpPort(k), QAbstractSocket::DontShareAddress)) {
        emit portError(QStringLiteral("Voice port %1: %2").arg(ports_.serverUdpPort(k)).arg(p->errorString()));
        return;
    }
    setDatagramBuffers(*p);
    connect(p.get(), &QUdpSocket::readyRead, this, [this, k] { onVoiceReady(k); });
    u.VoicePort = std::move(p);
}

void ServerRole::onVoiceReady(int32_t s) {
    TsUser* u = users_.at(s);
    if (!u || !u->VoicePort) return;
    QUdpSocket* port = u->VoicePort.get();
    while (port->hasPendingDatagrams()) {
        QHostAddress from;
        const qint64 n = port->readDatagram(datagram_.data(), datagram_.size(), &from, nullptr);
        if (n < 0) break;
        const Connection* c = connection(s);
        if (!c) continue;
        // Only the host of the user's own control connection speaks for that user.
        bool fromV4 = false;
        const quint32 fromAddr = from.toIPv4Address(&fromV4);
        const bool sameHost = c->peerV4 ? (fromV4 && fromAddr == c->peerV4)
                                        : from.isEqual(c->peer, QHostAddress::TolerantConversion);
        if (!sameHost || n > kMaxDatagram) continue;
        RelayDatagram(s, datagram_.constData(), n);
        u = users_.at(s);
        if (!u || u->VoicePort.get() != port) return;
    }
}

void ServerRole::RelayDatagram(int32_t s, const char* data, qsizetype size) {
    TsUser* speaker = users_.at(s);
    if (!speaker) return;
    const DatagramCommand cmd = ParseDatagram(data, size);
    using Kind = DatagramCommand::Kind;

    if (cmd.kind == Kind::TalkOn || cmd.kind == Kind::TalkOff) {
        if (!cmd.hasTarget) return;
        if (TsUser* u = requestedUser(cmd.user)) u->Talks.set(cmd.channel, cmd.kind == Kind::TalkOn);
        return;
    }

    std::vector<int32_t>& candidates = candidates_;
    Candidates(users_, s, loopbackMode_(), candidates);

    if (cmd.kind == Kind::Begin) {
        speaker->Received = 0;
        const uint32_t now = TickCount();
        for (int32_t l : candidates) AssignSlot(*users_.at(l), s, now);
        return;
    }

    for (int32_t l : candidates) {
        TsUser& listener = *users_.at(l);
        const int slot = SlotOf(listener, s);
        if (slot < 0 || !listener.SlotPort[slot]) continue;
        const Connection* c = connection(l);
        if (!c) continue;
        listener.SlotPort[slot]->writeDatagram(data, size, c->peer, ports_.clientUdpPort(slot));
    }

    if (cmd.kind == Kind::End) {
        for (int32_t l : candidates) ReleaseSlot(*users_.at(l), s);
        speaker = users_.at(s);
        if (cmd.hasCount && speaker->Received < cmd.count) {
            speaker->Lost = saturatingAdd(speaker->Lost, int64_t(cmd.count) - speaker->Received);
            const int32_t lost = speaker->Lost;
            for (int32_t a = 1; a <= users_.count(); ++a)
                if (users_.at(a)->Active) SendPacketLoss(s, a);
            emit lossAnnounced(s, lost);
        }
    } else if (cmd.kind == Kind::Voice) {
        speaker->Received = saturatingAdd(speaker->Received, 1);
    }
}

// --- sending -------------------------------------------------------------------------------

void ServerRole::SendToUser(const QByteArray& message, int32_t userIndex) {
    Connection* c = connection(userIndex);
    if (!c || c->socket->state() != QAbstractSocket::ConnectedState) return;
    QTcpSocket* sock = c->socket;
    if (sock->bytesToWrite() > kMaxUnsent) {
        // Given up on later, outside whatever loop of sends this one is part of.
        QPointer<QTcpSocket> p = sock;
        QTimer::singleShot(0, sock, [p] {
            if (p) p->abort();
        });
        return;
    }
    sock->write(frameMessage(message));
}

void ServerRole::RelayToAll(const QByteArray& message) {
    for (int32_t a = 1; a <= users_.count(); ++a)
        if (users_.at(a)->Active) SendToUser(message, a);
}

void ServerRole::SendUserInfo(int32_t about, int32_t to) {
    const TsUser* u = users_.at(about);
    if (!u) return;
    SendToUser(MessageWriter(msgUserInfo)
                   .Int(tagChannel, u->Channel)
                   .Int(tagUser, about)
                   .Text(tagName, u->Name)
                   .Byte(tagMuted, u->Muted ? 1 : 0)
                   .Int(tagVersionMajor, u->VersionMajor)
                   .Int(tagVersionMinor, u->VersionMinor)
                   .bytes(),
               to);
}

void ServerRole::SendChannelAdded(int32_t channel, int32_t to) {
    const TsChannel* c = channels_.at(channel);
    if (!c) return;
    SendToUser(MessageWriter(msgAddChannel).Int(tagChannelIndex, channel).Text(tagChannel, c->Name).bytes(), to);
}

void ServerRole::SendUserMoved(int32_t user, int32_t channel, int32_t to) {
    SendToUser(MessageWriter(msgUserMoved).Int(tagUser, user).Int(tagChannelIndex, channel).bytes(), to);
}

void ServerRole::SendChannelRemoved(int32_t channel, int32_t to) {
    SendToUser(MessageWriter(msgRemoveChannel).Int(tagChannelIndex, channel).bytes(), to);
}

void ServerRole::SendUserRemoved(int32_t user, int32_t to) {
    SendToUser(MessageWriter(msgUserRemoved).Int(tagUser, user).bytes(), to);
}

void ServerRole::SendSay(const QString& text, int32_t to) {
    SendToUser(MessageWriter(msgSay).Text(tagText, text).bytes(), to);
}

void ServerRole::SendPacketLoss(int32_t user, int32_t to) {
    const TsUser* u = users_.at(user);
    if (!u) return;
    SendToUser(MessageWriter(msgPacketLoss).Int(tagUser, user).Int(tagLostCount, u->Lost).bytes(), to);
}

// --- dispatch and handlers -----------------------------------------------------------------

void ServerRole::DispatchFromUser(const QByteArray& message, int32_t k) {
    const std::optional<int32_t> code = messageCode(message);
    if (!code) return;
    const TsUser* u = users_.at(k);
    // Until it has logged in, a connection may only log in: otherwise anyone who reaches the
    // port of a protected server could kick its users and delete its channels.
    if (*code != msgLogin && !(u && u->Active)) return;
    switch (*code) {
    case msgLogin: HandleLogin(message, k); break;
    case msgDropUser: HandleDropUser(message, k); break;
    case msgTalkStart:
    case msgTalkStop: HandleTalkStartStop(message, k); break;
    case msgMute: HandleMute(message, k, true); break;
    case msgUnmute: HandleMute(message, k, false); break;
    case msgAddChannel: HandleAddChannel(message, k); break;
    case msgMoveUser: HandleMoveUser(message, k); break;
    case msgRemoveChannel: HandleRemoveChannel(message, k); break;
    case msgTalkTargetOn: HandleTalkTarget(message, k, true); break;
    case msgTalkTargetOff: HandleTalkTarget(message, k, false); break;
    case msgListenToggle: HandleListenToggle(message, k); break;
    case msgSay: HandleSay(message, k); break;
    case msgSayToChannel: HandleSayToChannel(message, k); break;
    default: break;
    }
}

void ServerRole::HandleLogin(const QByteArray& message, int32_t k) {
    QString name, password;
    int32_t major = 0, minor = 0;
    readEntries(message, [&](int32_t tag, MessageReader& r) {
        switch (tag) {
        case tagName: name = r.ReadText(); break;
        case tagVersionMajor: major = r.ReadInt(); break;
        case tagVersionMinor: minor = r.ReadInt(); break;
        case tagPasswordPlain: password = r.ReadText(); break;
        case tagPassword: password = fromWireText(Scramble(r.ReadRawText())); break;
        default: return false;
        }
        return true;
    });
    TsUser* u = users_.grow(k);
    if (!u) return;

    if (password != options_.EPassword && !trimBlanksAndControls(options_.EPassword).isEmpty()) {
        SendToUser(MessageWriter(msgPasswordRequired).bytes(), k);
        emit loginRefused(k, name, Refusal::Password);
        return;
    }
    if (major < 1) {
        SendToUser(MessageWriter(msgVersionTooOld).bytes(), k);
        emit loginRefused(k, name, Refusal::Version);
        return;
    }

    u->Name = name;
    u->Channel = 0;
    u->Talks.clear();
    u->Listens.clear();
    u->Listens.set(0, true);
    u->Talks.set(0, true);
    u->Muted = false;
    u->VersionMajor = major;
    u->VersionMinor = minor;
    u->Lost = 0;
    u->Received = 999999;

    MakePorts(k);
    users_.at(k)->Active = true;

    SendToUser(MessageWriter(msgWelcome)
                   .Int(tagOwnIndex, k)
                   .Int(tagCodec, options_.codecLevel())
                   .WriteInt(tagAdminPassword)
                   .WriteRawText(Scramble(toWireText(options_.EAdminPassword)))
                   .bytes(),
               k);
    for (int32_t a = 1; a <= users_.count(); ++a)
        if (users_.at(a)->Active) SendUserInfo(k, a);
    for (int32_t c = 1; c <= channels_.count(); ++c)
        if (channels_.at(c)->Active) SendChannelAdded(c, k);
    for (int32_t a = 1; a <= users_.count(); ++a)
        if (a != k && users_.at(a)->Active) SendUserInfo(a, k);
    emit userLoggedIn(k, name);
}

void ServerRole::HandleDropUser(const QByteArray& message, int32_t k) {
    const int32_t u = readUserChannel(message).user;
    TsUser* r = requestedUser(u);
    if (!r) return;
    const QString name = r->Name;
    for (int32_t a = 1; a <= users_.count(); ++a)
        if (users_.at(a)->Active) SendUserRemoved(u, a);
    users_.at(u)->Active = false;
    CloseConnection(u);
    ReleasePorts(*users_.at(u));
    emit userDropped(u, name, k);
}

void ServerRole::HandleTalkStartStop(const QByteArray& message, int32_t) { RelayToAll(message); }

void ServerRole::HandleMute(const QByteArray& message, int32_t, bool muted) {
    TsUser* r = requestedUser(readUserChannel(message).user);
    if (!r) return;
    r->Muted = muted;
    RelayToAll(message);
}

void ServerRole::HandleAddChannel(const QByteArray& message, int32_t) {
    QString name;
    readEntries(message, [&](int32_t tag, MessageReader& r) {
        if (tag != tagChannel) return false;
        name = r.ReadText();
        return true;
    });
    const QString wanted = upperAscii(name);
    int32_t free = 0;
    for (int32_t c = 1; c <= channels_.count(); ++c) {
        const TsChannel* ch = channels_.at(c);
        if (ch->Active) {
            if (upperAscii(ch->Name) == wanted) return;
        } else {
            free = c; // the highest free index wins
        }
    }
    if (free == 0) free = channels_.count() + 1;
    TsChannel* ch = channels_.grow(free);
    if (!ch) return; // table full: indexes never pass the bound
    ch->Name = name;
    ch->Active = true;
    for (int32_t a = 1; a <= users_.count(); ++a)
        if (users_.at(a)->Active) SendChannelAdded(free, a);
    emit channelAdded(free, name);
}

void ServerRole::MoveUser(int32_t u, int32_t c) {
    TsUser* r = users_.at(u);
    const int32_t old = r->Channel;
    r->Talks.set(old, false);
    r->Listens.set(old, false);
    r->Channel = c;
    r->Talks.set(c, true);
    r->Listens.set(c, true);
    for (int32_t a = 1; a <= users_.count(); ++a)
        if (users_.at(a)->Active) SendUserMoved(u, c, a);
    emit userMoved(u, c);
}

void ServerRole::HandleMoveUser(const QByteArray& message, int32_t) {
    const UserChannel v = readUserChannel(message);
    if (!requestedUser(v.user)) return;
    MoveUser(v.user, v.channel);
}

void ServerRole::HandleRemoveChannel(const QByteArray& message, int32_t) {
    const int32_t c = readUserChannel(message).channel;
    // The root (0) has no record and cannot go; nor can an index no channel ever had.
    if (!channels_.at(c)) return;
    for (int32_t u = 1; u <= users_.count(); ++u) {
        const TsUser* r = users_.at(u);
        if (r->Active && r->Channel == c) MoveUser(u, 0);
    }
    TsChannel* ch = channels_.at(c);
    ch->Active = false;
    const QString name = ch->Name;
    for (int32_t a = 1; a <= users_.count(); ++a)
        if (users_.at(a)->Active) SendChannelRemoved(c, a);
    emit channelRemoved(c, name);
}

void ServerRole::HandleTalkTarget(const QByteArray& message, int32_t, bool on) {
    const UserChannel v = readUserChannel(message);
    if (TsUser* r = requestedUser(v.user)) r->Talks.set(v.channel, on);
}

void ServerRole::HandleListenToggle(const QByteArray& message, int32_t) {
    const UserChannel v = readUserChannel(message);
    if (TsUser* r = requestedUser(v.user)) r->Listens.toggle(v.channel);
}

void ServerRole::HandleSay(const QByteArray& message, int32_t) {
    const IndexText v = readIndexText(message, tagUser);
    if (requestedUser(v.index)) SendSay(v.text, v.index);
}

void ServerRole::HandleSayToChannel(const QByteArray& message, int32_t) {
    const IndexText v = readIndexText(message, tagChannelIndex);
    for (int32_t a = 1; a <= users_.count(); ++a) {
        const TsUser* r = users_.at(a);
        if (r->Active && r->Channel == v.index) SendSay(v.text, a);
    }
}

} // namespace korvel
