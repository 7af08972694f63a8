#include "input/InputState.h"

#include <cstddef>

namespace korvel {

bool ScriptedInputState::ReadKeyboard(KeyboardState& keyboard) {
    keyboard = keyboard_;
    return true;
}

bool ScriptedInputState::ReadMouse(MouseState& mouse) {
    mouse = mouse_;
    return true;
}

void ScriptedInputState::setMouseButton(int button, bool down) {
    if (button < 1 || button > 8) return;
    mouse_[static_cast<std::size_t>(11 + button)] = down ? 0x80 : 0;
}

} // namespace korvel
