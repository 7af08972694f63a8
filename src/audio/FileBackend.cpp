#include "audio/FileBackend.h"

#include "audio/Resampler.h"
#include "audio/WavIo.h"

#include <QDir>
#include <QFile>
#include <chrono>
#include <thread>

namespace korvel::audio {

std::optional<FileBackendConfig> FileBackendConfig::parse(const QString& setting)
{
    if (!setting.startsWith(QLatin1String("file:")))
        return std::nullopt;
    const QStringList parts = setting.mid(5).split(QLatin1Char(','));
    FileBackendConfig c;
    c.dir = parts.value(0);
    if (c.dir.isEmpty())
        return std::nullopt;
    for (int i = 1; i < parts.size(); ++i) {
        const QString& p = parts[i];
        if (p == QLatin1String("fast"))
            c.paced = false;
        else if (p.startsWith(QLatin1String("refuse=")))
            c.refusedRates << p.mid(7).toInt();
        else if (p.startsWith(QLatin1String("capture=")))
            c.captureFile = p.mid(8);
    }
    return c;
}

namespace {

using Clock = std::chrono::steady_clock;

// Sleeps the device thread until `frames` frames at `rate` are due since the stream began.
class Pacer {
public:
    void reset() { started_ = false; }
    void advance(size_t frames, int rate)
    {
        const auto now = Clock::now();
        if (!started_ || now > due_ + std::chrono::milliseconds(200)) {
            // A stream that was idle does not rush to catch up.
            started_ = true;
            due_ = now;
        }
        due_ += std::chrono::microseconds(static_cast<int64_t>(frames) * 1000000 / rate);
        std::this_thread::sleep_until(due_);
    }

private:
    bool started_ = false;
    Clock::time_point due_;
};

class FileSink final : public PcmSink {
public:
    FileSink(QString path, bool paced) : path_(std::move(path)), paced_(paced) {}
    ~FileSink() override { close(); }

    bool open(const StreamParams& p, QString* error) override
    {
        file_.setFileName(path_);
        if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            if (error)
                *error = file_.errorString();
            return false;
        }
        format_ = WaveFormat::pcm(static_cast<uint32_t>(p.rate), static_cast<uint16_t>(p.channels));
        file_.write(WavIo::header(format_, 0));
        bytes_ = 0;
        pacer_.reset();
        return true;
    }
    bool write(const int16_t* samples, size_t count) override
    {
        const qint64 n = static_cast<qint64>(count * sizeof(int16_t));
        if (file_.write(reinterpret_cast<const char*>(samples), n) != n)
            return false;
        bytes_ += n;
        if (paced_)
            pacer_.advance(count / format_.channels, static_cast<int>(format_.samplesPerSec));
        return true;
    }
    void drain() override { file_.flush(); }
    void discard() override {}
    void close() override
    {
        if (!file_.isOpen())
            return;
        file_.seek(0);
        file_.write(WavIo::header(format_, static_cast<uint32_t>(bytes_)));
        file_.close();
    }

private:
    QString path_;
    bool paced_;
    QFile file_;
    WaveFormat format_;
    qint64 bytes_ = 0;
    Pacer pacer_;
};

class FileSource final : public PcmSource {
public:
    FileSource(const FileBackendConfig& c) : config_(c) {}

    bool open(const StreamParams& p, QString* error) override
    {
        if (config_.refusedRates.contains(p.rate) || p.rate <= 0 || p.channels != 1) {
            if (error)
                *error = QStringLiteral("rate not supported");
            return false;
        }
        rate_ = p.rate;
        samples_.clear();
        position_ = 0;
        pacer_.reset();
        const QString path = config_.captureFile.isEmpty() ? QDir(config_.dir).filePath(QStringLiteral("capture.wav"))
                                                           : config_.captureFile;
        if (const auto file = WavIo::readPcmFile(path)) {
            const auto& [format, data] = *file;
            // Mix down to mono, then bring to the rate the capture asked for.
            const auto* s = reinterpret_cast<const int16_t*>(data.constData());
            const size_t frames = static_cast<size_t>(data.size()) / 2 / format.channels;
            std::vector<int16_t> mono(frames);
            for (size_t i = 0; i < frames; ++i) {
                int sum = 0;
                for (int c = 0; c < format.channels; ++c)
                    sum += s[i * format.channels + c];
                mono[i] = static_cast<int16_t>(sum / format.channels);
            }
            Resampler r(static_cast<int>(format.samplesPerSec), rate_);
            r.process(mono.data(), mono.size(), samples_);
        }
        return true;
    }
    bool read(int16_t* out, size_t count) override
    {
        const size_t have = position_ < samples_.size() ? std::min(count, samples_.size() - position_) : 0;
        if (have)
            std::copy_n(samples_.data() + position_, have, out);
        std::fill(out + have, out + count, int16_t(0));
        position_ += have;
        if (config_.paced)
            pacer_.advance(count, rate_);
        return true;
    }
    void close() override {}

private:
    FileBackendConfig config_;
    int rate_ = 8000;
    std::vector<int16_t> samples_;
    size_t position_ = 0;
    Pacer pacer_;
};

} // namespace

QStringList FileBackend::outputDevices() { return {QStringLiteral("File output")}; }
QStringList FileBackend::inputDevices() { return {QStringLiteral("File input")}; }

std::unique_ptr<PcmSink> FileBackend::makeSink(int)
{
    // The stream's name is known only at open; the sink asks for it then.
    class NamedSink final : public PcmSink {
    public:
        NamedSink(QString dir, bool paced) : dir_(std::move(dir)), paced_(paced) {}
        bool open(const StreamParams& p, QString* error) override
        {
            inner_ = std::make_unique<FileSink>(QDir(dir_).filePath(p.name + QStringLiteral(".wav")), paced_);
            return inner_->open(p, error);
        }
        bool write(const int16_t* s, size_t n) override { return inner_ && inner_->write(s, n); }
        void drain() override { if (inner_) inner_->drain(); }
        void discard() override { if (inner_) inner_->discard(); }
        void close() override { if (inner_) inner_->close(); }

    private:
        QString dir_;
        bool paced_;
        std::unique_ptr<FileSink> inner_;
    };
    return std::make_unique<NamedSink>(config_.dir, config_.paced);
}

std::unique_ptr<PcmSource> FileBackend::makeSource(int) { return std::make_unique<FileSource>(config_); }

} // namespace korvel::audio
