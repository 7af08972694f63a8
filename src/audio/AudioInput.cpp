#include "audio/AudioInput.h"

namespace korvel::audio {

AudioInput::AudioInput(const QString& name, DeviceKind kind, AudioSystem& system, QObject* parent)
    : QObject(parent)
    , kind_(kind)
    , system_(system)
{
    setObjectName(name);
}

AudioInput::~AudioInput() { Close(); }

bool AudioInput::setDevice(int device)
{
    if (isOpen())
        return false;
    device_ = device;
    return true;
}

bool AudioInput::setNumBuffers(int n)
{
    if (isOpen() || n < 1)
        return false;
    numBuffers_ = n;
    return true;
}

bool AudioInput::setBitsPerSample(int bits) { return !isOpen() && bits == 16; }

bool AudioInput::setSampleRate(int rate)
{
    if (isOpen() || rate <= 0)
        return false;
    rate_ = rate;
    return true;
}

bool AudioInput::setBufferSize(int bytes)
{
    if (isOpen())
        return false;
    bufferSize_ = bytes;
    return true;
}

bool AudioInput::Start(QString* error)
{
    if (isOpen())
        return true;
    StreamParams params;
    params.name = objectName();
    params.rate = rate_;
    params.channels = 1;
    params.bufferCount = numBuffers_;
    params.bufferBytes = std::max(bufferSize_, 32) & ~1;
    auto stream = std::make_unique<InputStream>(system_.backend(kind_).makeSource(device_), system_.tuning());
    connect(stream.get(), &InputStream::ready, this, &AudioInput::onReady, Qt::QueuedConnection);
    if (!stream->open(params, static_cast<size_t>(params.bufferBytes) / 2, error))
        return false;
    stream_ = std::move(stream);
    return true;
}

void AudioInput::Close()
{
    if (!stream_)
        return;
    stream_->close();
    stream_.reset();
}

void AudioInput::onReady()
{
    if (!stream_)
        return;
    stream_->take([this](const int16_t* s, size_t n) {
        if (target_)
            target_->consumePcm(s, n, rate_);
    });
}

} // namespace korvel::audio
