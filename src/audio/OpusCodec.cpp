#include "audio/OpusCodec.h"

#include <opus.h>

#include <QtEndian>
#include <cstring>

namespace korvel::audio {

OpusCodec::OpusCodec(uint16_t tag)
    : tag_(tag)
    , blockBytes_(waveFormat(tag).blockAlign)
{
    int err = 0;
    encoder_ = opus_encoder_create(8000, 1, OPUS_APPLICATION_VOIP, &err);
    if (encoder_) {
        opus_encoder_ctl(encoder_, OPUS_SET_BITRATE(bitrateFor(tag)));
        opus_encoder_ctl(encoder_, OPUS_SET_VBR(0));
        opus_encoder_ctl(encoder_, OPUS_SET_SIGNAL(OPUS_SIGNAL_VOICE));
    }
    decoder_ = opus_decoder_create(8000, 1, &err);
}

OpusCodec::~OpusCodec()
{
    if (encoder_)
        opus_encoder_destroy(encoder_);
    if (decoder_)
        opus_decoder_destroy(decoder_);
}

WaveFormat OpusCodec::waveFormat(uint16_t tag)
{
    WaveFormat f;
    f.formatTag = tag;
    f.channels = 1;
    f.samplesPerSec = 8000;
    const int bytes = (bitrateFor(tag) * BlockSamples / 8000 + 7) / 8;
    f.blockAlign = static_cast<uint16_t>(bytes);
    f.avgBytesPerSec = static_cast<uint32_t>(bytes * 8000 / BlockSamples);
    f.bitsPerSample = 0;
    f.extra = QByteArray(2, '\0');
    qToLittleEndian<uint16_t>(BlockSamples, reinterpret_cast<uchar*>(f.extra.data()));
    return f;
}

bool OpusCodec::encodeBlock(const int16_t* pcm, uint8_t* out)
{
    if (!encoder_)
        return false;
    const int n = opus_encode(encoder_, pcm, BlockSamples, out, blockBytes_);
    if (n < 0)
        return false;
    // Hard CBR gives the full size already; padding keeps the block size fixed should it not.
    if (n < blockBytes_ && opus_packet_pad(out, n, blockBytes_) != OPUS_OK)
        return false;
    return true;
}

bool OpusCodec::decodeBlock(const uint8_t* in, int16_t* pcm)
{
    if (!decoder_)
        return false;
    const int n = opus_decode(decoder_, in, blockBytes_, pcm, BlockSamples, 0);
    if (n != BlockSamples) {
        // A damaged block still occupies its 40 ms: conceal it rather than drop time.
        if (opus_decode(decoder_, nullptr, 0, pcm, BlockSamples, 0) != BlockSamples)
            std::memset(pcm, 0, BlockSamples * sizeof(int16_t));
    }
    return true;
}

} // namespace korvel::audio
