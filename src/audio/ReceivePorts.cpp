#include "audio/ReceivePorts.h"

#include "audio/Datagrams.h"

namespace korvel {

ReceivePorts::ReceivePorts(Handler handler, QObject* parent) : QObject(parent), handler_(std::move(handler)) {}

int ReceivePorts::activate(const QHostAddress& local, uint16_t firstPort) {
    deactivate();
    int active = 0;
    for (int k = 0; k < 3; ++k) {
        auto socket = std::make_unique<QUdpSocket>();
        if (!socket->bind(local, static_cast<uint16_t>(firstPort + k))) break;
        connect(socket.get(), &QUdpSocket::readyRead, this, [this, k] { readPending(k); });
        sockets_[static_cast<size_t>(k)] = std::move(socket);
        ++active;
    }
    return active;
}

void ReceivePorts::deactivate() {
    for (auto& s : sockets_) s.reset();
}

void ReceivePorts::readPending(int chain) {
    QUdpSocket* socket = sockets_[static_cast<size_t>(chain)].get();
    while (socket && socket->hasPendingDatagrams()) {
        const qint64 size = socket->pendingDatagramSize();
        // The ports take datagrams of up to 512 bytes; a longer one would only be a cut piece
        // of codec bytes, which the decoder cannot resynchronise on, so it is dropped whole.
        if (size < 0 || size > kMaxDatagramSize) {
            char discard = 0;
            socket->readDatagram(&discard, 1);
            continue;
        }
        QByteArray datagram(size, Qt::Uninitialized);
        const qint64 n = socket->readDatagram(datagram.data(), size);
        if (n < 0) continue;
        datagram.truncate(n);
        if (handler_) handler_(chain, datagram);
        socket = sockets_[static_cast<size_t>(chain)].get(); // the handler may have closed it
    }
}

} // namespace korvel
