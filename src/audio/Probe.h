#pragma once
// Reachability probe: one ICMP echo request and a short bounded wait for the answer. Linux lets
// an ordinary process send echoes through a datagram ICMP socket only when its group is in
// net.ipv4.ping_group_range, and through a raw socket only with CAP_NET_RAW; without either the
// probe tries a TCP connection to port 80 instead, where a refusal proves the host is there as
// well as an acceptance does. Runs on the main thread; the wait never blocks the event loop.

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <memory>

class QSocketNotifier;
class QTcpSocket;
class QTimer;

namespace korvel {

class HostProbe : public QObject {
    Q_OBJECT
public:
    enum class Method { Auto, IcmpDatagram, IcmpRaw, TcpConnect };
    static constexpr int kWaitMs = 432; // five millionths of a day

    explicit HostProbe(QObject* parent = nullptr);
    ~HostProbe() override;

    // Auto takes the first of datagram ICMP, raw ICMP and TCP that the system allows.
    void setMethod(Method method) { method_ = method; }
    // The way the last probe went out (Auto until one was sent).
    Method usedMethod() const { return used_; }

    // Starts a probe; finished() follows within the wait. A probe already running is ended.
    void start(const QString& address);
    bool isRunning() const { return running_; }

signals:
    void finished(bool reached);

private:
    void send(const QHostAddress& target);
    bool sendIcmp(const QHostAddress& target, bool raw);
    void sendTcp(const QHostAddress& target);
    void readIcmp();
    void finish(bool reached);
    void closeAll();

    Method method_ = Method::Auto;
    Method used_ = Method::Auto;
    bool running_ = false;
    int lookupId_ = -1;
    int icmpFd_ = -1;
    uint16_t echoId_ = 0;
    QHostAddress target_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::unique_ptr<QTcpSocket> tcp_;
    QTimer* deadline_;
};

// True when the host answered within the wait. Other events keep running while it waits.
bool ProbeHost(const QString& address, HostProbe::Method method = HostProbe::Method::Auto);

} // namespace korvel
