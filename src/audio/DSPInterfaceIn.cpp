#include "audio/DSPInterfaceIn.h"

#include "audio/MMVox.h"

namespace korvel::audio {

void DSPInterfaceIn::deliver(const uint8_t* bytes, int count)
{
    const QByteArray block(reinterpret_cast<const char*>(bytes), count);
    emit BufferReady(block);
    if (tap_)
        tap_->measure(block);
}

} // namespace korvel::audio
