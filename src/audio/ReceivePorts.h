#pragma once
// cUDPAudioIn1..3: the three receive ports of a client, on ClientUdpBase + 0, 1, 2 of its own
// address, each handing its datagrams to the matching receive handler.

#include <QHostAddress>
#include <QObject>
#include <QUdpSocket>
#include <array>
#include <functional>
#include <memory>

namespace korvel {

class ReceivePorts : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(int chain, const QByteArray& datagram)>;
    explicit ReceivePorts(Handler handler, QObject* parent = nullptr);

    // Binds chain k's port to local:firstPort + k. Stops at the first port that fails, as the
    // remaining ones are not tried; returns how many are active.
    int activate(const QHostAddress& local, uint16_t firstPort);
    void deactivate();
    bool isActive(int chain) const { return sockets_[static_cast<size_t>(chain)] != nullptr; }

private:
    void readPending(int chain);

    Handler handler_;
    std::array<std::unique_ptr<QUdpSocket>, 3> sockets_;
};

} // namespace korvel
