#pragma once
// A playback output: WaveOut1-3 and WaveOutA (Wave kind) and DSWaveOut1-3 and DSWaveOutA
// (DirectSound kind) are instances. It holds 20 buffers, fills them from its source through the
// loader protocol and plays them on a device thread (OutputStream).
//
// Like the devices these stand for: buffer size and device can only be set while the output is
// closed; once open the buffer is cut to whole blocks of the source format (at least one block,
// at least 32 bytes); a Wave output plays encoded formats by decoding them itself, while a
// DirectSound output accepts PCM only. Start() fills up to all buffers first and reports
// Started only then; a first fill of 0 bytes fails the start and closes the output. Once a fill
// leaves `more` false the output plays out what it holds and reports Stopped, staying open.
//
// Everything here runs on the main thread; Started and Closed are emitted synchronously,
// Stopped after the device drained (queued from the device thread).

#include "audio/AudioSystem.h"
#include "audio/BlockCoder.h"
#include "audio/BufferLoader.h"
#include "audio/CodecManager.h"
#include "audio/OutputStream.h"

#include <QObject>
#include <memory>
#include <vector>

namespace korvel::audio {

class AudioOutput : public QObject {
    Q_OBJECT
public:
    enum class State { Closed, Stopped, Playing, Draining };
    static constexpr int DefaultBufferSize = 4096;

    AudioOutput(const QString& name, DeviceKind kind, AudioSystem& system, const CodecManager& codecs,
                QObject* parent = nullptr);
    ~AudioOutput() override;

    DeviceKind kind() const { return kind_; }
    State state() const { return state_; }
    bool isOpen() const { return state_ != State::Closed; }
    bool isPlaying() const { return state_ == State::Playing || state_ == State::Draining; }

    void setSource(BufferLoader* source) { source_ = source; }
    BufferLoader* source() const { return source_; }
    // False while the output is open.
    bool setBufferSize(int bytes);
    int bufferSize() const { return bufferSize_; }
    bool setNumBuffers(int n);
    int numBuffers() const { return numBuffers_; }
    bool setDevice(int device);
    int device() const { return device_; }
    // The buffer size in use once open (cut to whole blocks).
    int effectiveBufferSize() const { return effective_; }

    bool Open(QString* error = nullptr);
    bool Start(QString* error = nullptr);
    void Stop();
    void Close();

signals:
    void Started();
    void Stopped();
    void Closed();

private:
    enum class Fill { Submitted, Nothing, Last };
    Fill fillOne();
    void refill();
    void onSlotDone();
    void onDrained(quint64 epoch);
    void beginDrain();

    DeviceKind kind_;
    AudioSystem& system_;
    const CodecManager& codecs_;
    BufferLoader* source_ = nullptr;
    int bufferSize_ = DefaultBufferSize;
    int numBuffers_ = 20;
    int device_ = -1;
    int effective_ = 0;
    State state_ = State::Closed;
    bool more_ = false;
    quint64 epoch_ = 0;
    int inFlight_ = 0;
    std::unique_ptr<OutputStream> stream_;
    std::unique_ptr<BlockDecoder> decoder_; // direct play of an encoded format
    std::vector<uint8_t> buffer_;
    std::vector<int16_t> pcm_;
};

} // namespace korvel::audio
