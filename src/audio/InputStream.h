#pragma once
// A capture stream with its own device thread and a fixed set of preallocated buffer slots.
//
// Device thread: waits for a free slot, reads one buffer from the source into it (with the
// tweak's 5 ms pause after each device notification), queues it and posts ready() as a queued
// signal. It never allocates and touches nothing but the slots and the source.
// Main thread: open(), close(), and take(), which hands out the recorded buffers in order.

#include "audio/AudioBackend.h"
#include "audio/DeviceTuning.h"

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace korvel::audio {

class InputStream : public QObject {
    Q_OBJECT
public:
    InputStream(std::unique_ptr<PcmSource> source, DeviceTuning tuning);
    ~InputStream() override;

    bool open(const StreamParams& params, size_t slotSamples, QString* error);
    // Calls consume for each recorded buffer, oldest first, and recycles its slot.
    void take(const std::function<void(const int16_t*, size_t)>& consume);
    void close();

signals:
    void ready();

private:
    void run();

    std::unique_ptr<PcmSource> source_;
    DeviceTuning tuning_;
    std::vector<std::vector<int16_t>> slots_;
    std::mutex mutex_;
    std::condition_variable slotFreed_;
    std::deque<size_t> filled_;
    std::vector<size_t> free_;
    std::atomic<bool> stop_ = false;
    std::thread thread_;
};

} // namespace korvel::audio
