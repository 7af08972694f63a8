#pragma once
// The sound-device side of a client connection: the capture chain
//   WaveIn | DSWaveIn -> Volume1 (while boosted) -> ACMConverter -> DSPInterfaceIn -> MMVox
// and the playback chains
//   DSPInterfaceOutK [-> PCMConverterK] -> WaveOutK | DSWaveOutK   (K = 1..3)
//   WaveFile1 -> WaveOutA | DSWaveOutA                              (event sounds)
// with the codec choice, the output variants and their fallbacks, the buffer sizes, and the
// start and stop of a connection's audio. Main thread only.
//
// The voice path plugs in through: DSPInterfaceIn()->BufferReady (one encoded capture block per
// signal; MMVox()->Level() is the previous block's level while the handler runs),
// DSPInterfaceOut(k)->setLoader (the pull of chain k), ChainOutput(k) (start / isPlaying),
// setVoicePorts (datagram ports activated by StartAudio), and PlayEventSound.

#include "audio/ACMConverter.h"
#include "audio/AudioInput.h"
#include "audio/AudioOutput.h"
#include "audio/AudioSystem.h"
#include "audio/CodecManager.h"
#include "audio/DSPInterfaceIn.h"
#include "audio/DSPInterfaceOut.h"
#include "audio/MMVox.h"
#include "audio/PCMConverter.h"
#include "audio/VoicePorts.h"
#include "audio/Volume.h"
#include "audio/WaveFile.h"
#include "core/ClientInterfaces.h"
#include "core/Options.h"

#include <QObject>
#include <array>
#include <memory>

namespace korvel::audio {

class AudioChains : public QObject, public IClientAudio {
    Q_OBJECT
public:
    static inline const QString MsgNoAcm = QStringLiteral("Unable to activate the ACM of Windows.");
    static inline const QString MsgDirectX = QStringLiteral("Unable to play sound on DirectX using ");
    static inline const QString MsgWave = QStringLiteral("Unable to play sound on the wave device using ");
    static inline const QString MsgNoCodec =
        QStringLiteral("The audio codec selected by the server within options is not installed on your computer.");
    static inline const QString MsgNoCapture = QStringLiteral(
        "The audio recording cannot be enabled.  Please make sure your sound card is capable of full duplex "
        "operation and update your sound drivers if required for full duplex operation.");
    static constexpr int DecodedRate = 8000;

    AudioChains(AudioSystem& system, CodecManager& codecs, Options& options, IMessages& messages,
                QObject* parent = nullptr);
    ~AudioChains() override;

    void setVoicePorts(VoicePorts* ports) { ports_ = ports; }

    bool CodecAvailable(int level) const { return codecs_.CodecAvailable(level); }
    void OpenPlayback(int level);
    void StartAudio(int32_t level) override;
    void StopAudio() override;
    void ApplyMicrophoneBoost();
    void ApplyCaptureTweak();
    // The event-sound output plays the file through the wiring of the last OpenPlayback; every
    // failure is silent. A request while a sound still plays is skipped.
    void PlayEventSound(const QString& fileName);

    // Audio state of the connection.
    WaveFormat codecFormat = WaveFormat::referencePcm();
    int32_t gCodecBytesPerSec = 16000;
    bool gOutputDirectSound = true;
    bool gCaptureDirectSound = false;
    bool gChainOneStarted = false;
    // Enabled state of the RDirectX / RWave radio buttons (a failed output method is disabled
    // until the next OpenPlayback).
    bool RDirectXEnabled = true;
    bool RWaveEnabled = true;

    // The components, by their names.
    AudioInput* WaveIn() const { return waveIn_.get(); }
    AudioInput* DSWaveIn() const { return dsWaveIn_.get(); }
    AudioInput* CaptureComponent() const { return gCaptureDirectSound ? dsWaveIn_.get() : waveIn_.get(); }
    korvel::audio::Volume* Volume1() { return &volume1_; }
    korvel::audio::ACMConverter* ACMConverter() { return &acm_; }
    korvel::audio::DSPInterfaceIn* DSPInterfaceIn() { return &dspIn_; }
    korvel::audio::MMVox* MMVox() { return &vox_; }
    korvel::audio::DSPInterfaceOut* DSPInterfaceOut(int k) { return &dspOut_.at(k - 1); }
    korvel::audio::PCMConverter* PCMConverter(int k) { return &pcm_.at(k - 1); }
    AudioOutput* WaveOut(int k) const { return waveOut_.at(k - 1).get(); }
    AudioOutput* DSWaveOut(int k) const { return dsWaveOut_.at(k - 1).get(); }
    AudioOutput* WaveOutA() const { return waveOutA_.get(); }
    AudioOutput* DSWaveOutA() const { return dsWaveOutA_.get(); }
    korvel::audio::WaveFile* WaveFile1() { return &waveFile1_; }
    // The output of playback chain k (1..3) by the connection's output method.
    AudioOutput* ChainOutput(int k) const { return gOutputDirectSound ? DSWaveOut(k) : WaveOut(k); }

signals:
    void EventSoundFinished();

private:
    bool tryVariant(bool directSound, bool decoder);
    bool startCapture(int rate);
    void eventSoundStopped(AudioOutput* out);

    AudioSystem& system_;
    CodecManager& codecs_;
    Options& options_;
    IMessages& messages_;
    VoicePorts* ports_ = nullptr;

    std::unique_ptr<AudioInput> waveIn_;
    std::unique_ptr<AudioInput> dsWaveIn_;
    korvel::audio::Volume volume1_;
    korvel::audio::ACMConverter acm_;
    korvel::audio::DSPInterfaceIn dspIn_;
    korvel::audio::MMVox vox_;
    std::array<korvel::audio::DSPInterfaceOut, 3> dspOut_;
    std::array<korvel::audio::PCMConverter, 3> pcm_;
    std::array<std::unique_ptr<AudioOutput>, 3> waveOut_;
    std::array<std::unique_ptr<AudioOutput>, 3> dsWaveOut_;
    std::unique_ptr<AudioOutput> waveOutA_;
    std::unique_ptr<AudioOutput> dsWaveOutA_;
    korvel::audio::WaveFile waveFile1_;
};

} // namespace korvel::audio
