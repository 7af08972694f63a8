#include "audio/Reception.h"

#include "audio/Datagrams.h"

#include <algorithm>
#include <cstring>

namespace korvel {

void Reception::DataIn(int chain, const QByteArray& datagram) {
    if (chain < 0 || chain >= kReceiveSlots) return;
    ReceiveBuffer& buffer = buffers_[static_cast<size_t>(chain)];
    const bool endMarker = IsEndMarker(datagram);
    // The buffer grows while the chain is behind; a chain that cannot play at all must not let
    // a sender fill the memory, so a slot keeps at most kMaxBufferedSeconds of sound.
    const qsizetype limit = std::max<qsizetype>(kMaxBufferedSeconds * static_cast<qsizetype>(codecBytesPerSec_), 65536);
    if (!datagram.isEmpty() && !endMarker && buffer.bytes.size() + datagram.size() <= limit)
        buffer.bytes.append(datagram);
    // A long transmission starts once two seconds have arrived; a short one at its end.
    const bool due = buffer.bytes.size() >= 2 * static_cast<qsizetype>(codecBytesPerSec_) || endMarker;
    if (due && chains_ && !chains_->IsPlaying(chain)) chains_->Start(chain);
}

int32_t Reception::LoadPlaybackBuffer(int chain, char* area, int32_t capacity, bool& more) {
    if (chain < 0 || chain >= kReceiveSlots || capacity <= 0) {
        more = false;
        return 0;
    }
    ReceiveBuffer& buffer = buffers_[static_cast<size_t>(chain)];
    if (buffer.bytes.isEmpty()) {
        if (gChainOneStarted) {
            more = false;
            return 0;
        }
        // Half a second of zero bytes: the output's test start and a start after chain 1 has
        // closed play this one buffer and stop.
        const int32_t n = std::min(codecBytesPerSec_ / 2, capacity);
        if (n > 0) std::memset(area, 0, static_cast<size_t>(n));
        return std::max(n, 0);
    }

    const int32_t n = std::min(codecBytesPerSec_ / 8, capacity);
    const int32_t size = static_cast<int32_t>(buffer.bytes.size());
    int32_t filled = 0;
    if (buffer.readPosition < size && n > 0) {
        filled = std::min(n, size - buffer.readPosition);
        std::memcpy(area, buffer.bytes.constData() + buffer.readPosition, static_cast<size_t>(filled));
        buffer.readPosition += filled;
    }
    if (buffer.readPosition < size) {
        more = true;
    } else {
        more = false;
        buffer.bytes.clear();
        buffer.readPosition = 0;
    }
    return filled;
}

void Reception::clear() {
    for (ReceiveBuffer& b : buffers_) {
        b.bytes.clear();
        b.readPosition = 0;
    }
}

} // namespace korvel
