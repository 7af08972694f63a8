#include "audio/PulseBackend.h"

#include "audio/PulseContext.h"

#include <pulse/error.h>
#include <pulse/simple.h>

namespace korvel::audio {

namespace {

QString deviceName(const QList<PulseDevice>& list, int device)
{
    return device >= 0 && device < list.size() ? list[device].name : QString();
}

pa_sample_spec specFor(const StreamParams& p)
{
    pa_sample_spec ss;
    ss.format = PA_SAMPLE_S16LE;
    ss.channels = static_cast<uint8_t>(p.channels);
    ss.rate = static_cast<uint32_t>(p.rate);
    return ss;
}

// Both stream directions refuse a format the server would not take, with the same text.
bool validSpecFor(const StreamParams& p, pa_sample_spec& ss, QString* error)
{
    ss = specFor(p);
    if (pa_sample_spec_valid(&ss))
        return true;
    if (error)
        *error = QStringLiteral("invalid sample format");
    return false;
}

class PulseSink final : public PcmSink {
public:
    explicit PulseSink(QString device) : device_(std::move(device)) {}
    ~PulseSink() override { close(); }

    bool open(const StreamParams& p, QString* error) override
    {
        pa_sample_spec ss;
        if (!validSpecFor(p, ss, error))
            return false;
        // Keep the server's queue short: a few of our buffers, never less than 60 ms, so the
        // pull from the loader stays close to what is heard.
        const uint32_t bytesPerMs = ss.rate * ss.channels * 2 / 1000;
        pa_buffer_attr attr;
        attr.maxlength = static_cast<uint32_t>(-1);
        attr.tlength = std::max<uint32_t>(static_cast<uint32_t>(p.bufferBytes) * 3, 60 * bytesPerMs);
        attr.prebuf = static_cast<uint32_t>(-1);
        attr.minreq = static_cast<uint32_t>(-1);
        attr.fragsize = static_cast<uint32_t>(-1);
        int err = 0;
        const QByteArray dev = device_.toUtf8();
        const QByteArray name = p.name.toUtf8();
        s_ = pa_simple_new(nullptr, "Korvel", PA_STREAM_PLAYBACK, dev.isEmpty() ? nullptr : dev.constData(),
                           name.constData(), &ss, nullptr, &attr, &err);
        if (!s_ && error)
            *error = QString::fromUtf8(pa_strerror(err));
        return s_ != nullptr;
    }
    bool write(const int16_t* samples, size_t count) override
    {
        int err = 0;
        return s_ && pa_simple_write(s_, samples, count * sizeof(int16_t), &err) == 0;
    }
    void drain() override
    {
        int err = 0;
        if (s_)
            pa_simple_drain(s_, &err);
    }
    void discard() override
    {
        int err = 0;
        if (s_)
            pa_simple_flush(s_, &err);
    }
    void close() override
    {
        if (s_)
            pa_simple_free(s_);
        s_ = nullptr;
    }

private:
    QString device_;
    pa_simple* s_ = nullptr;
};

class PulseSource final : public PcmSource {
public:
    explicit PulseSource(QString device) : device_(std::move(device)) {}
    ~PulseSource() override { close(); }

    bool open(const StreamParams& p, QString* error) override
    {
        pa_sample_spec ss;
        if (!validSpecFor(p, ss, error))
            return false;
        pa_buffer_attr attr;
        attr.maxlength = static_cast<uint32_t>(-1);
        attr.tlength = attr.prebuf = attr.minreq = static_cast<uint32_t>(-1);
        attr.fragsize = static_cast<uint32_t>(std::max(p.bufferBytes, 32));
        int err = 0;
        const QByteArray dev = device_.toUtf8();
        const QByteArray name = p.name.toUtf8();
        s_ = pa_simple_new(nullptr, "Korvel", PA_STREAM_RECORD, dev.isEmpty() ? nullptr : dev.constData(),
                           name.constData(), &ss, nullptr, &attr, &err);
        if (!s_ && error)
            *error = QString::fromUtf8(pa_strerror(err));
        return s_ != nullptr;
    }
    bool read(int16_t* samples, size_t count) override
    {
        int err = 0;
        return s_ && pa_simple_read(s_, samples, count * sizeof(int16_t), &err) == 0;
    }
    void close() override
    {
        if (s_)
            pa_simple_free(s_);
        s_ = nullptr;
    }

private:
    QString device_;
    pa_simple* s_ = nullptr;
};

} // namespace

QStringList PulseBackend::outputDevices()
{
    QStringList names;
    PulseContext c;
    for (const PulseDevice& d : c.sinks())
        names << d.description;
    return names;
}

QStringList PulseBackend::inputDevices()
{
    QStringList names;
    PulseContext c;
    for (const PulseDevice& d : c.sources())
        names << d.description;
    return names;
}

std::unique_ptr<PcmSink> PulseBackend::makeSink(int device)
{
    QString name;
    if (device >= 0) {
        PulseContext c;
        name = deviceName(c.sinks(), device);
    }
    return std::make_unique<PulseSink>(name);
}

std::unique_ptr<PcmSource> PulseBackend::makeSource(int device)
{
    QString name;
    if (device >= 0) {
        PulseContext c;
        name = deviceName(c.sources(), device);
    }
    return std::make_unique<PulseSource>(name);
}

} // namespace korvel::audio
