#include "audio/OutputStream.h"

#include <algorithm>
#include <cstring>

namespace korvel::audio {

OutputStream::OutputStream(std::unique_ptr<PcmSink> sink, DeviceTuning tuning)
    : sink_(std::move(sink))
    , tuning_(tuning)
{
}

OutputStream::~OutputStream() { close(); }

bool OutputStream::open(const StreamParams& params, size_t slotSamples, QString* error)
{
    if (!sink_ || !sink_->open(params, error))
        return false;
    const size_t count = static_cast<size_t>(std::max(1, params.bufferCount));
    slots_.assign(count, std::vector<int16_t>(std::max<size_t>(slotSamples, 1)));
    lengths_.assign(count, 0);
    free_.clear();
    free_.reserve(count);
    for (size_t i = 0; i < count; ++i)
        free_.push_back(count - 1 - i);
    queued_.clear();
    stop_ = finishRequested_ = discardRequested_ = false;
    thread_ = std::thread([this] { run(); });
    return true;
}

size_t OutputStream::freeSlots() const
{
    std::lock_guard lock(mutex_);
    return free_.size();
}

bool OutputStream::submit(const int16_t* samples, size_t count)
{
    std::lock_guard lock(mutex_);
    if (free_.empty() || !thread_.joinable())
        return false;
    const size_t slot = free_.back();
    free_.pop_back();
    count = std::min(count, slots_[slot].size());
    std::memcpy(slots_[slot].data(), samples, count * sizeof(int16_t));
    lengths_[slot] = count;
    queued_.push_back(slot);
    wake_.notify_one();
    return true;
}

void OutputStream::finish(quint64 epoch)
{
    std::lock_guard lock(mutex_);
    finishRequested_ = true;
    finishEpoch_ = epoch;
    wake_.notify_one();
}

void OutputStream::discard()
{
    std::lock_guard lock(mutex_);
    while (!queued_.empty()) {
        free_.push_back(queued_.front());
        queued_.pop_front();
    }
    finishRequested_ = false;
    discardRequested_ = true;
    wake_.notify_one();
}

void OutputStream::close()
{
    if (thread_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
            discardRequested_ = true;
            wake_.notify_one();
        }
        thread_.join();
    }
    if (sink_)
        sink_->close();
}

void OutputStream::run()
{
    if (tuning_.raisePriority)
        DeviceTuning::raiseCurrentThread();
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || discardRequested_ || !queued_.empty() || finishRequested_; });
        if (discardRequested_) {
            discardRequested_ = false;
            lock.unlock();
            sink_->discard();
            lock.lock();
            continue;
        }
        if (stop_)
            return;
        if (!queued_.empty()) {
            const size_t slot = queued_.front();
            queued_.pop_front();
            lock.unlock();
            sink_->write(slots_[slot].data(), lengths_[slot]);
            lock.lock();
            free_.push_back(slot);
            lock.unlock();
            emit slotDone();
            lock.lock();
            continue;
        }
        if (finishRequested_) {
            finishRequested_ = false;
            const quint64 epoch = finishEpoch_;
            lock.unlock();
            sink_->drain();
            emit drained(epoch);
            lock.lock();
        }
    }
}

} // namespace korvel::audio
