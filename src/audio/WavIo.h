#pragma once
// RIFF wave file headers: reading a file's format and data chunk, writing a header for a stream.

#include "audio/WaveFormat.h"

#include <QByteArray>
#include <QIODevice>
#include <optional>

namespace korvel::audio {

struct WavInfo {
    WaveFormat format;
    qint64 dataOffset = 0;
    qint64 dataBytes = 0; // clamped to what the file really holds
};

class WavIo {
public:
    // Walks the chunks of a RIFF WAVE file up to its data chunk; nullopt for anything else.
    static std::optional<WavInfo> readHeader(QIODevice& file);
    // A canonical header for dataBytes bytes of format (with a fact chunk for non-PCM formats).
    static QByteArray header(const WaveFormat& format, uint32_t dataBytes, uint32_t sampleFrames = 0);
    // Reads a whole 16-bit PCM file (bounded by maxBytes) as samples and format.
    static std::optional<std::pair<WaveFormat, QByteArray>> readPcmFile(const QString& path, qint64 maxBytes = 64 << 20);
    static bool writeFile(const QString& path, const WaveFormat& format, const QByteArray& data);
};

} // namespace korvel::audio
