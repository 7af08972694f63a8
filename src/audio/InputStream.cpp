#include "audio/InputStream.h"

#include <chrono>

namespace korvel::audio {

InputStream::InputStream(std::unique_ptr<PcmSource> source, DeviceTuning tuning)
    : source_(std::move(source))
    , tuning_(tuning)
{
}

InputStream::~InputStream() { close(); }

bool InputStream::open(const StreamParams& params, size_t slotSamples, QString* error)
{
    if (!source_ || !source_->open(params, error))
        return false;
    const size_t count = static_cast<size_t>(std::max(1, params.bufferCount));
    slots_.assign(count, std::vector<int16_t>(std::max<size_t>(slotSamples, 1)));
    free_.clear();
    free_.reserve(count);
    for (size_t i = 0; i < count; ++i)
        free_.push_back(i);
    filled_.clear();
    stop_ = false;
    thread_ = std::thread([this] { run(); });
    return true;
}

void InputStream::take(const std::function<void(const int16_t*, size_t)>& consume)
{
    for (;;) {
        size_t slot = 0;
        {
            std::lock_guard lock(mutex_);
            if (filled_.empty())
                return;
            slot = filled_.front();
            filled_.pop_front();
        }
        consume(slots_[slot].data(), slots_[slot].size());
        {
            std::lock_guard lock(mutex_);
            free_.push_back(slot);
        }
        slotFreed_.notify_one();
    }
}

void InputStream::close()
{
    if (thread_.joinable()) {
        stop_ = true;
        slotFreed_.notify_all();
        thread_.join();
    }
    if (source_)
        source_->close();
    filled_.clear();
}

void InputStream::run()
{
    if (tuning_.raisePriority)
        DeviceTuning::raiseCurrentThread();
    while (!stop_) {
        size_t slot = 0;
        {
            std::unique_lock lock(mutex_);
            // A main thread that falls behind holds every slot; the device then waits (and its
            // driver drops) rather than this thread allocating more.
            slotFreed_.wait(lock, [this] { return stop_ || !free_.empty(); });
            if (stop_)
                return;
            slot = free_.back();
            free_.pop_back();
        }
        const bool ok = source_->read(slots_[slot].data(), slots_[slot].size());
        if (tuning_.capturePause)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        {
            std::lock_guard lock(mutex_);
            if (ok)
                filled_.push_back(slot);
            else
                free_.push_back(slot);
        }
        if (!ok) {
            // A failed device read: back off instead of spinning.
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        emit ready();
    }
}

} // namespace korvel::audio
