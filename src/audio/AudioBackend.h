#pragma once
// The device interface every backend implements. A backend lists its devices by name (list
// order = device index, -1 = the system default) and makes PCM sinks and sources on them.
//
// Threads: device lists, make*, open() and close() run on the main thread; write(), drain(),
// discard() and read() run only on the stream's own device thread (OutputStream, InputStream),
// between open() and close(), and touch nothing but the device handle they were given.

#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace korvel::audio {

struct StreamParams {
    int rate = 8000;
    int channels = 1;
    int bufferBytes = 1024; // one device buffer, for the latency the device is asked for
    int bufferCount = 20;
    QString name; // the component's name: stream name, or file name for the file backend
};

class PcmSink {
public:
    virtual ~PcmSink() = default;
    virtual bool open(const StreamParams& params, QString* error) = 0;
    // Blocks until the device took the samples; false when the device failed.
    virtual bool write(const int16_t* samples, size_t count) = 0;
    // Blocks until everything written has been played.
    virtual void drain() = 0;
    // Throws away what was written but not yet played.
    virtual void discard() = 0;
    virtual void close() = 0;
};

class PcmSource {
public:
    virtual ~PcmSource() = default;
    virtual bool open(const StreamParams& params, QString* error) = 0;
    // Blocks until count samples were recorded; false when the device failed.
    virtual bool read(int16_t* samples, size_t count) = 0;
    virtual void close() = 0;
};

class AudioBackend {
public:
    virtual ~AudioBackend() = default;
    virtual QStringList outputDevices() = 0;
    virtual QStringList inputDevices() = 0;
    virtual std::unique_ptr<PcmSink> makeSink(int device) = 0;
    virtual std::unique_ptr<PcmSource> makeSource(int device) = 0;
};

} // namespace korvel::audio
