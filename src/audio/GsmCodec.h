#pragma once
// GSM 6.10 in the 65-byte WAV #49 framing: two 160-sample frames packed into one block, in the
// bit layout sox and the Windows codec write.

#include "audio/AudioCodec.h"

struct gsm_state;

namespace korvel::audio {

class GsmCodec final : public AudioCodec {
public:
    static constexpr int BlockBytes = 65;
    static constexpr int BlockSamples = 320;

    GsmCodec();
    ~GsmCodec() override;
    GsmCodec(const GsmCodec&) = delete;
    GsmCodec& operator=(const GsmCodec&) = delete;

    static WaveFormat waveFormat();
    WaveFormat format() const override { return waveFormat(); }
    int samplesPerBlock() const override { return BlockSamples; }
    bool encodeBlock(const int16_t* pcm, uint8_t* out) override;
    bool decodeBlock(const uint8_t* in, int16_t* pcm) override;

private:
    gsm_state* encoder_ = nullptr;
    gsm_state* decoder_ = nullptr;
};

} // namespace korvel::audio
