#pragma once
// Immediate keyboard and mouse state, read in the background once per capture block.

#include "audio/TransmitState.h"

namespace korvel {

class IInputState {
public:
    virtual ~IInputState() = default;
    // False until the devices exist; the state then reads as everything released.
    virtual bool Available() const = 0;
    // False when the read failed; the caller acquires and reads once more.
    virtual bool ReadKeyboard(KeyboardState& keyboard) = 0;
    virtual bool ReadMouse(MouseState& mouse) = 0;
    virtual void Acquire() = 0;
};

// No input devices: every key and button reads as released.
class ReleasedInputState : public IInputState {
public:
    bool Available() const override { return false; }
    bool ReadKeyboard(KeyboardState&) override { return false; }
    bool ReadMouse(MouseState&) override { return false; }
    void Acquire() override {}
};

// A state a program sets itself (korvel-bot holds its push-to-talk key this way).
class ScriptedInputState : public IInputState {
public:
    bool Available() const override { return true; }
    bool ReadKeyboard(KeyboardState& keyboard) override;
    bool ReadMouse(MouseState& mouse) override;
    void Acquire() override {}

    void setKey(uint8_t scanCode, bool down) { keyboard_[scanCode] = down ? 0x80 : 0; }
    void setMouseButton(int button, bool down); // 1..8

private:
    KeyboardState keyboard_{};
    MouseState mouse_{};
};

} // namespace korvel
