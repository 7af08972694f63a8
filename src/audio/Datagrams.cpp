#include "audio/Datagrams.h"

#include <QtEndian>

namespace korvel {
namespace {

void putInt(QByteArray& bytes, qsizetype offset, int32_t value) {
    qToLittleEndian<int32_t>(value, bytes.data() + offset);
}

int32_t getInt(const QByteArray& bytes, qsizetype offset) {
    return qFromLittleEndian<int32_t>(bytes.constData() + offset);
}

QByteArray talkTarget(const char* text, int32_t user, int32_t channel) {
    QByteArray bytes(text);
    putInt(bytes, 6, user);
    putInt(bytes, 10, channel);
    return bytes;
}

} // namespace

QByteArray BuildBeginMarker() { return QByteArrayLiteral("CMDBOL"); }

QByteArray BuildEndMarker(int32_t count) {
    QByteArray bytes("CMDEOLXXXX");
    putInt(bytes, 6, count);
    return bytes;
}

QByteArray BuildTalkTargetOn(int32_t user, int32_t channel) { return talkTarget("CMDATGXXXXYYYY", user, channel); }

QByteArray BuildTalkTargetOff(int32_t user, int32_t channel) { return talkTarget("CMDRTGXXXXYYYY", user, channel); }

ServerDatagram ClassifyAtServer(const QByteArray& datagram) {
    if (!datagram.startsWith("CMD")) return ServerDatagram::Voice;
    if (datagram.size() < 6) return ServerDatagram::OtherMarker;
    const QByteArray command = datagram.mid(3, 3);
    if (command == "BOL") return ServerDatagram::Begin;
    if (command == "EOL") return ServerDatagram::End;
    if (command == "ATG") return ServerDatagram::TalkTargetOn;
    if (command == "RTG") return ServerDatagram::TalkTargetOff;
    return ServerDatagram::OtherMarker;
}

bool IsEndMarker(const QByteArray& datagram) { return datagram.startsWith("CMDEOL"); }

std::optional<int32_t> ParseEndMarkerCount(const QByteArray& datagram) {
    if (!IsEndMarker(datagram) || datagram.size() < 10) return std::nullopt;
    return getInt(datagram, 6);
}

std::optional<TalkTarget> ParseTalkTarget(const QByteArray& datagram) {
    if (datagram.size() < 14) return std::nullopt;
    TalkTarget t;
    if (datagram.startsWith("CMDATG")) t.on = true;
    else if (!datagram.startsWith("CMDRTG")) return std::nullopt;
    t.user = getInt(datagram, 6);
    t.channel = getInt(datagram, 10);
    return t;
}

} // namespace korvel
