#pragma once
// Voice datagrams: bare codec bytes, and the four markers that frame a transmission and name
// its talk targets. Plain functions over byte arrays; no socket here.

#include <QByteArray>
#include <cstdint>
#include <optional>

namespace korvel {

// Every receiving port takes datagrams of up to this many bytes.
inline constexpr qsizetype kMaxDatagramSize = 512;

QByteArray BuildBeginMarker();                                  // dgBegin, "CMDBOL"
QByteArray BuildEndMarker(int32_t count);                       // dgEnd, "CMDEOL" + count
QByteArray BuildTalkTargetOn(int32_t user, int32_t channel);    // dgTalkTargetOn, "CMDATG"
QByteArray BuildTalkTargetOff(int32_t user, int32_t channel);   // dgTalkTargetOff, "CMDRTG"

// What a server makes of a datagram from a speaker: anything that begins with "CMD" is a
// marker (named by bytes 3-5 when it has at least six); everything else is voice.
enum class ServerDatagram { Voice, Begin, End, TalkTargetOn, TalkTargetOff, OtherMarker };
ServerDatagram ClassifyAtServer(const QByteArray& datagram);

// A client only looks for the end marker; every other datagram is sound, markers included.
bool IsEndMarker(const QByteArray& datagram);

// The count of an end marker; nullopt when the datagram is no end marker or is cut short.
std::optional<int32_t> ParseEndMarkerCount(const QByteArray& datagram);

struct TalkTarget {
    bool on = false;
    int32_t user = 0;
    int32_t channel = 0;
};
// A talk-target marker of at least 14 bytes; nullopt otherwise.
std::optional<TalkTarget> ParseTalkTarget(const QByteArray& datagram);

} // namespace korvel
