#pragma once
// Opus voice at 8000 Hz mono in hard CBR with 40 ms frames, so every packet has the same size and
// the stream can be cut into blocks without any framing: 24 bytes at 4800 bit/s, 43 at 8500.

#include "audio/AudioCodec.h"

struct OpusEncoder;
struct OpusDecoder;

namespace korvel::audio {

class OpusCodec final : public AudioCodec {
public:
    static constexpr int BlockSamples = 320;

    // tag is WaveFormat::TagOpusLow or WaveFormat::TagOpusMedium.
    explicit OpusCodec(uint16_t tag);
    ~OpusCodec() override;
    OpusCodec(const OpusCodec&) = delete;
    OpusCodec& operator=(const OpusCodec&) = delete;

    static WaveFormat waveFormat(uint16_t tag);
    static int bitrateFor(uint16_t tag) { return tag == WaveFormat::TagOpusLow ? 4800 : 8500; }

    WaveFormat format() const override { return waveFormat(tag_); }
    int samplesPerBlock() const override { return BlockSamples; }
    bool encodeBlock(const int16_t* pcm, uint8_t* out) override;
    bool decodeBlock(const uint8_t* in, int16_t* pcm) override;

private:
    uint16_t tag_;
    int blockBytes_;
    OpusEncoder* encoder_ = nullptr;
    OpusDecoder* decoder_ = nullptr;
};

} // namespace korvel::audio
