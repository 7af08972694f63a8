#pragma once
// A playback stream with its own device thread and a fixed set of preallocated buffer slots.
//
// Main thread: open(), submit(), finish(), discard(), close(), and the slots of the signals.
// Device thread: takes filled slots in order, writes them to the sink, drains on request, and
// posts slotDone()/drained() as queued signals. It never calls a loader, never allocates, and
// touches nothing but the slots and the sink.

#include "audio/AudioBackend.h"
#include "audio/DeviceTuning.h"

#include <QObject>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace korvel::audio {

class OutputStream : public QObject {
    Q_OBJECT
public:
    OutputStream(std::unique_ptr<PcmSink> sink, DeviceTuning tuning);
    ~OutputStream() override;

    bool open(const StreamParams& params, size_t slotSamples, QString* error);
    size_t freeSlots() const;
    // Copies samples into a free slot and queues it; false when none is free.
    bool submit(const int16_t* samples, size_t count);
    // Once every queued slot is played, drain the device and report drained(epoch).
    void finish(quint64 epoch);
    // Drops the slots not yet written and what the device still holds.
    void discard();
    void close();

signals:
    void slotDone();
    void drained(quint64 epoch);

private:
    void run();

    std::unique_ptr<PcmSink> sink_;
    DeviceTuning tuning_;
    std::vector<std::vector<int16_t>> slots_;
    std::vector<size_t> lengths_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<size_t> queued_; // capacity reserved at open: at most slots_.size() entries
    std::vector<size_t> free_;
    bool stop_ = false;
    bool finishRequested_ = false;
    bool discardRequested_ = false;
    quint64 finishEpoch_ = 0;
    std::thread thread_;
};

} // namespace korvel::audio
