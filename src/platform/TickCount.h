#pragma once

#include <cstdint>

namespace korvel {

// Milliseconds since the system started, wrapping at 32 bits like the tick counter the
// slot ages are compared by.
uint32_t TickCount();

} // namespace korvel
