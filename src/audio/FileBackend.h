#pragma once
// Files standing in for sound devices, so the chains run without a sound server. An output
// named N writes DIR/N.wav (rewritten at every open); capture reads the configured WAV file,
// converted to the rate asked for, and records silence once it has run out (or when there is
// no file). Paced streams keep real time by the clock; unpaced ones run as fast as they are fed.
// Rates listed in refusedRates make capture fail to open, like a card without that rate.
//
// A recording backend (timeline) keeps one file per output across opens instead: each open
// appends at the place the clock says since the backend was made, with silence for the time
// the output was closed, so every file of the run shares one time axis. Outputs may be given
// other file names (names), and without a folder nothing is written at all.
//
// Threads: lists and open()/close() on the main thread; write()/drain()/discard()/read() on the
// stream's device thread, which only touches its own file or its own copy of the capture data.

#include "audio/AudioBackend.h"

#include <QHash>
#include <atomic>
#include <QList>
#include <QMutex>
#include <chrono>
#include <memory>
#include <optional>

namespace korvel::audio {

// Lets a program decide when its capture file starts: until the gate opens, capture records
// silence and the file waits at its first sample.
struct CaptureGate {
    std::atomic<bool> open{false};
    // Wall-clock milliseconds at the start of the block that took the file's first sample.
    std::atomic<qint64> startedEpochMs{0};
};

struct FileBackendConfig {
    QString dir;
    QString captureFile; // empty: DIR/capture.wav
    bool paced = true;
    QList<int> refusedRates;
    bool timeline = false;
    QHash<QString, QString> names; // output name -> file name without ".wav"
    std::shared_ptr<CaptureGate> gate; // none: the file plays from the capture's open

    // "file:DIR[,fast][,timeline][,refuse=RATE]...[,capture=PATH]" (the KORVEL_AUDIO syntax).
    static std::optional<FileBackendConfig> parse(const QString& setting);
};

// The shared time axis of a recording backend: where each file has got to.
struct FileTimeline {
    std::chrono::steady_clock::time_point origin = std::chrono::steady_clock::now();
    qint64 originEpochMs; // the origin on the wall clock, for lining up other programs' files
    QMutex mutex;
    QHash<QString, qint64> framesWritten; // by file path; guarded by mutex
    QHash<QString, int> rates;            // by file path; guarded by mutex
    qint64 framesDue(int rate, std::chrono::steady_clock::time_point at) const;
    FileTimeline();
};

class FileBackend final : public AudioBackend {
public:
    // Backends standing in for both device kinds share one timeline to share one time axis.
    explicit FileBackend(FileBackendConfig config, std::shared_ptr<FileTimeline> timeline = {});
    const std::shared_ptr<FileTimeline>& timeline() const { return timeline_; }
    const FileBackendConfig& config() const { return config_; }

    // Recording backends: brings each named file (created if it never opened, at `rate`) up to
    // the clock with silence, so a run's files end together. Call once the outputs are closed.
    void padTimeline(const QStringList& fileNames, int rate);

    QStringList outputDevices() override;
    QStringList inputDevices() override;
    std::unique_ptr<PcmSink> makeSink(int device) override;
    std::unique_ptr<PcmSource> makeSource(int device) override;

private:
    FileBackendConfig config_;
    std::shared_ptr<FileTimeline> timeline_;
};

} // namespace korvel::audio
