#include "audio/AudioChains.h"

#include <QLoggingCategory>
#include <algorithm>

namespace korvel::audio {

Q_LOGGING_CATEGORY(lcAudio, "korvel.audio", QtWarningMsg)

AudioChains::AudioChains(AudioSystem& system, CodecManager& codecs, Options& options, IMessages& messages,
                         QObject* parent)
    : QObject(parent)
    , system_(system)
    , codecs_(codecs)
    , options_(options)
    , messages_(messages)
{
    waveIn_ = std::make_unique<AudioInput>(QStringLiteral("WaveIn"), DeviceKind::Wave, system_);
    dsWaveIn_ = std::make_unique<AudioInput>(QStringLiteral("DSWaveIn"), DeviceKind::DirectSound, system_);
    for (int k = 0; k < 3; ++k) {
        const QString n = QString::number(k + 1);
        waveOut_[k] = std::make_unique<AudioOutput>(QStringLiteral("WaveOut") + n, DeviceKind::Wave, system_, codecs_);
        dsWaveOut_[k] =
            std::make_unique<AudioOutput>(QStringLiteral("DSWaveOut") + n, DeviceKind::DirectSound, system_, codecs_);
    }
    waveOutA_ = std::make_unique<AudioOutput>(QStringLiteral("WaveOutA"), DeviceKind::Wave, system_, codecs_);
    dsWaveOutA_ = std::make_unique<AudioOutput>(QStringLiteral("DSWaveOutA"), DeviceKind::DirectSound, system_, codecs_);
    acm_.setOutput(&dspIn_);
    // Until the voice path installs its loaders, a chain reads like an empty receive buffer.
    for (auto& src : dspOut_) {
        src.setLoader([this](uint8_t* data, int capacity, int& filled, bool& more) {
            more = false;
            filled = gChainOneStarted ? 0 : std::clamp(gCodecBytesPerSec / 2, 0, capacity);
            std::fill_n(data, filled, uint8_t(0));
        });
    }

    // Only chain 1 reports its start and close (WaveOut1Start/DSWaveOut1Start, ...Close).
    for (AudioOutput* out : {waveOut_[0].get(), dsWaveOut_[0].get()}) {
        connect(out, &AudioOutput::Started, this, [this] { gChainOneStarted = true; });
        connect(out, &AudioOutput::Closed, this, [this] { gChainOneStarted = false; });
    }
    for (AudioOutput* out : {waveOutA_.get(), dsWaveOutA_.get()})
        connect(out, &AudioOutput::Stopped, this, [this, out] { eventSoundStopped(out); });
}

AudioChains::~AudioChains()
{
    // Device threads end before the stages they feed go away.
    waveIn_->Close();
    dsWaveIn_->Close();
    for (int k = 0; k < 3; ++k) {
        waveOut_[k]->Close();
        dsWaveOut_[k]->Close();
    }
    waveOutA_->Close();
    dsWaveOutA_->Close();
}

void AudioChains::OpenPlayback(int level)
{
    gOutputDirectSound = options_.RDirectX;
    gCaptureDirectSound = options_.CDSWaveIn;
    gChainOneStarted = false;

    if (!codecs_.usable()) {
        messages_.Inform(MsgNoAcm);
        return;
    }
    const WaveFormat reference = WaveFormat::referencePcm();
    const auto suggested = codecs_.suggest(reference, CodecManager::tagForLevel(level));
    codecFormat = suggested ? *suggested : reference;

    RDirectXEnabled = true;
    RWaveEnabled = true;
    gCodecBytesPerSec = static_cast<int32_t>(codecFormat.avgBytesPerSec);

    const bool ds = gOutputDirectSound;
    const bool convert = options_.CPCMConvert;
    if (!convert && tryVariant(ds, false))
        return;
    if (tryVariant(ds, true))
        return;
    if (ds) {
        messages_.Inform(MsgDirectX + QString::number(DecodedRate) + QStringLiteral("Hz"));
        RDirectXEnabled = false;
    } else {
        messages_.Inform(MsgWave + QString::number(DecodedRate) + QStringLiteral("Hz"));
        RWaveEnabled = false;
    }
}

bool AudioChains::tryVariant(bool ds, bool decoder)
{
    // (a) wiring
    for (int k = 0; k < 3; ++k) {
        AudioOutput* out = ds ? dsWaveOut_[k].get() : waveOut_[k].get();
        if (decoder) {
            pcm_[k].setSource(&dspOut_[k]);
            out->setSource(&pcm_[k]);
        } else {
            out->setSource(&dspOut_[k]);
        }
    }
    AudioOutput* eventOut = ds ? dsWaveOutA_.get() : waveOutA_.get();
    eventOut->setSource(&waveFile1_);

    // (b) formats
    if (!acm_.setTargetFormat(codecs_, codecFormat))
        return false;
    for (auto& src : dspOut_)
        src.setFormat(codecFormat);

    // (c) decoders
    if (decoder) {
        for (auto& c : pcm_) {
            if (!c.configure(codecs_, DecodedRate, 1, 16))
                return false;
        }
    }

    // (d) buffer sizes
    const int outSize = decoder ? 16000 / 20 : gCodecBytesPerSec / 20;
    for (int k = 0; k < 3; ++k) {
        AudioOutput* out = ds ? dsWaveOut_[k].get() : waveOut_[k].get();
        if (!out->setBufferSize(outSize))
            return false;
    }
    AudioInput* capture = ds ? CaptureComponent() : waveIn_.get();
    int captureSize = 1024;
    if (!decoder) {
        const int b = (ds ? dsWaveOut_[0] : waveOut_[0])->bufferSize();
        captureSize = b > 0 ? (1024 / b) * b : 1024;
    }
    if (!capture->setBufferSize(captureSize))
        return false;

    // (e) devices. A connect sound still playing must not cost the variant its event output.
    eventOut->Close();
    for (int k = 0; k < 3; ++k) {
        AudioOutput* out = ds ? dsWaveOut_[k].get() : waveOut_[k].get();
        if (!out->setDevice(options_.gPlay))
            return false;
    }
    if (!eventOut->setDevice(options_.gPlay))
        return false;

    // (f) chain 1 must accept the format: a start and an immediate stop.
    AudioOutput* first = ds ? dsWaveOut_[0].get() : waveOut_[0].get();
    QString why;
    if (!first->Start(&why)) {
        qCInfo(lcAudio) << first->objectName() << "variant failed:" << why;
        return false;
    }
    first->Stop();
    return true;
}

bool AudioChains::startCapture(int rate)
{
    AudioInput* capture = CaptureComponent();
    if (!gCaptureDirectSound && !capture->setDevice(options_.gRecord))
        return false;
    if (!capture->setNumBuffers(20) || !capture->setBitsPerSample(16) || !capture->setSampleRate(rate))
        return false;
    dspIn_.setLevelTap(&vox_);
    vox_.setFormat(codecs_, codecFormat);
    ApplyMicrophoneBoost();
    QString why;
    if (!capture->Start(&why)) {
        qCInfo(lcAudio) << capture->objectName() << "failed at" << rate << ":" << why;
        return false;
    }
    return true;
}

void AudioChains::StartAudio(int32_t level)
{
    if (!CodecAvailable(level)) {
        messages_.Inform(MsgNoCodec);
        return;
    }
    OpenPlayback(level);
    if (ports_)
        ports_->ActivatePorts();
    if (!startCapture(44100)) {
        AudioInput* capture = CaptureComponent();
        QString why;
        if (!capture->setSampleRate(8000) || !capture->Start(&why))
            messages_.Inform(MsgNoCapture);
    }
}

void AudioChains::StopAudio()
{
    CaptureComponent()->Close();
    for (int k = 1; k <= 3; ++k)
        ChainOutput(k)->Close();
    if (ports_)
        ports_->DeactivatePorts();
}

void AudioChains::ApplyMicrophoneBoost()
{
    const int v = options_.WVolume1;
    AudioInput* capture = CaptureComponent();
    if (v <= 0) {
        volume1_.setEnabled(false);
        capture->setTarget(&acm_);
        return;
    }
    volume1_.setEnabled(true);
    volume1_.setVolume(v * Volume::Unity);
    volume1_.setTarget(&acm_);
    capture->setTarget(&volume1_);
}

void AudioChains::ApplyCaptureTweak()
{
    // No NT-family distinction here: the pause follows the option.
    system_.tuning().capturePause = options_.CTweak1;
    system_.tuning().raisePriority = true;
}

void AudioChains::PlayEventSound(const QString& fileName)
{
    AudioOutput* out = gOutputDirectSound ? dsWaveOutA_.get() : waveOutA_.get();
    if (out->isPlaying() || !out->source())
        return;
    waveFile1_.setFileName(fileName);
    if (!waveFile1_.Open())
        return;
    if (!out->Open() || !out->Start()) {
        out->Close();
        waveFile1_.Close();
    }
}

void AudioChains::eventSoundStopped(AudioOutput* out)
{
    out->Close();
    waveFile1_.Close();
    emit EventSoundFinished();
}

} // namespace korvel::audio
