#pragma once
// The hosting side: accepts control connections, logs users in, carries out their channel and
// user requests, and relays each speaker's voice datagrams to the users who hear the speaker
// through at most three receive slots per listener. Everything runs on the thread that owns
// the object (the event-loop thread); nothing here blocks or takes a lock.

#include "Framing.h"
#include "Options.h"
#include "Ports.h"
#include "Tables.h"

#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <vector>

class QTcpServer;
class QTcpSocket;
class QUdpSocket;

namespace korvel {

class ServerRole : public QObject {
    Q_OBJECT
public:
    // Largest datagram relayed; anything longer is dropped at the voice port.
    static constexpr qsizetype kMaxDatagram = 512;
    // Socket buffer size asked of the OS for every datagram port.
    static constexpr int kDatagramBuffer = 2048;

    // The application object owns the options, the port plan and the loopback-mode switch;
    // the role reads them whenever it needs a value.
    ServerRole(const Options& options, const PortConfig& ports, std::function<bool()> loopbackMode,
               QObject* parent = nullptr);
    ~ServerRole() override;

    // Starts listening on TcpPort. Returns the failure text (for instance a taken port), or
    // an empty text when the server runs.
    QString StartServer();
    // Closes every open connection, announcing each logged-in user's removal to those still
    // connected, then stops listening. The tables stay.
    void StopServer();
    bool isRunning() const;
    // Control connections not yet fully closed (a stop lets queued bytes go out first).
    int openConnections() const;

    const TsUserTable& users() const { return users_; }
    const TsChannelTable& channels() const { return channels_; }
    int32_t ServerUserCount() const { return users_.count(); }
    int32_t ServerChannelCount() const { return channels_.count(); }

    // Sending operations; `to` is a connection number.
    void SendToUser(const QByteArray& message, int32_t userIndex);
    void RelayToAll(const QByteArray& message);
    void SendUserInfo(int32_t about, int32_t to);
    void SendChannelAdded(int32_t channel, int32_t to);
    void SendUserMoved(int32_t user, int32_t channel, int32_t to);
    void SendChannelRemoved(int32_t channel, int32_t to);
    void SendUserRemoved(int32_t user, int32_t to);
    void SendSay(const QString& text, int32_t to);
    void SendPacketLoss(int32_t user, int32_t to);

    // One complete control message from connection k.
    void DispatchFromUser(const QByteArray& message, int32_t k);
    // One datagram from the voice port of speaker s, its sender already checked.
    void RelayDatagram(int32_t s, const char* data, qsizetype size);

    enum class Refusal { Password, Version };

signals:
    void runningChanged(bool running);
    void userLoggedIn(int32_t user, const QString& name);
    void loginRefused(int32_t connection, const QString& name, korvel::ServerRole::Refusal why);
    void userDropped(int32_t user, const QString& name, int32_t by);
    void userDeparted(int32_t user, const QString& name);
    void channelAdded(int32_t channel, const QString& name);
    void channelRemoved(int32_t channel, const QString& name);
    void userMoved(int32_t user, int32_t channel);
    void lossAnnounced(int32_t user, int32_t lost);
    // A datagram port could not be made; the hosting program shows the text to its user.
    void portError(const QString& text);

private:
    struct Connection {
        QPointer<QTcpSocket> socket;
        FrameBuffer frames;
        quint32 peerV4 = 0; // the peer's IPv4 address, 0 when it has none
        QHostAddress peer;
    };

    void onNewConnection();
    void onReadyRead(int32_t k, QTcpSocket* socket);
    void onDisconnected(int32_t k, QTcpSocket* socket);
    void onVoiceReady(int32_t s);
    void ConnectionAccepted(int32_t k);
    void ConnectionClosed(int32_t k);
    void CloseConnection(int32_t k);
    void MakePorts(int32_t k);
    void ReleasePorts(TsUser& user);
    void MoveUser(int32_t u, int32_t c);
    TsUser* requestedUser(int32_t u);
    Connection* connection(int32_t k);

    // One handler per code.
    void HandleLogin(const QByteArray& message, int32_t k);
    void HandleDropUser(const QByteArray& message, int32_t k);
    void HandleTalkStartStop(const QByteArray& message, int32_t k);
    void HandleMute(const QByteArray& message, int32_t k, bool muted);
    void HandleAddChannel(const QByteArray& message, int32_t k);
    void HandleMoveUser(const QByteArray& message, int32_t k);
    void HandleRemoveChannel(const QByteArray& message, int32_t k);
    void HandleTalkTarget(const QByteArray& message, int32_t k, bool on);
    void HandleListenToggle(const QByteArray& message, int32_t k);
    void HandleSay(const QByteArray& message, int32_t k);
    void HandleSayToChannel(const QByteArray& message, int32_t k);

    const Options& options_;
    const PortConfig& ports_;
    std::function<bool()> loopbackMode_;
    QTcpServer* tcp_ = nullptr;
    TsUserTable users_;
    TsChannelTable channels_;
    std::vector<Connection> connections_; // indexed by connection number; 0 unused
    QByteArray datagram_;                 // receive buffer of the voice ports
    std::vector<int32_t> candidates_;     // kept between datagrams so the relay does not allocate
};

} // namespace korvel
