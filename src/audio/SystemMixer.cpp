#include "audio/SystemMixer.h"

#include "audio/PulseContext.h"

namespace korvel::audio {

bool SystemMixer::ready() const { return PulseContext().connected(); }

QString SystemMixer::sinkName() const
{
    if (play_ < 0)
        return {};
    const auto sinks = PulseContext().sinks();
    return play_ < sinks.size() ? sinks[play_].name : QString();
}

QString SystemMixer::sourceName() const
{
    if (record_ < 0)
        return {};
    const auto sources = PulseContext().sources();
    return record_ < sources.size() ? sources[record_].name : QString();
}

std::optional<double> SystemMixer::playVolume() const { return PulseContext().sinkVolume(sinkName()); }
std::optional<double> SystemMixer::recordVolume() const { return PulseContext().sourceVolume(sourceName()); }
bool SystemMixer::setPlayVolume(double volume) { return PulseContext().setSinkVolume(sinkName(), volume); }
bool SystemMixer::setRecordVolume(double volume) { return PulseContext().setSourceVolume(sourceName(), volume); }

} // namespace korvel::audio
