#pragma once
// What the capture handler calls out to. All calls come on the main thread, once per block.

#include "audio/TransmitState.h"

#include <QByteArray>
#include <cstdint>

namespace korvel {

// The five datagram operations and the talk-state control messages of a transmission.
class ITransmitLink {
public:
    virtual ~ITransmitLink() = default;
    virtual void SendVoiceDatagram(const QByteArray& bytes) = 0;
    virtual void SendBeginMarker() = 0;
    virtual void SendEndMarker(int32_t count) = 0;
    virtual void SendTalkTargetOn(int32_t user, int32_t channel) = 0;
    virtual void SendTalkTargetOff(int32_t user, int32_t channel) = 0;
    // msgTalkStart (on) or msgTalkStop (off) for the own user.
    virtual void SendTalkState(bool on) = 0;
    // msgTalkTargetOn / msgTalkTargetOff on the control link.
    virtual void SendTalkTargetMessage(bool on, int32_t user, int32_t channel) = 0;
};

// The connection values the transmit path reads, always fresh.
class IConnectionState {
public:
    virtual ~IConnectionState() = default;
    virtual bool SelfMuted() const = 0;
    virtual int32_t OwnIndex() const = 0;
    virtual int32_t CurrentChannel() const = 0;
};

// The push-to-talk side of a block (the input library implements it).
class IPushToTalk {
public:
    virtual ~IPushToTalk() = default;
    virtual void ReadInputState(KeyboardState& keyboard, MouseState& mouse) = 0;
    virtual void CheckPushToTalk(const KeyboardState& keyboard, const MouseState& mouse) = 0;
    virtual void TickTalkTail() = 0;
    virtual void FinishPushToTalk() = 0;
};

// The command table's part of a block; until the table exists it has no rows.
class ICommandTable {
public:
    virtual ~ICommandTable() = default;
    virtual bool HasRows() const = 0;
    virtual void CheckCommands(const KeyboardState& keyboard) = 0;
    virtual void TickCommands() = 0;
    virtual void FinishCommands() = 0;
};

} // namespace korvel
