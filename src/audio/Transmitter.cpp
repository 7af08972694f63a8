#include "audio/Transmitter.h"

#include <cstdlib>
#include <limits>

namespace korvel {

int64_t VoxThreshold(int32_t voxMin, int32_t voxMax, int32_t p) {
    // The threshold has always been computed in the x87 extended format; a double lands one
    // off for some bounds, which moves the trigger point, so keep the wider type.
    const long double fraction = static_cast<long double>(p) * 0.01L;
    const long double t = static_cast<long double>(voxMax) - static_cast<long double>(voxMin) * fraction +
                          static_cast<long double>(voxMin);
    return static_cast<int64_t>(t);
}

int16_t SignedPeak(const int16_t* samples, qsizetype count) {
    int16_t peak = 0;
    int magnitude = 0;
    for (qsizetype i = 0; i < count; ++i) {
        const int m = std::abs(static_cast<int>(samples[i]));
        if (m > magnitude) {
            magnitude = m;
            peak = samples[i];
        }
    }
    return peak;
}

Transmitter::Transmitter(TransmitState& state, ITransmitLink& link, IConnectionState& connection, IPushToTalk& ptt,
                         ICommandTable* commands)
    : state_(state), link_(link), connection_(connection), ptt_(ptt), commands_(commands) {}

void Transmitter::DSPInterfaceInBufferReady(const QByteArray& block, int32_t tapLevel) {
    if (connection_.SelfMuted()) return;

    const int32_t level = tapLevel;
    if (std::abs(static_cast<int64_t>(level)) < 32767) {
        if (level < gVoxMin) gVoxMin = level;
        if (level > gVoxMax) gVoxMax = level;
    }

    KeyboardState keyboard{};
    MouseState mouse{};
    ptt_.ReadInputState(keyboard, mouse);

    if (state_.gPushToTalk) {
        state_.gVoxTalking = false;
        ptt_.CheckPushToTalk(keyboard, mouse);
        ptt_.TickTalkTail();
    } else {
        const int32_t p = voxLevel_ ? *voxLevel_ : 10;
        if (static_cast<int64_t>(level) > VoxThreshold(gVoxMin, gVoxMax, p)) {
            state_.gTalkTail = 30;
            state_.gVoxTalking = true;
        } else {
            state_.gVoxTalking = false;
        }
        gVoxPending.append(block);
        if (gVoxPending.size() > codecBytesPerSec_ / 4) gVoxPending.remove(0, block.size());
        // The tail falls through silence for as long as the connection lasts; stop at the
        // bottom instead of wrapping round to a huge positive tail.
        if (state_.gTalkTail > std::numeric_limits<int32_t>::min()) state_.gTalkTail -= 1;
    }

    if (commands_ && commands_->HasRows()) {
        commands_->CheckCommands(keyboard);
        commands_->TickCommands();
    }

    const bool transmitting =
        state_.gPttTalking || state_.gVoxTalking || state_.gCommandTalking || state_.gTalkTail > 0;

    if (transmitting) {
        if (!gTransmitting) {
            link_.SendBeginMarker();
            link_.SendTalkState(true);
        }
        gTransmitting = true;
        gSentCount += 1;
        // A send may let other handlers run (a mode switch among them); the mode is re-read.
        link_.SendVoiceDatagram(state_.gPushToTalk ? block : gVoxPending);
        gVoxPending.clear();
    } else {
        if (gTransmitting) {
            link_.SendEndMarker(gSentCount);
            link_.SendTalkState(false);
            if (commands_) commands_->FinishCommands();
            ptt_.FinishPushToTalk();
            gSentCount = 0;
        }
        gTransmitting = false;
    }
}

} // namespace korvel
