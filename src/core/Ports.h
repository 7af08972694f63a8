#pragma once
// Port configuration and the command-line switches that change it. Server and clients must
// be started with the same three values; nothing is negotiated.

#include <QString>
#include <QStringList>
#include <cstdint>

namespace korvel {

struct PortConfig {
    static constexpr int32_t kDefaultTcpPort = 40000;
    static constexpr int32_t kDefaultClientUdpBase = 40002;
    static constexpr int32_t kDefaultServerUdpBase = 40010;

    int32_t TcpPort = kDefaultTcpPort;
    int32_t ClientUdpBase = kDefaultClientUdpBase;
    int32_t ServerUdpBase = kDefaultServerUdpBase;

    // Only the low 16 bits name a port.
    uint16_t tcpPort() const { return static_cast<uint16_t>(TcpPort); }
    uint16_t clientUdpPort(int slot) const { return static_cast<uint16_t>(ClientUdpBase + slot); }
    uint16_t serverUdpPort(int userIndex) const { return static_cast<uint16_t>(ServerUdpBase + userIndex); }
};

// Applies one switch ("/CTCP", "/CUDP", "/SUDP"; the name already upper-cased). Returns false
// for a name that is not ours, which the caller ignores.
bool ApplySwitch(PortConfig& ports, const QString& name, const QString& value);

// Splits each argument at its first "=", upper-cases the name's ASCII letters and applies it.
// Arguments that are not switches of ours are returned, in order, for the caller's own use.
QStringList ApplySwitches(PortConfig& ports, const QStringList& arguments);

// Trims blanks and control characters from both ends, as switch values and passwords are
// compared after it.
QString trimBlanksAndControls(const QString& text);

QString upperAscii(const QString& text);

} // namespace korvel
