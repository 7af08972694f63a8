#include "Routing.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace korvel {

bool Hears(const TsUser& listener, const TsUser& speaker) {
    // Entries past the speaker's talk array read as 0, so the shorter array bounds the walk.
    const int32_t n = std::min(listener.Listens.length(), speaker.Talks.length());
    for (int32_t c = 0; c < n; ++c)
        if (listener.Listens.get(c) && speaker.Talks.get(c)) return true;
    return false;
}

std::vector<int32_t> Candidates(const TsUserTable& users, int32_t speaker, bool loopback) {
    std::vector<int32_t> out;
    Candidates(users, speaker, loopback, out);
    return out;
}

void Candidates(const TsUserTable& users, int32_t speaker, bool loopback, std::vector<int32_t>& out) {
    out.clear();
    const TsUser* s = users.at(speaker);
    if (!s) return;
    for (int32_t l = 1; l <= users.count(); ++l) {
        const TsUser* u = users.at(l);
        if (!u->Active) continue;
        if (l == speaker && !loopback) continue;
        if (Hears(*u, *s)) out.push_back(l);
    }
}

int AssignSlot(TsUser& listener, int32_t speaker, uint32_t tick) {
    if (listener.SlotSpeaker[0] && listener.SlotSpeaker[1] && listener.SlotSpeaker[2]) {
        // The oldest assignment goes; ages rather than raw ticks, so the choice survives the
        // tick counter wrapping. No single oldest: slot 1.
        uint32_t age[3];
        for (int i = 0; i < 3; ++i) age[i] = tick - listener.SlotTick[i];
        int evict = 0;
        if (age[1] > age[0] && age[1] > age[2])
            evict = 1;
        else if (age[2] > age[0] && age[2] > age[1])
            evict = 2;
        listener.SlotSpeaker[evict] = 0;
    }
    for (int i = 0; i < 3; ++i) {
        if (listener.SlotSpeaker[i] == 0) {
            listener.SlotSpeaker[i] = speaker;
            listener.SlotTick[i] = tick;
            return i;
        }
    }
    return -1; // not reached: a slot was freed above
}

int ReleaseSlot(TsUser& listener, int32_t speaker) {
    const int i = SlotOf(listener, speaker);
    if (i >= 0) listener.SlotSpeaker[i] = 0;
    return i;
}

int SlotOf(const TsUser& listener, int32_t speaker) {
    for (int i = 0; i < 3; ++i)
        if (listener.SlotSpeaker[i] == speaker) return i;
    return -1;
}

namespace {
int32_t readLe32(const char* p) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(p[i]);
    return static_cast<int32_t>(v);
}
} // namespace

DatagramCommand ParseDatagram(const char* data, qsizetype size) {
    DatagramCommand d;
    if (size < 6 || std::memcmp(data, "CMD", 3) != 0) return d;
    const char* cmd = data + 3;
    if (std::memcmp(cmd, "BOL", 3) == 0) {
        d.kind = DatagramCommand::Kind::Begin;
    } else if (std::memcmp(cmd, "EOL", 3) == 0) {
        d.kind = DatagramCommand::Kind::End;
        if (size >= 10) {
            d.hasCount = true;
            d.count = readLe32(data + 6);
        }
    } else if (std::memcmp(cmd, "ATG", 3) == 0 || std::memcmp(cmd, "RTG", 3) == 0) {
        d.kind = cmd[0] == 'A' ? DatagramCommand::Kind::TalkOn : DatagramCommand::Kind::TalkOff;
        if (size >= 14) {
            d.hasTarget = true;
            d.user = readLe32(data + 6);
            d.channel = readLe32(data + 10);
        }
    } else {
        d.kind = DatagramCommand::Kind::OtherMark;
    }
    return d;
}

DatagramCommand ParseDatagram(const QByteArray& datagram) {
    return ParseDatagram(datagram.constData(), datagram.size());
}

int32_t saturatingAdd(int32_t a, int64_t b) {
    const int64_t r = static_cast<int64_t>(a) + b;
    if (r > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (r < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(r);
}

} // namespace korvel
