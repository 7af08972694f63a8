#include "input/PushToTalk.h"

namespace korvel {

PushToTalk::PushToTalk(TransmitState& state, const Options& options, IInputState& input, ITransmitLink& link,
                       IConnectionState& connection)
    : state_(state), options_(options), input_(input), link_(link), connection_(connection) {}

void PushToTalk::ReadInputState(KeyboardState& keyboard, MouseState& mouse) {
    keyboard.fill(0);
    mouse.fill(0);
    if (!input_.Available()) return;
    // A failed read is retried once after acquiring; what the second read leaves is used.
    if (!input_.ReadMouse(mouse)) {
        input_.Acquire();
        input_.ReadMouse(mouse);
    }
    if (!input_.ReadKeyboard(keyboard)) {
        input_.Acquire();
        input_.ReadKeyboard(keyboard);
    }
}

bool PushToTalk::pressed(const KeyboardState& keyboard, const MouseState& mouse) const {
    if (!input_.Available()) return hookPressed_ ? hookPressed_() : false;
    const int32_t button = options_.gMouse;
    if (button >= 1) {
        // A stored button beyond the eighth names none.
        return button <= 8 && mouse[static_cast<size_t>(11 + button)] != 0;
    }
    // Stored key codes outside a byte name no key.
    auto down = [&](int32_t key) { return key >= 1 && key <= 255 && (keyboard[static_cast<size_t>(key)] & 0x80); };
    const int32_t key1 = options_.gKey1;
    const int32_t key2 = options_.gKey2;
    return down(key1) && (key2 == 0 || down(key2));
}

void PushToTalk::CheckPushToTalk(const KeyboardState& keyboard, const MouseState& mouse) {
    const bool isPressed = pressed(keyboard, mouse);
    if (gPttDown && !isPressed) {
        gPttDown = false;
        state_.gTalkTail = kReleaseTail;
        return;
    }
    if (isPressed && !gPttDown) {
        gPttDown = true;
        state_.gTalkTail = 0;
        state_.gPttTalking = true;
        const int32_t user = connection_.OwnIndex();
        const int32_t channel = connection_.CurrentChannel();
        link_.SendTalkTargetOn(user, channel);
        link_.SendTalkTargetMessage(true, user, channel);
    }
}

void PushToTalk::TickTalkTail() {
    if (state_.gTalkTail > 0) {
        state_.gTalkTail -= 1;
        if (state_.gTalkTail == 0) {
            state_.gPttTalking = false;
            gPttStopPending = true;
        }
    }
}

void PushToTalk::FinishPushToTalk() {
    if (!gPttStopPending) return;
    gPttStopPending = false;
    const int32_t user = connection_.OwnIndex();
    const int32_t channel = connection_.CurrentChannel();
    link_.SendTalkTargetOff(user, channel);
    link_.SendTalkTargetMessage(false, user, channel);
}

void PushToTalk::ApplyTransmitMode() {
    state_.gPushToTalk = options_.RPTT;
    state_.gVoxTalking = false;
    state_.gPttTalking = false;
    state_.gCommandTalking = false;
    state_.gTalkTail = 0;
}

} // namespace korvel
