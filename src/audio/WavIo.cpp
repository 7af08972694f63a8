#include "audio/WavIo.h"

#include <QFile>
#include <QtEndian>

namespace korvel::audio {

std::optional<WavInfo> WavIo::readHeader(QIODevice& file)
{
    const QByteArray riff = file.read(12);
    if (riff.size() < 12 || !riff.startsWith("RIFF") || riff.mid(8, 4) != "WAVE")
        return std::nullopt;
    std::optional<WaveFormat> format;
    // A bounded walk: a file of endless tiny chunks must not keep us here.
    for (int i = 0; i < 64; ++i) {
        const QByteArray head = file.read(8);
        if (head.size() < 8)
            return std::nullopt;
        const quint32 size = qFromLittleEndian<quint32>(head.constData() + 4);
        const QByteArray id = head.left(4);
        if (id == "fmt ") {
            if (size > 1024)
                return std::nullopt;
            format = WaveFormat::fromBytes(file.read(size));
            if (size & 1)
                file.read(1);
            if (!format)
                return std::nullopt;
        } else if (id == "data") {
            if (!format)
                return std::nullopt;
            WavInfo info;
            info.format = *format;
            info.dataOffset = file.pos();
            info.dataBytes = std::min<qint64>(size, file.size() - info.dataOffset);
            if (info.dataBytes < 0)
                info.dataBytes = 0;
            return info;
        } else {
            if (!file.seek(file.pos() + size + (size & 1)))
                return std::nullopt;
        }
    }
    return std::nullopt;
}

QByteArray WavIo::header(const WaveFormat& format, uint32_t dataBytes, uint32_t sampleFrames)
{
    QByteArray fmt = format.toBytes();
    if (format.isPcm())
        fmt.truncate(16);
    QByteArray out;
    auto u32 = [&out](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        out.append(b, 4);
    };
    const bool fact = !format.isPcm();
    const quint32 riffSize = 4 + 8 + static_cast<quint32>(fmt.size()) + (fact ? 12 : 0) + 8 + dataBytes;
    out.append("RIFF");
    u32(riffSize);
    out.append("WAVE");
    out.append("fmt ");
    u32(static_cast<quint32>(fmt.size()));
    out.append(fmt);
    if (fact) {
        out.append("fact");
        u32(4);
        u32(sampleFrames);
    }
    out.append("data");
    u32(dataBytes);
    return out;
}

std::optional<std::pair<WaveFormat, QByteArray>> WavIo::readPcmFile(const QString& path, qint64 maxBytes)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const auto info = readHeader(f);
    if (!info || !info->format.isPcm() || info->format.bitsPerSample != 16 || info->format.channels < 1)
        return std::nullopt;
    if (!f.seek(info->dataOffset))
        return std::nullopt;
    QByteArray data = f.read(std::min(info->dataBytes, maxBytes));
    data.truncate(data.size() & ~1);
    return std::make_pair(info->format, data);
}

bool WavIo::writeFile(const QString& path, const WaveFormat& format, const QByteArray& data)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    f.write(header(format, static_cast<uint32_t>(data.size())));
    return f.write(data) == data.size();
}

} // namespace korvel::audio
