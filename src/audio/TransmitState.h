#pragma once
// The transmit flags the capture handler, push-to-talk and the command table share. One set per
// program, owned by whoever composes the client; each part holds a reference.

#include <array>
#include <cstdint>

namespace korvel {

struct TransmitState {
    bool gPushToTalk = true;      // mode in force: push to talk, else voice activated
    bool gPttTalking = false;     // a push-to-talk transmission is in progress
    int32_t gTalkTail = 0;        // blocks the transmission stays open after a release or a loud block
    bool gCommandTalking = false; // a command-table transmit action holds the transmission
    bool gVoxTalking = false;     // voice activated: the last level was above the threshold
};

// Input state as read once per capture block: 256 keys by scan code (bit 7 = down), and the
// mouse record (three 32-bit axes, then button bytes from offset 12; non-zero = down).
using KeyboardState = std::array<uint8_t, 256>;
using MouseState = std::array<uint8_t, 20>;

} // namespace korvel
