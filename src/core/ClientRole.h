#pragma once
// The client role: one control link to one server at a time. It keeps the client tables from
// the server's announcements, reports every change through the list operations of the view,
// and turns the user's actions into requests. It never touches a widget; everything it needs
// from the rest of the program comes in through the interfaces of ClientInterfaces.h.
//
// Threading: everything runs on the thread that owns the role (the main thread). Connect() and
// the password prompt let pending events run while they wait, so any handler may run in the
// middle of them; both re-read the state after waiting.

#include "core/ClientInterfaces.h"
#include "core/Framing.h"
#include "core/Options.h"
#include "core/Ports.h"
#include "core/Tables.h"

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QTcpSocket>
#include <QTimer>
#include <functional>

namespace korvel {

class MessageReader;

// This copy's own server, as loopback mode needs it. Any hook may be empty.
struct LocalServerHooks {
    std::function<bool()> running;
    // Starts listening; false when it could not.
    std::function<bool()> start;
    // The loopback switch; the server relays a speaker's voice back to him while it is on.
    std::function<void(bool)> setLoopback;
};

class ClientRole : public QObject {
    Q_OBJECT
public:
    ClientRole(const Options& options, const PortConfig& ports, IClientView& view, IPrompt& prompt,
               IMessages& messages, IClientAudio& audio, IEventSounds& sounds, ISpeech& speech,
               QObject* parent = nullptr);
    ~ClientRole() override;

    // --- Wiring (before use) ---
    void SetLocalServer(LocalServerHooks hooks) { localServer_ = std::move(hooks); }
    // The local address the control socket binds to before connecting; null = any.
    void SetBindAddress(const QHostAddress& address) { bindAddress_ = address; }
    const QHostAddress& BindAddress() const { return bindAddress_; }
    // The version sent at login; the program's own unless a test or the bot says otherwise.
    void SetProgramVersion(int32_t major, int32_t minor) {
        versionMajor_ = major;
        versionMinor_ = minor;
    }

    // --- Link ---
    // Joins the server of the first selected server entry, after closing any previous link.
    void Connect();
    bool IsConnected() const;
    bool CheckAdmin();

    // --- Requests of the user's actions ---
    // Leaves the server: the server then closes the link.
    void Disconnect();
    // Selections are lists of user indexes, last selected first.
    void Kick(const QList<int32_t>& users);
    void Mute(const QList<int32_t>& users);
    // Asks for the name with the input dialog.
    void AddChannel();
    // Sends the request for a name already known (korvel-bot); still guarded by CheckAdmin().
    void AddChannelNamed(const QString& name);
    // Asks CheckAdmin() for each channel.
    void DeleteChannels(const QList<int32_t>& channels);
    void JoinChannel(int32_t channel);
    // Back to the root; only when connected and not already in it. True when a request went out.
    bool BackToRoot();
    // Double-click on a server entry: back to the root while connected, else Connect().
    void ServerEntryActivated();
    void SetLoopbackMode(bool on);
    bool LoopbackMode() const { return loopback_; }
    // The reconnect timer runs: a password was typed and the reconnection is due.
    bool ReconnectScheduled() const { return TcTCP.isActive(); }

    // --- Requests of the voice path and the command table ---
    void SendTalkStart();
    void SendTalkStop();
    void SendTalkTarget(bool on, int32_t channel);
    void SendListenToggle(int32_t channel);
    void SendMoveUser(int32_t user, int32_t channel);
    void SendSay(int32_t user, const QString& text);
    void SendSayToChannel(int32_t channel, const QString& text);

    // --- State ---
    TcUserTable& users() { return TcUser; }
    const TcUserTable& users() const { return TcUser; }
    TcChannelTable& channels() { return TcChannel; }
    const TcChannelTable& channels() const { return TcChannel; }

    TcUserTable TcUser;
    TcChannelTable TcChannel;
    QString ServerAddress;
    QString ServerPassword;
    void* ServerNode = nullptr;
    int32_t OwnIndex = 0;
    int32_t CurrentChannel = 0;
    bool SelfMuted = false;
    QString AdminPassword;
    QString AdminEntered;
    bool ReconnectPending = false;
    FrameBuffer ClientPending;

    // One received message: read its code and run its handler. Public for tests that feed
    // crafted bytes.
    void DispatchFromServer(const QByteArray& message);

    static constexpr int kDisconnectWaitMs = 5000;
    static constexpr int kReconnectDelayMs = 1000;

signals:
    // Events for headless users of the role (korvel-bot) and tests; the view hears the same
    // through its list operations.
    void connectFailed(const QString& description, bool refused);
    void loggedIn(int32_t ownIndex, int32_t codec);
    void userAdded(int32_t user);
    void userRemoved(int32_t user);
    void userMoved(int32_t user, int32_t oldChannel, int32_t newChannel);
    void channelAdded(int32_t channel);
    void channelRemoved(int32_t channel);
    void talkingChanged(int32_t user, bool on);
    void muteChanged(int32_t user, bool muted);
    void lossChanged(int32_t user, int32_t lost);
    void said(const QString& text);
    void passwordRequired();
    void versionTooOld();
    void linkDropped();

private:
    void onConnected();
    void onErrorOccurred(QAbstractSocket::SocketError error);
    void onDisconnected();
    void onReadyRead();
    void onReconnectTimer();

    // Closes the link and waits (events running) until it is gone; false after the bound.
    bool closePreviousLink();
    void resetConnectionState();
    void openLink();
    void send(const QByteArray& message);

    void HandlePasswordRequired(MessageReader& r);
    void HandleWelcome(MessageReader& r);
    void HandleUserInfo(MessageReader& r);
    void HandleUserRemoved(MessageReader& r);
    void HandleTalk(MessageReader& r, bool on);
    void HandleVersionTooOld(MessageReader& r);
    void HandleMute(MessageReader& r, bool muted);
    void HandlePacketLoss(MessageReader& r);
    void HandleAddChannel(MessageReader& r);
    void HandleUserMoved(MessageReader& r);
    void HandleRemoveChannel(MessageReader& r);
    void HandleSay(MessageReader& r);

    const Options& options_;
    const PortConfig& ports_;
    IClientView& view_;
    IPrompt& prompt_;
    IMessages& messages_;
    IClientAudio& audio_;
    IEventSounds& sounds_;
    ISpeech& speech_;
    LocalServerHooks localServer_;
    QHostAddress bindAddress_;
    int32_t versionMajor_ = 0;
    int32_t versionMinor_ = 0;

    QTcpSocket cTCP1;
    QTimer TcTCP;
    bool connecting_ = false;
    bool loopback_ = false;
    // Counts links; a batch of received messages stops when a handler ends its link.
    quint64 linkGeneration_ = 0;
};

} // namespace korvel
