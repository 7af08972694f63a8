#include "audio/GsmCodec.h"

#include <gsm.h>

#include <QtEndian>
#include <cstring>

namespace korvel::audio {

namespace {
gsm_state* makeWav49()
{
    gsm g = gsm_create();
    if (g) {
        int one = 1;
        gsm_option(g, GSM_OPT_WAV49, &one);
    }
    return g;
}
} // namespace

GsmCodec::GsmCodec()
    : encoder_(makeWav49())
    , decoder_(makeWav49())
{
}

GsmCodec::~GsmCodec()
{
    if (encoder_)
        gsm_destroy(encoder_);
    if (decoder_)
        gsm_destroy(decoder_);
}

WaveFormat GsmCodec::waveFormat()
{
    WaveFormat f;
    f.formatTag = WaveFormat::TagGsm610;
    f.channels = 1;
    f.samplesPerSec = 8000;
    f.avgBytesPerSec = 1625;
    f.blockAlign = BlockBytes;
    f.bitsPerSample = 0;
    f.extra = QByteArray(2, '\0');
    qToLittleEndian<uint16_t>(BlockSamples, reinterpret_cast<uchar*>(f.extra.data()));
    return f;
}

// In WAV #49 mode libgsm packs the frames of a pair across a shared middle byte: it writes the
// first frame as 33 bytes at 0 and the second over them from 32 on, and reads the second from 33.
// The handle remembers which half comes next, so the two calls of a block must alternate.
bool GsmCodec::encodeBlock(const int16_t* pcm, uint8_t* out)
{
    if (!encoder_)
        return false;
    gsm_signal frame[160];
    std::memcpy(frame, pcm, sizeof frame);
    gsm_encode(encoder_, frame, out);
    std::memcpy(frame, pcm + 160, sizeof frame);
    gsm_encode(encoder_, frame, out + 32);
    return true;
}

bool GsmCodec::decodeBlock(const uint8_t* in, int16_t* pcm)
{
    if (!decoder_)
        return false;
    uint8_t block[BlockBytes];
    std::memcpy(block, in, BlockBytes);
    gsm_signal frame[160];
    if (gsm_decode(decoder_, block, frame) < 0)
        return false;
    std::memcpy(pcm, frame, sizeof frame);
    if (gsm_decode(decoder_, block + 33, frame) < 0)
        return false;
    std::memcpy(pcm + 160, frame, sizeof frame);
    return true;
}

} // namespace korvel::audio
