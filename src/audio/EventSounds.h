#pragma once
// The join and leave sounds. The files ship next to the program; a desktop launch may start it
// from any folder, so the program's own folder is searched before the current one.

#include "core/ClientInterfaces.h"

#include <QString>

namespace korvel {

// The event-sound output: opens the wave file and plays it once (WaveFile1 into WaveOutA).
class IEventSoundOutput {
public:
    virtual ~IEventSoundOutput() = default;
    // False when the file could not be played; the caller stays silent either way.
    virtual bool PlayFile(const QString& path) = 0;
};

inline constexpr const char* kConnectSound = "connect.wav";
inline constexpr const char* kDisconnectSound = "disconnect.wav";

// The full path of a sound file, or an empty text when neither folder has it.
QString LocateSound(const QString& fileName);

class EventSounds : public IEventSounds {
public:
    explicit EventSounds(IEventSoundOutput* output = nullptr) : output_(output) {}
    void setOutput(IEventSoundOutput* output) { output_ = output; }

    void PlayConnectSound() override { play(QString::fromLatin1(kConnectSound)); }
    void PlayDisconnectSound() override { play(QString::fromLatin1(kDisconnectSound)); }

private:
    void play(const QString& fileName);
    IEventSoundOutput* output_;
};

} // namespace korvel
