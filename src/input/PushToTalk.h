#pragma once
// Push to talk at run time: once per capture block the hotkey is checked, a press opens the
// transmission and names its talk target, a release starts the tail, and the end of the
// transmission takes the talk target back. Main thread only.

#include "audio/TransmitInterfaces.h"
#include "core/Options.h"
#include "input/InputState.h"

#include <functional>

namespace korvel {

class PushToTalk : public IPushToTalk {
public:
    static constexpr int32_t kReleaseTail = 20;

    PushToTalk(TransmitState& state, const Options& options, IInputState& input, ITransmitLink& link,
               IConnectionState& connection);

    void ReadInputState(KeyboardState& keyboard, MouseState& mouse) override;
    void CheckPushToTalk(const KeyboardState& keyboard, const MouseState& mouse) override;
    void TickTalkTail() override;
    void FinishPushToTalk() override;
    // Takes the mode from the Push To Talk button and clears the transmitting flags.
    void ApplyTransmitMode();

    // Without input devices the hotkey comes from the keyboard hook's shared block; until that
    // exists, nothing is pressed.
    void setHookPressed(std::function<bool()> pressed) { hookPressed_ = std::move(pressed); }

    bool gPttDown = false;
    bool gPttStopPending = false;

private:
    bool pressed(const KeyboardState& keyboard, const MouseState& mouse) const;

    TransmitState& state_;
    const Options& options_;
    IInputState& input_;
    ITransmitLink& link_;
    IConnectionState& connection_;
    std::function<bool()> hookPressed_;
};

} // namespace korvel
