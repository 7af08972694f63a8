#pragma once
// A capture component: WaveIn (Wave kind) and DSWaveIn (DirectSound kind) are instances.
// 16-bit mono at the configured rate, numBuffers buffers of bufferSize bytes (at least 32, cut
// to whole samples), recorded on a device thread (InputStream) and handed on the main thread to
// the connected stage. Settings change only while closed.

#include "audio/AudioSystem.h"
#include "audio/BufferLoader.h"
#include "audio/InputStream.h"

#include <QObject>
#include <memory>

namespace korvel::audio {

class AudioInput : public QObject {
    Q_OBJECT
public:
    static constexpr int DefaultBufferSize = 1024;

    AudioInput(const QString& name, DeviceKind kind, AudioSystem& system, QObject* parent = nullptr);
    ~AudioInput() override;

    DeviceKind kind() const { return kind_; }
    bool isOpen() const { return stream_ != nullptr; }

    void setTarget(PcmConsumer* target) { target_ = target; }
    PcmConsumer* target() const { return target_; }
    bool setDevice(int device);
    int device() const { return device_; }
    bool setNumBuffers(int n);
    int numBuffers() const { return numBuffers_; }
    bool setBitsPerSample(int bits);
    int bitsPerSample() const { return 16; }
    bool setSampleRate(int rate);
    int sampleRate() const { return rate_; }
    bool setBufferSize(int bytes);
    int bufferSize() const { return bufferSize_; }

    bool Start(QString* error = nullptr);
    void Close();

private:
    void onReady();

    DeviceKind kind_;
    AudioSystem& system_;
    PcmConsumer* target_ = nullptr;
    int device_ = -1;
    int numBuffers_ = 20;
    int rate_ = 44100;
    int bufferSize_ = DefaultBufferSize;
    std::unique_ptr<InputStream> stream_;
};

} // namespace korvel::audio
