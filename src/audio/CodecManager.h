#pragma once
// The codec manager: which formats exist for a format tag, the destination format it suggests
// for a source format, and codec instances for a format. Tests and users can declare a codec
// missing or the suggestion broken to reach the fallbacks the connection code must survive.

#include "audio/AudioCodec.h"
#include "audio/WaveFormat.h"

#include <QList>
#include <QSet>
#include <memory>
#include <optional>

namespace korvel::audio {

class CodecManager {
public:
    // The format tag of codec level 1..3; 0 for any other level.
    static uint16_t tagForLevel(int level);

    // Whether at least one format of the level's tag is known.
    bool CodecAvailable(int level) const;
    QList<WaveFormat> enumerateFormats(uint16_t tag) const;
    // A destination format for converting source into tag with the same channels and rate.
    std::optional<WaveFormat> suggest(const WaveFormat& source, uint16_t tag) const;
    // A fresh codec (its own stream state) for format; null when no codec serves it.
    std::unique_ptr<AudioCodec> create(const WaveFormat& format) const;

    bool usable() const { return usable_; }
    void setUsable(bool usable) { usable_ = usable; }
    void setMissing(uint16_t tag, bool missing);
    void setSuggestionBroken(bool broken) { suggestionBroken_ = broken; }

private:
    bool usable_ = true;
    bool suggestionBroken_ = false;
    QSet<uint16_t> missing_;
};

} // namespace korvel::audio
