#pragma once
// Files standing in for sound devices, so the chains run without a sound server. An output
// named N writes DIR/N.wav (rewritten at every open); capture reads the configured WAV file,
// converted to the rate asked for, and records silence once it has run out (or when there is
// no file). Paced streams keep real time by the clock; unpaced ones run as fast as they are fed.
// Rates listed in refusedRates make capture fail to open, like a card without that rate.
//
// Threads: lists and open()/close() on the main thread; write()/drain()/discard()/read() on the
// stream's device thread, which only touches its own file or its own copy of the capture data.

#include "audio/AudioBackend.h"

#include <QList>
#include <optional>

namespace korvel::audio {

struct FileBackendConfig {
    QString dir;
    QString captureFile; // empty: DIR/capture.wav
    bool paced = true;
    QList<int> refusedRates;

    // "file:DIR[,fast][,refuse=RATE]...[,capture=PATH]" (the KORVEL_AUDIO syntax).
    static std::optional<FileBackendConfig> parse(const QString& setting);
};

class FileBackend final : public AudioBackend {
public:
    explicit FileBackend(FileBackendConfig config) : config_(std::move(config)) {}
    const FileBackendConfig& config() const { return config_; }

    QStringList outputDevices() override;
    QStringList inputDevices() override;
    std::unique_ptr<PcmSink> makeSink(int device) override;
    std::unique_ptr<PcmSource> makeSource(int device) override;

private:
    FileBackendConfig config_;
};

} // namespace korvel::audio
