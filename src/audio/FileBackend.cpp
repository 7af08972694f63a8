#include "audio/FileBackend.h"

#include "audio/Resampler.h"
#include "audio/WavIo.h"

#include <QDateTime>
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
        else if (p == QLatin1String("timeline"))
            c.timeline = true;
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
    FileSink(QString path, bool paced, std::shared_ptr<FileTimeline> timeline,
             std::optional<std::chrono::steady_clock::time_point> at = std::nullopt)
        : path_(std::move(path)), paced_(paced), timeline_(std::move(timeline)), at_(at) {}
    ~FileSink() override { close(); }

    bool open(const StreamParams& p, QString* error) override
    {
        format_ = WaveFormat::pcm(static_cast<uint32_t>(p.rate), static_cast<uint16_t>(p.channels));
        pacer_.reset();
        bytes_ = 0;
        if (path_.isEmpty())
            return true; // writes go nowhere, in real time
        qint64 resumeFrames = -1;
        if (timeline_) {
            QMutexLocker lock(&timeline_->mutex);
            if (timeline_->rates.value(path_) == p.rate && p.channels == 1)
                resumeFrames = timeline_->framesWritten.value(path_);
        }
        file_.setFileName(path_);
        const bool resume = resumeFrames >= 0 && file_.exists();
        if (!file_.open(resume ? QIODevice::ReadWrite : QIODevice::WriteOnly | QIODevice::Truncate)) {
            if (error)
                *error = file_.errorString();
            return false;
        }
        if (resume) {
            bytes_ = resumeFrames * 2;
            file_.seek(WavIo::header(format_, 0).size() + bytes_);
        } else {
            file_.write(WavIo::header(format_, 0));
        }
        if (timeline_ && p.channels == 1) {
            // The time the output was closed (or the run ran before it first opened) is silence.
            const qint64 gap = timeline_->framesDue(p.rate, at_.value_or(std::chrono::steady_clock::now())) - bytes_ / 2;
            if (gap > 0) {
                const QByteArray zeros(static_cast<qsizetype>(gap * 2), '\0');
                file_.write(zeros);
                bytes_ += zeros.size();
            }
            QMutexLocker lock(&timeline_->mutex);
            timeline_->rates.insert(path_, p.rate);
            timeline_->framesWritten.insert(path_, bytes_ / 2);
        }
        return true;
    }
    bool write(const int16_t* samples, size_t count) override
    {
        if (timeline_ && format_.channels == 1 && file_.isOpen()) {
            // An output that stood stopped but open wrote nothing meanwhile; pacing keeps a
            // playing one within a few milliseconds of the clock, so only a longer lag is a pause.
            const int rate = static_cast<int>(format_.samplesPerSec);
            const qint64 gap = timeline_->framesDue(rate, std::chrono::steady_clock::now()) - bytes_ / 2;
            if (gap > rate / 20) {
                const QByteArray zeros(static_cast<qsizetype>(gap * 2), '\0');
                if (file_.write(zeros) != zeros.size())
                    return false;
                bytes_ += zeros.size();
            }
        }
        const qint64 n = static_cast<qint64>(count * sizeof(int16_t));
        if (file_.isOpen() && file_.write(reinterpret_cast<const char*>(samples), n) != n)
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
        if (timeline_ && format_.channels == 1) {
            QMutexLocker lock(&timeline_->mutex);
            timeline_->framesWritten.insert(path_, bytes_ / 2);
        }
    }

private:
    QString path_;
    bool paced_;
    std::shared_ptr<FileTimeline> timeline_;
    std::optional<std::chrono::steady_clock::time_point> at_;
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
        if (config_.gate && !config_.gate->open.load()) {
            std::fill(out, out + count, int16_t(0));
            if (config_.paced)
                pacer_.advance(count, rate_);
            return true;
        }
        if (config_.gate && position_ == 0 && config_.gate->startedEpochMs.load() == 0)
            config_.gate->startedEpochMs.store(QDateTime::currentMSecsSinceEpoch());
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

FileTimeline::FileTimeline() : originEpochMs(QDateTime::currentMSecsSinceEpoch()) {}

qint64 FileTimeline::framesDue(int rate, std::chrono::steady_clock::time_point at) const
{
    const auto elapsed = at - origin;
    return std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count() * rate / 1000000;
}

FileBackend::FileBackend(FileBackendConfig config, std::shared_ptr<FileTimeline> timeline)
    : config_(std::move(config)), timeline_(std::move(timeline))
{
    if (config_.timeline && !timeline_)
        timeline_ = std::make_shared<FileTimeline>();
}

void FileBackend::padTimeline(const QStringList& fileNames, int rate)
{
    if (config_.dir.isEmpty())
        return;
    // One end for every file, however long the padding itself takes.
    const auto end = std::chrono::steady_clock::now();
    for (const QString& name : fileNames) {
        const QString path = QDir(config_.dir).filePath(name + QStringLiteral(".wav"));
        FileSink sink(path, false, timeline_, end);
        StreamParams p;
        p.rate = rate;
        if (timeline_) {
            QMutexLocker lock(&timeline_->mutex);
            p.rate = timeline_->rates.value(path, rate);
        }
        p.channels = 1;
        if (sink.open(p, nullptr))
            sink.close();
    }
}

std::unique_ptr<PcmSink> FileBackend::makeSink(int)
{
    // The stream's name is known only at open; the sink asks for it then.
    class NamedSink final : public PcmSink {
    public:
        NamedSink(const FileBackendConfig& c, std::shared_ptr<FileTimeline> timeline)
            : config_(c), timeline_(std::move(timeline)) {}
        bool open(const StreamParams& p, QString* error) override
        {
            const QString name = config_.names.value(p.name, p.name);
            const QString path = config_.dir.isEmpty() ? QString() : QDir(config_.dir).filePath(name + QStringLiteral(".wav"));
            inner_ = std::make_unique<FileSink>(path, config_.paced, timeline_);
            return inner_->open(p, error);
        }
        bool write(const int16_t* s, size_t n) override { return inner_ && inner_->write(s, n); }
        void drain() override { if (inner_) inner_->drain(); }
        void discard() override { if (inner_) inner_->discard(); }
        void close() override { if (inner_) inner_->close(); }

    private:
        const FileBackendConfig& config_;
        std::shared_ptr<FileTimeline> timeline_;
        std::unique_ptr<FileSink> inner_;
    };
    return std::make_unique<NamedSink>(config_, timeline_);
}

std::unique_ptr<PcmSource> FileBackend::makeSource(int) { return std::make_unique<FileSource>(config_); }

} // namespace korvel::audio
