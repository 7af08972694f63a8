#include "audio/DSPInterfaceOut.h"

namespace korvel::audio {

void DSPInterfaceOut::LoadBuffer(uint8_t* data, int capacity, int& filled, bool& more)
{
    filled = 0;
    more = false;
    if (loader_)
        loader_(data, capacity, filled, more);
}

} // namespace korvel::audio
