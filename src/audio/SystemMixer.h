#pragma once
// The system mixer of the Volume page: the PulseAudio volume of the chosen playback sink and
// recording source (index into the server's sink/source list, -1 = the server's default).
// Volumes are fractions of the normal volume. Every call is a short synchronous exchange with
// the server on the main thread; without a server the mixer reports itself not ready.

#include <QString>
#include <optional>

namespace korvel::audio {

class SystemMixer {
public:
    bool ready() const;
    void setPlayDevice(int index) { play_ = index; }
    void setRecordDevice(int index) { record_ = index; }

    std::optional<double> playVolume() const;
    std::optional<double> recordVolume() const;
    bool setPlayVolume(double volume);
    bool setRecordVolume(double volume);

private:
    QString sinkName() const;
    QString sourceName() const;
    int play_ = -1;
    int record_ = -1;
};

} // namespace korvel::audio
