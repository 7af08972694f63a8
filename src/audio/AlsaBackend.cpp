#include "audio/AlsaBackend.h"

#include <alsa/asoundlib.h>

namespace korvel::audio {

namespace {

QString hint(void* h, const char* id)
{
    char* v = snd_device_name_get_hint(h, id);
    QString s = v ? QString::fromUtf8(v) : QString();
    free(v);
    return s;
}

class AlsaPcm {
public:
    ~AlsaPcm() { close(); }
    bool open(const QString& device, snd_pcm_stream_t dir, const StreamParams& p, QString* error)
    {
        const QByteArray name = device.toUtf8();
        int rc = snd_pcm_open(&pcm_, name.constData(), dir, 0);
        if (rc >= 0) {
            // Latency: the device holds about three of our buffers, at least 60 ms.
            const unsigned bufferUs = static_cast<unsigned>(
                std::max<qint64>(60000, qint64(p.bufferBytes) * 3 * 1000000 / (qint64(p.rate) * 2 * p.channels)));
            rc = snd_pcm_set_params(pcm_, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED,
                                    static_cast<unsigned>(p.channels), static_cast<unsigned>(p.rate), 1, bufferUs);
        }
        if (rc < 0) {
            if (error)
                *error = QString::fromUtf8(snd_strerror(rc));
            close();
            return false;
        }
        channels_ = p.channels;
        return true;
    }
    snd_pcm_t* pcm_ = nullptr;
    int channels_ = 1;

    void close()
    {
        if (pcm_)
            snd_pcm_close(pcm_);
        pcm_ = nullptr;
    }
};

// Moves every frame of the buffer, recovering from underruns and overruns on the way; both
// directions of a stream share it.
template <class Sample, class Transfer>
bool transferAll(const AlsaPcm& pcm, Sample* samples, size_t count, Transfer transfer)
{
    snd_pcm_uframes_t frames = count / static_cast<size_t>(pcm.channels_);
    while (frames > 0) {
        snd_pcm_sframes_t n = transfer(pcm.pcm_, samples, frames);
        if (n < 0) {
            if (snd_pcm_recover(pcm.pcm_, static_cast<int>(n), 1) < 0)
                return false;
            continue;
        }
        frames -= static_cast<snd_pcm_uframes_t>(n);
        samples += n * pcm.channels_;
    }
    return true;
}

class AlsaSink final : public PcmSink {
public:
    explicit AlsaSink(QString device) : device_(std::move(device)) {}
    bool open(const StreamParams& p, QString* error) override
    {
        return pcm_.open(device_, SND_PCM_STREAM_PLAYBACK, p, error);
    }
    bool write(const int16_t* samples, size_t count) override
    {
        if (!pcm_.pcm_)
            return false;
        return transferAll(pcm_, samples, count, snd_pcm_writei);
    }
    void drain() override
    {
        if (pcm_.pcm_) {
            snd_pcm_drain(pcm_.pcm_);
            snd_pcm_prepare(pcm_.pcm_);
        }
    }
    void discard() override
    {
        if (pcm_.pcm_) {
            snd_pcm_drop(pcm_.pcm_);
            snd_pcm_prepare(pcm_.pcm_);
        }
    }
    void close() override { pcm_.close(); }

private:
    QString device_;
    AlsaPcm pcm_;
};

class AlsaSource final : public PcmSource {
public:
    explicit AlsaSource(QString device) : device_(std::move(device)) {}
    bool open(const StreamParams& p, QString* error) override
    {
        return pcm_.open(device_, SND_PCM_STREAM_CAPTURE, p, error);
    }
    bool read(int16_t* samples, size_t count) override
    {
        if (!pcm_.pcm_)
            return false;
        return transferAll(pcm_, samples, count, snd_pcm_readi);
    }
    void close() override { pcm_.close(); }

private:
    QString device_;
    AlsaPcm pcm_;
};

} // namespace

QList<AlsaBackend::Device> AlsaBackend::devices(bool capture)
{
    QList<Device> list;
    QString defaultDescription = QStringLiteral("Default");
    void** hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) >= 0 && hints) {
        for (void** h = hints; *h; ++h) {
            const QString name = hint(*h, "NAME");
            const QString io = hint(*h, "IOID");
            QString desc = hint(*h, "DESC").replace(QLatin1Char('\n'), QStringLiteral(", "));
            if (name.isEmpty() || (!io.isEmpty() && io != (capture ? "Input" : "Output")))
                continue;
            if (name == QLatin1String("default")) {
                if (!desc.isEmpty())
                    defaultDescription = desc;
                continue;
            }
            // A card's own PCM devices; plughw gives them any rate and channel count.
            if (name.startsWith(QLatin1String("hw:CARD=")))
                list.append({QStringLiteral("plug") + name, desc.isEmpty() ? name : desc});
        }
        snd_device_name_free_hint(hints);
    }
    list.prepend({QStringLiteral("default"), defaultDescription});
    return list;
}

QStringList AlsaBackend::outputDevices()
{
    QStringList names;
    for (const Device& d : devices(false))
        names << d.description;
    return names;
}

QStringList AlsaBackend::inputDevices()
{
    QStringList names;
    for (const Device& d : devices(true))
        names << d.description;
    return names;
}

std::unique_ptr<PcmSink> AlsaBackend::makeSink(int device)
{
    const QList<Device> list = devices(false);
    return std::make_unique<AlsaSink>(device >= 0 && device < list.size() ? list[device].pcm : QStringLiteral("default"));
}

std::unique_ptr<PcmSource> AlsaBackend::makeSource(int device)
{
    const QList<Device> list = devices(true);
    return std::make_unique<AlsaSource>(device >= 0 && device < list.size() ? list[device].pcm : QStringLiteral("default"));
}

} // namespace korvel::audio
