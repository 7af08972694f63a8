#include "TickCount.h"

#include <time.h>

namespace korvel {

uint32_t TickCount() {
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    const uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

} // namespace korvel
