#pragma once
// Reception of up to three voices: each receive slot collects its datagrams in its own buffer,
// and its playback chain pulls the buffer through LoadPlaybackBuffer. Main thread only: the
// receive handlers and the buffer loads are both events of the main loop.

#include <QByteArray>
#include <array>
#include <cstdint>

namespace korvel {

inline constexpr int kReceiveSlots = 3;
inline constexpr int kMaxBufferedSeconds = 60;

struct ReceiveBuffer {
    QByteArray bytes;
    int32_t readPosition = 0;
};

// The outputs of the three playback chains (chain = 0..2 for chains 1..3).
class IPlaybackChains {
public:
    virtual ~IPlaybackChains() = default;
    virtual bool IsPlaying(int chain) const = 0;
    // Starts the chain's output; false when it could not start (the output then closes).
    virtual bool Start(int chain) = 0;
};

class Reception {
public:
    explicit Reception(IPlaybackChains* chains = nullptr) : chains_(chains) {}

    void setChains(IPlaybackChains* chains) { chains_ = chains; }
    void setCodecBytesPerSec(int32_t bytesPerSec) { codecBytesPerSec_ = bytesPerSec; }
    int32_t codecBytesPerSec() const { return codecBytesPerSec_; }

    // cUDPAudioIn1DataIn .. cUDPAudioIn3DataIn.
    void DataIn(int chain, const QByteArray& datagram);
    void cUDPAudioIn1DataIn(const QByteArray& d) { DataIn(0, d); }
    void cUDPAudioIn2DataIn(const QByteArray& d) { DataIn(1, d); }
    void cUDPAudioIn3DataIn(const QByteArray& d) { DataIn(2, d); }

    // Fills up to capacity bytes of area for the chain's output; returns the bytes filled.
    // more comes in false and is set true when the output should ask again.
    int32_t LoadPlaybackBuffer(int chain, char* area, int32_t capacity, bool& more);

    // Chain 1's output reports its start and its closing.
    void ChainOneStarted() { gChainOneStarted = true; }
    void ChainOneClosed() { gChainOneStarted = false; }

    const ReceiveBuffer& buffer(int chain) const { return buffers_[static_cast<size_t>(chain)]; }
    // Empties every receive buffer (a new connection starts clean).
    void clear();

    bool gChainOneStarted = false;

private:
    std::array<ReceiveBuffer, kReceiveSlots> buffers_;
    IPlaybackChains* chains_;
    int32_t codecBytesPerSec_ = 0;
};

} // namespace korvel
