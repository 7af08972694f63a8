#include "audio/Probe.h"

#include <QEventLoop>
#include <QHostInfo>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QTcpSocket>
#include <QTimer>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace korvel {
namespace {

constexpr int kEchoDataSize = 56;

uint16_t checksum(const uint8_t* data, size_t size) {
    uint32_t sum = 0;
    for (size_t i = 0; i + 1 < size; i += 2) sum += static_cast<uint32_t>(data[i] << 8 | data[i + 1]);
    if (size % 2) sum += static_cast<uint32_t>(data[size - 1] << 8);
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint16_t>(~sum);
}

} // namespace

HostProbe::HostProbe(QObject* parent) : QObject(parent), deadline_(new QTimer(this)) {
    deadline_->setSingleShot(true);
    connect(deadline_, &QTimer::timeout, this, [this] { finish(false); });
}

HostProbe::~HostProbe() { closeAll(); }

void HostProbe::start(const QString& address) {
    if (running_) finish(false);
    running_ = true;
    used_ = Method::Auto;
    deadline_->start(kWaitMs);
    QHostAddress literal;
    if (literal.setAddress(address.trimmed())) {
        send(literal);
        return;
    }
    lookupId_ = QHostInfo::lookupHost(address.trimmed(), this, [this](const QHostInfo& info) {
        lookupId_ = -1;
        if (!running_) return;
        for (const QHostAddress& a : info.addresses()) {
            if (a.protocol() == QAbstractSocket::IPv4Protocol) {
                send(a);
                return;
            }
        }
        if (!info.addresses().isEmpty()) send(info.addresses().first());
        else finish(false);
    });
}

void HostProbe::send(const QHostAddress& target) {
    target_ = target;
    const bool v4 = target.protocol() == QAbstractSocket::IPv4Protocol;
    if (v4 && (method_ == Method::Auto || method_ == Method::IcmpDatagram) && sendIcmp(target, false)) return;
    if (!running_) return;
    if (v4 && (method_ == Method::Auto || method_ == Method::IcmpRaw) && sendIcmp(target, true)) return;
    if (!running_) return;
    if (method_ == Method::Auto || method_ == Method::TcpConnect) {
        sendTcp(target);
        return;
    }
    finish(false);
}

bool HostProbe::sendIcmp(const QHostAddress& target, bool raw) {
    const int fd = ::socket(AF_INET, (raw ? SOCK_RAW : SOCK_DGRAM) | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd < 0) return false; // not allowed for this process: try the next way
    icmpFd_ = fd;
    used_ = raw ? Method::IcmpRaw : Method::IcmpDatagram;

    uint8_t packet[sizeof(icmphdr) + kEchoDataSize] = {};
    echoId_ = static_cast<uint16_t>(QRandomGenerator::global()->bounded(1, 65536));
    auto* header = reinterpret_cast<icmphdr*>(packet);
    header->type = ICMP_ECHO;
    header->code = 0;
    header->un.echo.id = htons(echoId_);
    header->un.echo.sequence = htons(1);
    for (int i = 0; i < kEchoDataSize; ++i) packet[sizeof(icmphdr) + i] = static_cast<uint8_t>(i);
    header->checksum = htons(checksum(packet, sizeof packet));

    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(target.toIPv4Address());
    notifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { readIcmp(); });
    if (::sendto(fd, packet, sizeof packet, 0, reinterpret_cast<sockaddr*>(&to), sizeof to) < 0) finish(false);
    return true;
}

void HostProbe::readIcmp() {
    uint8_t buffer[1500];
    for (;;) {
        sockaddr_in from{};
        socklen_t fromSize = sizeof from;
        const ssize_t n = ::recvfrom(icmpFd_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &fromSize);
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return;
            finish(false); // an ICMP error for our echo (unreachable, refused)
            return;
        }
        const uint8_t* icmp = buffer;
        size_t size = static_cast<size_t>(n);
        if (used_ == Method::IcmpRaw) {
            // A raw socket sees every ICMP message to this machine: only the target's echo
            // reply to our own request counts.
            if (size < sizeof(iphdr)) continue;
            const size_t headerSize = static_cast<size_t>(buffer[0] & 0x0F) * 4;
            if (headerSize < sizeof(iphdr) || size < headerSize + sizeof(icmphdr)) continue;
            if (ntohl(from.sin_addr.s_addr) != target_.toIPv4Address()) continue;
            icmp = buffer + headerSize;
            size -= headerSize;
            const auto* h = reinterpret_cast<const icmphdr*>(icmp);
            if (h->type != ICMP_ECHOREPLY || ntohs(h->un.echo.id) != echoId_) continue;
        } else {
            if (size < sizeof(icmphdr)) continue;
            if (reinterpret_cast<const icmphdr*>(icmp)->type != ICMP_ECHOREPLY) continue;
        }
        finish(true);
        return;
    }
}

void HostProbe::sendTcp(const QHostAddress& target) {
    used_ = Method::TcpConnect;
    tcp_ = std::make_unique<QTcpSocket>();
    connect(tcp_.get(), &QTcpSocket::connected, this, [this] { finish(true); });
    connect(tcp_.get(), &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) {
        finish(e == QAbstractSocket::ConnectionRefusedError);
    });
    tcp_->connectToHost(target, 80);
}

void HostProbe::closeAll() {
    // The probe may end inside the notifier's or the socket's own signal: delete them later.
    if (notifier_) {
        notifier_->setEnabled(false);
        notifier_.release()->deleteLater();
    }
    if (icmpFd_ >= 0) ::close(icmpFd_);
    icmpFd_ = -1;
    if (tcp_) {
        tcp_->disconnect(this);
        tcp_->abort();
        tcp_.release()->deleteLater();
    }
    if (lookupId_ >= 0) QHostInfo::abortHostLookup(lookupId_);
    lookupId_ = -1;
}

void HostProbe::finish(bool reached) {
    if (!running_) return;
    running_ = false;
    deadline_->stop();
    closeAll();
    emit finished(reached);
}

bool ProbeHost(const QString& address, HostProbe::Method method) {
    HostProbe probe;
    probe.setMethod(method);
    bool reached = false;
    QEventLoop loop;
    QObject::connect(&probe, &HostProbe::finished, &loop, [&](bool r) {
        reached = r;
        loop.quit();
    });
    probe.start(address);
    if (probe.isRunning()) loop.exec();
    return reached;
}

} // namespace korvel
