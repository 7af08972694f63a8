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

std::unique_ptr<AudioSystem> AudioSystem::files(const QString& spec)
{
    const auto config = FileBackendConfig::parse(spec);
    if (!config)
        return nullptr;
    return std::make_unique<AudioSystem>(std::make_unique<FileBackend>(*config), std::make_unique<FileBackend>(*config));
}

std::unique_ptr<AudioSystem> AudioSystem::fromEnvironment()
{
    const QString spec = qEnvironmentVariable("KORVEL_AUDIO");
    if (auto f = files(spec))
        return f;
    return real();
}

} // namespace korvel::audio
