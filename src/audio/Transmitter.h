#pragma once
// The capture handler: once per encoded capture block it learns the level range, decides
// whether the user transmits (push to talk, voice activation, command table) and frames the
// transmission with its markers and talk-state messages. Main thread only.

#include "audio/TransmitInterfaces.h"

#include <QByteArray>
#include <cstdint>

namespace korvel {

// Stored bounds of 0 mean "never learned"; start-up turns them into these.
inline constexpr int32_t kVoxMinSentinel = 32767;
inline constexpr int32_t kVoxMaxSentinel = -32767;

// Voice-activation threshold for the learned bounds and the sensitivity bar position p
// (0..100), evaluated in extended precision and truncated toward zero.
int64_t VoxThreshold(int32_t voxMin, int32_t voxMax, int32_t p);

// The signed sample of greatest magnitude; the first one wins a tie; 0 for no samples.
int16_t SignedPeak(const int16_t* samples, qsizetype count);

class Transmitter {
public:
    Transmitter(TransmitState& state, ITransmitLink& link, IConnectionState& connection, IPushToTalk& ptt,
                ICommandTable* commands = nullptr);

    // The block's encoded bytes, and the level the tap reports now (the previous block's).
    // The sensitivity bar is read through the pointer at every block.
    void DSPInterfaceInBufferReady(const QByteArray& block, int32_t tapLevel);

    void setCodecBytesPerSec(int32_t bytesPerSec) { codecBytesPerSec_ = bytesPerSec; }
    void setVoxLevelSource(const int32_t* voxLevel) { voxLevel_ = voxLevel; }
    void setCommandTable(ICommandTable* commands) { commands_ = commands; }
    // Forgets a transmission a dropped link left open, so the next connection's first
    // transmission starts with its own begin marker; the learned bounds stay.
    void ResetTransmission() {
        gTransmitting = false;
        gSentCount = 0;
        gVoxPending.clear();
    }

    // Learned calibration, persisted by the main window's settings.
    int32_t gVoxMin = kVoxMinSentinel;
    int32_t gVoxMax = kVoxMaxSentinel;
    QByteArray gVoxPending;    // lead-in of voice activation, at most a quarter second
    bool gTransmitting = false;
    int32_t gSentCount = 0;

private:
    TransmitState& state_;
    ITransmitLink& link_;
    IConnectionState& connection_;
    IPushToTalk& ptt_;
    ICommandTable* commands_;
    const int32_t* voxLevel_ = nullptr;
    int32_t codecBytesPerSec_ = 0;
};

} // namespace korvel
