#include "audio/CodecManager.h"

#include "audio/GsmCodec.h"
#include "audio/OpusCodec.h"
#include "audio/PcmCodec.h"

namespace korvel::audio {

uint16_t CodecManager::tagForLevel(int level)
{
    switch (level) {
    case 1: return WaveFormat::TagOpusLow;
    case 2: return WaveFormat::TagOpusMedium;
    case 3: return WaveFormat::TagGsm610;
    default: return 0;
    }
}

bool CodecManager::CodecAvailable(int level) const
{
    const uint16_t tag = tagForLevel(level);
    return tag != 0 && usable_ && !enumerateFormats(tag).isEmpty();
}

QList<WaveFormat> CodecManager::enumerateFormats(uint16_t tag) const
{
    if (missing_.contains(tag))
        return {};
    switch (tag) {
    case WaveFormat::TagPcm: return {WaveFormat::referencePcm()};
    case WaveFormat::TagGsm610: return {GsmCodec::waveFormat()};
    case WaveFormat::TagOpusLow:
    case WaveFormat::TagOpusMedium: return {OpusCodec::waveFormat(tag)};
    default: return {};
    }
}

std::optional<WaveFormat> CodecManager::suggest(const WaveFormat& source, uint16_t tag) const
{
    if (!usable_ || suggestionBroken_ || !source.isPcm())
        return std::nullopt;
    for (const WaveFormat& f : enumerateFormats(tag)) {
        if (f.channels == source.channels && f.samplesPerSec == source.samplesPerSec)
            return f;
    }
    return std::nullopt;
}

std::unique_ptr<AudioCodec> CodecManager::create(const WaveFormat& format) const
{
    if (format == WaveFormat::referencePcm())
        return std::make_unique<PcmCodec>();
    if (missing_.contains(format.formatTag))
        return nullptr;
    if (format == GsmCodec::waveFormat())
        return std::make_unique<GsmCodec>();
    if ((format.formatTag == WaveFormat::TagOpusLow || format.formatTag == WaveFormat::TagOpusMedium)
        && format == OpusCodec::waveFormat(format.formatTag))
        return std::make_unique<OpusCodec>(format.formatTag);
    return nullptr;
}

void CodecManager::setMissing(uint16_t tag, bool missing)
{
    if (missing)
        missing_.insert(tag);
    else
        missing_.remove(tag);
}

} // namespace korvel::audio
