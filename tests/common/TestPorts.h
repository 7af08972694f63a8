#pragma once
// Tests run in parallel, in several checkouts at once: each test takes its own port plan
// instead of the defaults, so no two of them meet on a port.

#include "core/Ports.h"

#include <QHostAddress>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QUdpSocket>

namespace korvel::test {

inline bool portFree(const QHostAddress& addr, quint16 port) {
    QTcpServer t;
    if (!t.listen(addr, port)) return false;
    t.close();
    QUdpSocket u;
    return u.bind(addr, port);
}

// A port plan whose TCP port, three client ports and `users` server ports are all free on
// 127.0.0.1 and on the any-address.
inline PortConfig freePortPlan(int users = 16) {
    for (int attempt = 0; attempt < 200; ++attempt) {
        const int base = 20000 + static_cast<int>(QRandomGenerator::global()->bounded(40000 / 64)) * 64;
        PortConfig p;
        p.TcpPort = base;
        p.ClientUdpBase = base + 2;
        p.ServerUdpBase = base + 10;
        if (p.ServerUdpBase + users >= 65535) continue;
        bool ok = portFree(QHostAddress::Any, p.tcpPort());
        for (int i = 0; ok && i < 3; ++i) ok = portFree(QHostAddress::Any, p.clientUdpPort(i));
        for (int k = 1; ok && k <= users; ++k) ok = portFree(QHostAddress::Any, p.serverUdpPort(k));
        if (ok) return p;
    }
    qFatal("no free port plan");
}

} // namespace korvel::test
