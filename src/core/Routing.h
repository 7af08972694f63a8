#pragma once
// Who hears whom and which receive slot a voice datagram takes: pure functions of the server
// tables, so the relay's decisions are testable without a socket.

#include "Tables.h"

#include <QByteArray>
#include <cstdint>
#include <vector>

namespace korvel {

// True when some channel is listened to by `listener` and talked into by `speaker`.
bool Hears(const TsUser& listener, const TsUser& speaker);

// Every active user that hears `speaker`, in index order. The speaker is among them only in
// loopback mode, when the hosting copy wants to hear itself.
std::vector<int32_t> Candidates(const TsUserTable& users, int32_t speaker, bool loopback);
// The same into a vector the caller keeps, so the relay allocates nothing per datagram.
void Candidates(const TsUserTable& users, int32_t speaker, bool loopback, std::vector<int32_t>& out);

// Gives `speaker` the first free slot of `listener` (0..2), evicting the oldest assignment
// when all three are busy. Returns the slot given.
int AssignSlot(TsUser& listener, int32_t speaker, uint32_t tick);

// Frees the first slot of `listener` held by `speaker`; returns it, or -1 when none was.
int ReleaseSlot(TsUser& listener, int32_t speaker);

// The first slot of `listener` held by `speaker`, or -1.
int SlotOf(const TsUser& listener, int32_t speaker);

// What a datagram on a voice port asks of the server.
struct DatagramCommand {
    enum class Kind {
        Voice,     // no "CMD" marker: sound to relay and count
        Begin,     // "CMDBOL"
        End,       // "CMDEOL"; count holds the sender's datagram total when the datagram has it
        TalkOn,    // "CMDATG" user, channel
        TalkOff,   // "CMDRTG" user, channel
        OtherMark, // "CMD" + anything else: relayed, not counted
    };
    Kind kind = Kind::Voice;
    bool hasCount = false;
    int32_t count = 0;
    bool hasTarget = false; // the 14-byte talk-target layout was complete
    int32_t user = 0;
    int32_t channel = 0;
};

DatagramCommand ParseDatagram(const QByteArray& datagram);
DatagramCommand ParseDatagram(const char* data, qsizetype size);

// Adds without passing the 32-bit range; loss counts come from peers.
int32_t saturatingAdd(int32_t a, int64_t b);

} // namespace korvel
