#pragma once
// A bare control-protocol client for testing the server role: raw messages in, raw messages
// out, and the three receive ports of a listener. Each one binds its own loopback address so
// several can share the machine.

#include "core/Framing.h"
#include "core/Message.h"
#include "core/Ports.h"
#include "core/Scramble.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QMap>
#include <QTcpSocket>
#include <QTest>
#include <QUdpSocket>
#include <memory>

namespace korvel::test {

// One received message, its entries keyed by tag (a later tag wins, as in the role).
struct Received {
    int32_t code = 0;
    QMap<int32_t, QByteArray> raw;
    QByteArray bytes;

    bool has(int32_t tag) const { return raw.contains(tag); }
    int32_t i(int32_t tag) const {
        const QByteArray v = raw.value(tag);
        if (v.size() < 4) return v.size() == 1 ? static_cast<uint8_t>(v[0]) : 0;
        uint32_t x = 0;
        for (int b = 3; b >= 0; --b) x = (x << 8) | static_cast<uint8_t>(v[b]);
        return static_cast<int32_t>(x);
    }
    QString text(int32_t tag) const { return fromWireText(raw.value(tag)); }
};

inline Received decode(const QByteArray& message) {
    Received m;
    m.bytes = message;
    MessageReader r(message);
    m.code = r.ReadInt();
    while (!r.atEnd()) {
        const int32_t tag = r.ReadInt();
        if (r.atEnd()) break;
        m.raw[tag] = r.ReadRawText();
    }
    return m;
}

inline QByteArray le32(int32_t v) {
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i) b[i] = static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xff);
    return b;
}

class ServerTestClient {
public:
    ServerTestClient(const QString& localAddress, const PortConfig& ports)
        : local_(localAddress), ports_(ports) {}

    bool connectToServer(int timeoutMs = 5000) {
        if (!tcp_.bind(local_, 0)) return false;
        QObject::connect(&tcp_, &QTcpSocket::readyRead, [this] {
            for (const QByteArray& m : frames_.append(tcp_.readAll())) messages.append(decode(m));
        });
        tcp_.connectToHost(QHostAddress::LocalHost, ports_.tcpPort());
        return tcp_.waitForConnected(timeoutMs);
    }
    // Receive ports for slots 1..3 and a sender for this user's voice.
    bool openVoice() {
        for (int i = 0; i < 3; ++i) {
            in_[i] = std::make_unique<QUdpSocket>();
            if (!in_[i]->bind(local_, ports_.clientUdpPort(i))) return false;
            QUdpSocket* s = in_[i].get();
            QObject::connect(s, &QUdpSocket::readyRead, [this, s, i] {
                while (s->hasPendingDatagrams()) {
                    QByteArray d(static_cast<int>(std::max<qint64>(s->pendingDatagramSize(), 0)), '\0');
                    s->readDatagram(d.data(), d.size());
                    slot[i].append(d);
                }
            });
        }
        return out_.bind(local_, 0);
    }

    void sendRaw(const QByteArray& bytes) {
        tcp_.write(bytes);
        tcp_.flush();
    }
    void send(const QByteArray& message) { sendRaw(frameMessage(message)); }
    void send(const MessageWriter& w) { send(w.bytes()); }

    void login(const QString& name, const QString& password = QString(), int32_t major = 1, int32_t minor = 6) {
        send(MessageWriter(msgLogin)
                 .Text(tagName, name)
                 .WriteInt(tagPassword)
                 .WriteRawText(Scramble(toWireText(password)))
                 .Int(tagVersionMajor, major)
                 .Int(tagVersionMinor, minor));
    }
    // Logs in and waits for the welcome; returns the own index (0 on failure).
    int32_t loginAndWait(const QString& name, const QString& password = QString()) {
        login(name, password);
        const Received* w = waitFor(msgWelcome);
        index = w ? w->i(tagOwnIndex) : 0;
        return index;
    }

    void sendDatagram(const QByteArray& d, int32_t asUser = 0) {
        out_.writeDatagram(d, QHostAddress::LocalHost, ports_.serverUdpPort(asUser ? asUser : index));
    }

    // Waits until a message with this code has arrived after the first `from` messages.
    const Received* waitFor(int32_t code, int timeoutMs = 5000, qsizetype from = 0) {
        QElapsedTimer t;
        t.start();
        for (;;) {
            for (qsizetype i = from; i < messages.size(); ++i)
                if (messages[i].code == code) return &messages[i];
            if (t.elapsed() > timeoutMs) return nullptr;
            QTest::qWait(5);
        }
    }
    bool waitForCount(qsizetype n, int timeoutMs = 5000) {
        QElapsedTimer t;
        t.start();
        while (messages.size() < n && t.elapsed() < timeoutMs) QTest::qWait(5);
        return messages.size() >= n;
    }
    QList<int32_t> codes(qsizetype from = 0) const {
        QList<int32_t> c;
        for (qsizetype i = from; i < messages.size(); ++i) c.append(messages[i].code);
        return c;
    }
    bool connected() const { return tcp_.state() == QAbstractSocket::ConnectedState; }
    QTcpSocket& socket() { return tcp_; }

    QList<Received> messages;
    QList<QByteArray> slot[3];
    int32_t index = 0;

private:
    QHostAddress local_;
    PortConfig ports_;
    QTcpSocket tcp_;
    FrameBuffer frames_;
    std::unique_ptr<QUdpSocket> in_[3];
    QUdpSocket out_;
};

} // namespace korvel::test
