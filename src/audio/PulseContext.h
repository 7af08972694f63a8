#pragma once
// A short-lived, synchronous connection to the PulseAudio server for the main thread: device
// lists and volumes. Each call runs its own small main loop with a bounded wait, so a missing or
// hung server costs at most the timeout and never blocks the event loop for long.

#include <QString>
#include <QStringList>
#include <optional>

struct pa_context;
struct pa_mainloop;

namespace korvel::audio {

struct PulseDevice {
    QString name;        // the server's name, used to open it
    QString description; // what the user sees
};

class PulseContext {
public:
    PulseContext();
    ~PulseContext();
    PulseContext(const PulseContext&) = delete;
    PulseContext& operator=(const PulseContext&) = delete;

    bool connected() const { return ready_; }
    // Sinks and (non-monitor) sources in the server's order.
    QList<PulseDevice> sinks();
    QList<PulseDevice> sources();
    // Volume as a fraction of the normal volume (1.0); empty name = the default device.
    std::optional<double> sinkVolume(const QString& name);
    std::optional<double> sourceVolume(const QString& name);
    bool setSinkVolume(const QString& name, double volume);
    bool setSourceVolume(const QString& name, double volume);

private:
    bool iterateUntil(const bool& done);
    QString resolve(const QString& name, bool sink);

    pa_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    bool ready_ = false;
};

} // namespace korvel::audio
