#include "ClientRole.h"

#include "core/Message.h"
#include "core/Scramble.h"
#include "platform/ProgramVersion.h"

#include <QEventLoop>
#include <QLoggingCategory>
#include <QPointer>

Q_LOGGING_CATEGORY(lcClient, "korvel.client", QtWarningMsg)

namespace korvel {

namespace {
const QString kPasswordCaption = QStringLiteral("Password");
const QString kPasswordLabel = QStringLiteral("Password");
const QString kConnectPasswordHint = QStringLiteral("Specify the password to connect to this server.");
const QString kAdminPasswordHint = QStringLiteral("Specify the administrative password to access this feature.");
const QString kNotRunning = QStringLiteral("Korvel server is not running at the selected address.");
const QString kCannotDisconnect = QStringLiteral("Unable to disconnect previous connection.");
const QString kVersionTooOld = QStringLiteral(
    "This version of the Korvel program is too old to connect to the server.  Please upgrade your Korvel software.");
const QString kNotAccepted = QStringLiteral("The password is not accepted.");
} // namespace

ClientRole::ClientRole(const Options& options, const PortConfig& ports, IClientView& view, IPrompt& prompt,
                       IMessages& messages, IClientAudio& audio, IEventSounds& sounds, ISpeech& speech,
                       QObject* parent)
    : QObject(parent), options_(options), ports_(ports), view_(view), prompt_(prompt), messages_(messages),
      audio_(audio), sounds_(sounds), speech_(speech), cTCP1(this), TcTCP(this) {
    const ProgramVersion version = ReadProgramVersion();
    versionMajor_ = version.Major;
    versionMinor_ = version.Minor;

    TcTCP.setSingleShot(true);
    TcTCP.setInterval(kReconnectDelayMs);
    connect(&TcTCP, &QTimer::timeout, this, &ClientRole::onReconnectTimer);
    connect(&cTCP1, &QTcpSocket::connected, this, &ClientRole::onConnected);
    connect(&cTCP1, &QTcpSocket::errorOccurred, this, &ClientRole::onErrorOccurred);
    connect(&cTCP1, &QTcpSocket::disconnected, this, &ClientRole::onDisconnected);
    connect(&cTCP1, &QTcpSocket::readyRead, this, &ClientRole::onReadyRead);
}

ClientRole::~ClientRole() {
    // The socket is a member: make sure no event of it reaches a half-destroyed role.
    cTCP1.disconnect(this);
    cTCP1.abort();
}

bool ClientRole::IsConnected() const { return cTCP1.state() == QAbstractSocket::ConnectedState; }

// --- Link ---

bool ClientRole::closePreviousLink() {
    if (cTCP1.state() == QAbstractSocket::UnconnectedState) return true;
    cTCP1.disconnectFromHost();
    if (cTCP1.state() != QAbstractSocket::UnconnectedState) {
        QEventLoop wait;
        QTimer bound;
        bound.setSingleShot(true);
        connect(&bound, &QTimer::timeout, &wait, &QEventLoop::quit);
        connect(&cTCP1, &QAbstractSocket::stateChanged, &wait, [&wait](QAbstractSocket::SocketState s) {
            if (s == QAbstractSocket::UnconnectedState) wait.quit();
        });
        bound.start(kDisconnectWaitMs);
        wait.exec();
    }
    return cTCP1.state() == QAbstractSocket::UnconnectedState;
}

void ClientRole::resetConnectionState() {
    CurrentChannel = 0;
    SelfMuted = false;
    AdminEntered.clear();
    AdminPassword.clear();
}

void ClientRole::openLink() {
    // A half message from the previous link must not run into the first one of this link.
    ClientPending.clear();
    ++linkGeneration_;
    connecting_ = true;
    if (!bindAddress_.isNull() && !cTCP1.bind(bindAddress_, 0)) {
        qCWarning(lcClient) << "cannot bind to" << bindAddress_ << cTCP1.errorString();
    }
    cTCP1.connectToHost(ServerAddress, ports_.tcpPort());
}

void ClientRole::Connect() {
    if (!closePreviousLink()) {
        messages_.Inform(kCannotDisconnect);
        return;
    }
    // The selection is read only now: it may have changed while we waited.
    const std::optional<ServerEntry> entry = view_.FirstSelectedServerEntry();
    if (!entry) return;
    ServerNode = entry->node;
    ServerAddress = entry->address;
    ServerPassword = entry->password;
    resetConnectionState();
    openLink();
}

void ClientRole::onConnected() {
    connecting_ = false;
    send(MessageWriter(msgLogin)
             .Text(tagName, options_.EIdentity)
             .Text(tagPassword, Scramble(ServerPassword))
             .Int(tagVersionMajor, versionMajor_)
             .Int(tagVersionMinor, versionMinor_)
             .bytes());
}

void ClientRole::onErrorOccurred(QAbstractSocket::SocketError error) {
    // Errors of an established link end in the disconnected event; only a failed attempt is
    // reported here.
    if (!connecting_) return;
    connecting_ = false;
    const bool refused = error == QAbstractSocket::ConnectionRefusedError;
    const QString description = cTCP1.errorString();
    if (refused)
        messages_.Inform(kNotRunning);
    else
        view_.ShowStatus(description);
    emit connectFailed(description, refused);
}

void ClientRole::onDisconnected() {
    connecting_ = false;
    ++linkGeneration_;
    view_.SetDisconnectVisible(false);
    if (loopback_) {
        loopback_ = false;
        if (localServer_.setLoopback) localServer_.setLoopback(false);
    }
    view_.SetLoopbackChecked(false);
    view_.ClearLiveEntries();
    // The view deleted the entries; no record may keep pointing at one.
    for (int32_t u = 1; u <= TcUser.count(); ++u) TcUser.at(u)->Node = nullptr;
    for (int32_t c = 1; c <= TcChannel.count(); ++c) TcChannel.at(c)->Node = nullptr;
    if (ServerNode) TcUser.clear();
    audio_.StopAudio();
    emit linkDropped();
}

void ClientRole::onReadyRead() {
    const quint64 link = linkGeneration_;
    const QList<QByteArray> messages = ClientPending.append(cTCP1.readAll());
    if (ClientPending.overflowed()) {
        // A server that sends this much without a delimiter is not speaking our protocol.
        qCWarning(lcClient) << "control stream overflow; dropping the link";
        cTCP1.abort();
        return;
    }
    QPointer<ClientRole> self(this);
    for (const QByteArray& m : messages) {
        DispatchFromServer(m);
        if (!self || linkGeneration_ != link) return;
    }
}

void ClientRole::onReconnectTimer() {
    TcTCP.stop();
    if (!ReconnectPending) return;
    ReconnectPending = false;
    Connect();
}

void ClientRole::send(const QByteArray& message) {
    // QTcpSocket queues what the connection cannot take yet, in order, so messages never
    // interleave; a closed link drops the message.
    if (cTCP1.state() != QAbstractSocket::ConnectedState) return;
    cTCP1.write(frameMessage(message));
}

// --- Dispatch ---

void ClientRole::DispatchFromServer(const QByteArray& message) {
    MessageReader r(message);
    if (r.atEnd()) return;
    const int32_t code = r.ReadInt();
    switch (code) {
    case msgPasswordRequired: HandlePasswordRequired(r); break;
    case msgWelcome: HandleWelcome(r); break;
    case msgUserInfo: HandleUserInfo(r); break;
    case msgUserRemoved: HandleUserRemoved(r); break;
    case msgTalkStart: HandleTalk(r, true); break;
    case msgTalkStop: HandleTalk(r, false); break;
    case msgVersionTooOld: HandleVersionTooOld(r); break;
    case msgMute: HandleMute(r, true); break;
    case msgUnmute: HandleMute(r, false); break;
    case msgPacketLoss: HandlePacketLoss(r); break;
    case msgAddChannel: HandleAddChannel(r); break;
    case msgUserMoved: HandleUserMoved(r); break;
    case msgRemoveChannel: HandleRemoveChannel(r); break;
    case msgSay: HandleSay(r); break;
    default: break; // not ours
    }
}

// Reads entries until the message ends, handing each tag to `take`, which reads the value and
// returns true, or returns false to have it skipped.
template <class F> static void readEntries(MessageReader& r, F take) {
    while (!r.atEnd()) {
        const int32_t tag = r.ReadInt();
        if (r.atEnd() && !r.ok()) break;
        if (!take(tag)) r.SkipValue();
    }
}

void ClientRole::HandlePasswordRequired(MessageReader&) {
    // Told before the link goes, so a listener sees the refusal ahead of the drop.
    emit passwordRequired();
    cTCP1.disconnectFromHost();
    const std::optional<QString> typed =
        prompt_.Ask(kPasswordCaption, kPasswordLabel, kConnectPasswordHint, QString(), QChar('*'));
    if (!typed) return;
    view_.SetSelectedServerPassword(*typed);
    ReconnectPending = true;
    TcTCP.start();
}

void ClientRole::HandleVersionTooOld(MessageReader&) {
    emit versionTooOld();
    cTCP1.disconnectFromHost();
    messages_.Inform(kVersionTooOld);
}

void ClientRole::HandleWelcome(MessageReader& r) {
    int32_t own = 0, codec = 0;
    QString admin;
    readEntries(r, [&](int32_t tag) {
        switch (tag) {
        case tagOwnIndex: own = r.ReadInt(); return true;
        case tagCodec: codec = r.ReadInt(); return true;
        case tagAdminPasswordPlain: admin = r.ReadText(); return true;
        case tagAdminPassword: admin = Scramble(r.ReadText()); return true;
        default: return false;
        }
    });
    AdminPassword = admin;
    view_.SetDisconnectVisible(true);
    OwnIndex = own;
    emit loggedIn(own, codec);
    audio_.StartAudio(codec);
}

void ClientRole::HandleUserInfo(MessageReader& r) {
    QString name;
    int32_t channel = 0, user = 0, major = 0, minor = 0;
    bool muted = false;
    readEntries(r, [&](int32_t tag) {
        switch (tag) {
        case tagName: name = r.ReadText(); return true;
        case tagChannel: channel = r.ReadInt(); return true;
        case tagUser: user = r.ReadInt(); return true;
        case tagVersionMajor: major = r.ReadInt(); return true;
        case tagVersionMinor: minor = r.ReadInt(); return true;
        case tagMuted: muted = r.ReadByte() != 0; return true;
        default: return false;
        }
    });
    auto* rec = TcUser.grow(user);
    if (!rec) return;
    // A user announced twice must not leave its first entry behind.
    if (rec->Node) view_.RemoveUserEntry(user);
    rec->Name = name;
    rec->Channel = channel;
    rec->Muted = muted;
    rec->VersionMajor = major;
    rec->VersionMinor = minor;
    rec->Lost = 0;
    emit userAdded(user);
    if (!ServerNode) return;
    view_.AddUserEntry(user);
    if (options_.CSound) sounds_.PlayConnectSound();
    if (options_.CSpeakConnect) speech_.Speak(name + QStringLiteral(" has connected"));
}

void ClientRole::HandleUserRemoved(MessageReader& r) {
    int32_t user = 0;
    readEntries(r, [&](int32_t tag) {
        if (tag != tagUser) return false;
        user = r.ReadInt();
        return true;
    });
    auto* rec = TcUser.at(user);
    if (!rec) return;
    const bool hadEntry = rec->Node != nullptr;
    if (hadEntry) view_.RemoveUserEntry(user);
    rec->Node = nullptr;
    emit userRemoved(user);
    // No sound for a user that was never shown (loopback mode, or an unknown index).
    if (hadEntry && options_.CSound) sounds_.PlayDisconnectSound();
}

void ClientRole::HandleTalk(MessageReader& r, bool on) {
    int32_t user = 0;
    readEntries(r, [&](int32_t tag) {
        if (tag != tagUser) return false;
        user = r.ReadInt();
        return true;
    });
    if (!TcUser.at(user)) return;
    view_.SetTalking(user, on);
    emit talkingChanged(user, on);
}

void ClientRole::HandleMute(MessageReader& r, bool muted) {
    int32_t user = 0;
    readEntries(r, [&](int32_t tag) {
        if (tag != tagUser) return false;
        user = r.ReadInt();
        return true;
    });
    // A muted client transmits nothing until it is unmuted.
    if (user != 0 && user == OwnIndex) SelfMuted = muted;
    auto* rec = TcUser.at(user);
    if (!rec) return;
    rec->Muted = muted;
    view_.RefreshUserCaption(user);
    emit muteChanged(user, muted);
}

void ClientRole::HandlePacketLoss(MessageReader& r) {
    int32_t user = 0, lost = 0;
    readEntries(r, [&](int32_t tag) {
        switch (tag) {
        case tagUser: user = r.ReadInt(); return true;
        case tagLostCount: lost = r.ReadInt(); return true;
        default: return false;
        }
    });
    auto* rec = TcUser.at(user);
    if (!rec) return;
    rec->Lost = lost;
    view_.RefreshUserCaption(user);
    emit lossChanged(user, lost);
}

void ClientRole::HandleAddChannel(MessageReader& r) {
    int32_t channel = 0;
    QString name;
    readEntries(r, [&](int32_t tag) {
        switch (tag) {
        case tagChannelIndex: channel = r.ReadInt(); return true;
        case tagChannel: name = r.ReadText(); return true;
        default: return false;
        }
    });
    auto* rec = TcChannel.grow(channel);
    if (!rec) return;
    if (rec->Node) view_.RemoveChannelEntry(channel);
    rec->Name = name;
    view_.AddChannelEntry(channel);
    emit channelAdded(channel);
}

void ClientRole::HandleUserMoved(MessageReader& r) {
    int32_t user = 0, channel = 0;
    readEntries(r, [&](int32_t tag) {
        switch (tag) {
        case tagUser: user = r.ReadInt(); return true;
        case tagChannelIndex: channel = r.ReadInt(); return true;
        default: return false;
        }
    });
    auto* rec = TcUser.at(user);
    if (!rec) return;
    const int32_t old = rec->Channel;
    view_.MoveUserEntry(user, old, channel);
    if (user == OwnIndex) CurrentChannel = channel;
    rec->Channel = channel;
    view_.MovedUserCaptions(old, channel);
    emit userMoved(user, old, channel);
}

void ClientRole::HandleRemoveChannel(MessageReader& r) {
    int32_t channel = 0;
    readEntries(r, [&](int32_t tag) {
        if (tag != tagChannelIndex) return false;
        channel = r.ReadInt();
        return true;
    });
    auto* rec = TcChannel.at(channel);
    if (!rec) return;
    view_.RemoveChannelEntry(channel);
    rec->Node = nullptr;
    emit channelRemoved(channel);
}

void ClientRole::HandleSay(MessageReader& r) {
    QString text;
    readEntries(r, [&](int32_t tag) {
        if (tag != tagText) return false;
        text = r.ReadText();
        return true;
    });
    emit said(text);
    speech_.Speak(text);
}

// --- Administrative check ---

bool ClientRole::CheckAdmin() {
    if (AdminPassword.isEmpty()) return true;
    if (AdminEntered == AdminPassword) return true;
    const std::optional<QString> typed =
        prompt_.Ask(kPasswordCaption, kPasswordLabel, kAdminPasswordHint, QString(), QChar('*'));
    if (!typed) return false;
    AdminEntered = *typed;
    if (AdminEntered == AdminPassword) return true;
    messages_.Inform(kNotAccepted);
    return false;
}

// --- Requests ---

void ClientRole::Disconnect() {
    if (!IsConnected()) return;
    send(MessageWriter(msgDropUser).Int(tagUser, OwnIndex).bytes());
}

void ClientRole::Kick(const QList<int32_t>& users) {
    if (!CheckAdmin()) return;
    for (int32_t u : users) send(MessageWriter(msgDropUser).Int(tagUser, u).bytes());
}

void ClientRole::Mute(const QList<int32_t>& users) {
    if (!CheckAdmin()) return;
    for (int32_t u : users) {
        auto* rec = TcUser.at(u);
        const bool muted = rec && rec->Muted;
        send(MessageWriter(muted ? msgUnmute : msgMute).Int(tagUser, u).bytes());
    }
}

void ClientRole::AddChannel() {
    if (!CheckAdmin()) return;
    const std::optional<QString> name = prompt_.Ask(QStringLiteral("Add Channel"), QStringLiteral("Channel"),
                                                    QStringLiteral("Specify the name of the channel."), QString(),
                                                    QChar());
    if (!name) return;
    send(MessageWriter(msgAddChannel).Text(tagChannel, *name).bytes());
}

void ClientRole::AddChannelNamed(const QString& name) {
    if (!CheckAdmin()) return;
    send(MessageWriter(msgAddChannel).Text(tagChannel, name).bytes());
}

void ClientRole::DeleteChannels(const QList<int32_t>& channels) {
    for (int32_t c : channels) {
        if (!CheckAdmin()) continue;
        send(MessageWriter(msgRemoveChannel).Int(tagChannelIndex, c).bytes());
    }
}

void ClientRole::JoinChannel(int32_t channel) { SendMoveUser(OwnIndex, channel); }

bool ClientRole::BackToRoot() {
    if (!IsConnected() || CurrentChannel == 0) return false;
    SendMoveUser(OwnIndex, 0);
    return true;
}

void ClientRole::ServerEntryActivated() {
    if (IsConnected())
        BackToRoot();
    else
        Connect();
}

void ClientRole::SetLoopbackMode(bool on) {
    if (!on) {
        if (loopback_) {
            loopback_ = false;
            if (localServer_.setLoopback) localServer_.setLoopback(false);
        }
        // Whether connected or not; a request that cannot go out is dropped.
        Disconnect();
        return;
    }
    if (!closePreviousLink()) {
        messages_.Inform(kCannotDisconnect);
        view_.SetLoopbackChecked(false);
        return;
    }
    ServerAddress = QStringLiteral("127.0.0.1");
    ServerPassword = options_.EPassword;
    if (localServer_.start && !(localServer_.running && localServer_.running())) localServer_.start();
    ServerNode = nullptr;
    resetConnectionState();
    loopback_ = true;
    if (localServer_.setLoopback) localServer_.setLoopback(true);
    openLink();
}

void ClientRole::SendTalkStart() { send(MessageWriter(msgTalkStart).Int(tagUser, OwnIndex).bytes()); }
void ClientRole::SendTalkStop() { send(MessageWriter(msgTalkStop).Int(tagUser, OwnIndex).bytes()); }

void ClientRole::SendTalkTarget(bool on, int32_t channel) {
    send(MessageWriter(on ? msgTalkTargetOn : msgTalkTargetOff)
             .Int(tagUser, OwnIndex)
             .Int(tagChannelIndex, channel)
             .bytes());
}

void ClientRole::SendListenToggle(int32_t channel) {
    send(MessageWriter(msgListenToggle).Int(tagUser, OwnIndex).Int(tagChannelIndex, channel).bytes());
}

void ClientRole::SendMoveUser(int32_t user, int32_t channel) {
    send(MessageWriter(msgMoveUser).Int(tagUser, user).Int(tagChannelIndex, channel).bytes());
}

void ClientRole::SendSay(int32_t user, const QString& text) {
    send(MessageWriter(msgSay).Int(tagUser, user).Text(tagText, text).bytes());
}

void ClientRole::SendSayToChannel(int32_t channel, const QString& text) {
    send(MessageWriter(msgSayToChannel).Int(tagChannelIndex, channel).Text(tagText, text).bytes());
}

} // namespace korvel
