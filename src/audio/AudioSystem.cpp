#include "audio/AudioSystem.h"

#include "audio/AlsaBackend.h"
#include "audio/FileBackend.h"
#include "audio/PulseBackend.h"

namespace korvel::audio {

AudioSystem::AudioSystem(std::unique_ptr<AudioBackend> wave, std::unique_ptr<AudioBackend> directSound)
    : wave_(std::move(wave))
    , directSound_(std::move(directSound))
{
}

std::unique_ptr<AudioSystem> AudioSystem::real()
{
    return std::make_unique<AudioSystem>(std::make_unique<AlsaBackend>(), std::make_unique<PulseBackend>());
}

std::unique_ptr<AudioSystem> AudioSystem::files(const QString& setting)
{
    const auto config = FileBackendConfig::parse(setting);
    if (!config)
        return nullptr;
    auto wave = std::make_unique<FileBackend>(*config);
    auto directSound = std::make_unique<FileBackend>(*config, wave->timeline());
    return std::make_unique<AudioSystem>(std::move(wave), std::move(directSound));
}

std::unique_ptr<AudioSystem> AudioSystem::fromEnvironment()
{
    const QString setting = qEnvironmentVariable("KORVEL_AUDIO");
    if (auto f = files(setting))
        return f;
    return real();
}

} // namespace korvel::audio
