#include "audio/AudioOutput.h"

#include <QTimer>

namespace korvel::audio {

AudioOutput::AudioOutput(const QString& name, DeviceKind kind, AudioSystem& system, const CodecManager& codecs,
                         QObject* parent)
    : QObject(parent)
    , kind_(kind)
    , system_(system)
    , codecs_(codecs)
{
    setObjectName(name);
}

AudioOutput::~AudioOutput()
{
    if (stream_)
        stream_->close();
}

bool AudioOutput::setBufferSize(int bytes)
{
    if (isOpen())
        return false;
    bufferSize_ = bytes;
    return true;
}

bool AudioOutput::setNumBuffers(int n)
{
    if (isOpen() || n < 1)
        return false;
    numBuffers_ = n;
    return true;
}

bool AudioOutput::setDevice(int device)
{
    if (isOpen())
        return false;
    device_ = device;
    return true;
}

bool AudioOutput::Open(QString* error)
{
    if (isOpen())
        return true;
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (!source_)
        return fail(QStringLiteral("no source"));
    const WaveFormat format = source_->deliveredFormat();
    StreamParams params;
    params.name = objectName();
    params.bufferCount = numBuffers_;
    int block = format.blockAlign > 0 ? format.blockAlign : 1;
    size_t samplesPerBlock = 0;
    if (format.isPcm()) {
        if (format.bitsPerSample != 16 || format.channels < 1 || format.channels > 2)
            return fail(QStringLiteral("unsupported PCM format"));
        params.rate = static_cast<int>(format.samplesPerSec);
        params.channels = format.channels;
        decoder_.reset();
    } else {
        if (kind_ == DeviceKind::DirectSound)
            return fail(QStringLiteral("format not supported by the device"));
        auto codec = codecs_.create(format);
        if (!codec)
            return fail(QStringLiteral("no codec for the format"));
        samplesPerBlock = static_cast<size_t>(codec->samplesPerBlock());
        decoder_ = std::make_unique<BlockDecoder>(std::move(codec));
        params.rate = 8000;
        params.channels = 1;
    }
    effective_ = std::max(bufferSize_, 32) / block * block;
    effective_ = std::max(effective_, block);
    const size_t slotSamples = format.isPcm()
        ? static_cast<size_t>(effective_) / 2
        : (static_cast<size_t>(effective_) / static_cast<size_t>(block) + 1) * samplesPerBlock;
    params.bufferBytes = static_cast<int>(slotSamples * 2);
    buffer_.assign(static_cast<size_t>(effective_), 0);
    pcm_.reserve(slotSamples + samplesPerBlock);

    auto stream = std::make_unique<OutputStream>(system_.backend(kind_).makeSink(device_), system_.tuning());
    connect(stream.get(), &OutputStream::slotDone, this, &AudioOutput::onSlotDone, Qt::QueuedConnection);
    connect(stream.get(), &OutputStream::drained, this, &AudioOutput::onDrained, Qt::QueuedConnection);
    QString why;
    if (!stream->open(params, slotSamples, &why))
        return fail(why);
    stream_ = std::move(stream);
    state_ = State::Stopped;
    inFlight_ = 0;
    return true;
}

AudioOutput::Fill AudioOutput::fillOne()
{
    int filled = 0;
    bool more = false;
    source_->LoadBuffer(buffer_.data(), effective_, filled, more);
    filled = std::clamp(filled, 0, effective_);
    more_ = more && filled > 0;
    if (filled == 0)
        return Fill::Last;
    pcm_.clear();
    const int16_t* samples = nullptr;
    size_t count = 0;
    if (decoder_) {
        decoder_->push(buffer_.data(), static_cast<size_t>(filled), pcm_);
        samples = pcm_.data();
        count = pcm_.size();
    } else {
        samples = reinterpret_cast<const int16_t*>(buffer_.data());
        count = static_cast<size_t>(filled) / 2;
    }
    if (count > 0 && stream_->submit(samples, count)) {
        ++inFlight_;
        return more_ ? Fill::Submitted : Fill::Last;
    }
    return more_ ? Fill::Nothing : Fill::Last;
}

bool AudioOutput::Start(QString* error)
{
    if (isPlaying())
        return true;
    if (!Open(error))
        return false;
    ++epoch_;
    inFlight_ = 0;
    more_ = true;
    bool first = true;
    // A fill can complete no block of an encoded stream; keep the number of pulls bounded.
    for (int pulls = 0; pulls < 4 * numBuffers_ && inFlight_ < numBuffers_; ++pulls) {
        int before = inFlight_;
        const Fill f = fillOne();
        if (first && f == Fill::Last && inFlight_ == before && !more_) {
            // The first fill gave nothing at all: the start fails and the output is closed.
            if (before == 0) {
                Close();
                if (error)
                    *error = QStringLiteral("nothing to play");
                return false;
            }
        }
        first = false;
        if (f == Fill::Last)
            break;
    }
    state_ = State::Playing;
    emit Started();
    if (state_ == State::Playing && !more_)
        beginDrain();
    return true;
}

void AudioOutput::beginDrain()
{
    state_ = State::Draining;
    stream_->finish(epoch_);
}

void AudioOutput::refill()
{
    for (int pulls = 0; pulls < 16 && more_ && state_ == State::Playing && stream_->freeSlots() > 0; ++pulls) {
        const Fill f = fillOne();
        if (f == Fill::Submitted)
            return;
    }
    if (state_ == State::Playing && !more_)
        beginDrain();
    else if (state_ == State::Playing && inFlight_ == 0)
        QTimer::singleShot(0, this, &AudioOutput::refill); // every pull completed no block yet
}

void AudioOutput::onSlotDone()
{
    if (!stream_)
        return;
    if (inFlight_ > 0)
        --inFlight_;
    if (state_ == State::Playing)
        refill();
}

void AudioOutput::onDrained(quint64 epoch)
{
    if (epoch != epoch_ || state_ != State::Draining)
        return;
    state_ = State::Stopped;
    emit Stopped();
}

void AudioOutput::Stop()
{
    if (!isPlaying())
        return;
    ++epoch_;
    stream_->discard();
    inFlight_ = 0;
    if (decoder_)
        decoder_->reset();
    state_ = State::Stopped;
    emit Stopped();
}

void AudioOutput::Close()
{
    if (!isOpen())
        return;
    ++epoch_;
    stream_->close();
    stream_.reset();
    decoder_.reset();
    state_ = State::Closed;
    emit Closed();
}

} // namespace korvel::audio
