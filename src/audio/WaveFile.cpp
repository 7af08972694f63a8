#include "audio/WaveFile.h"

#include "audio/WavIo.h"

namespace korvel::audio {

bool WaveFile::Open()
{
    Close();
    file_.setFileName(fileName_);
    if (!file_.open(QIODevice::ReadOnly))
        return false;
    const auto info = WavIo::readHeader(file_);
    if (!info || !info->format.isPcm() || info->format.bitsPerSample != 16 || info->format.channels < 1
        || info->format.channels > 2 || info->format.samplesPerSec < 1000 || info->format.samplesPerSec > 192000
        || !file_.seek(info->dataOffset)) {
        file_.close();
        return false;
    }
    format_ = info->format;
    remaining_ = info->dataBytes & ~qint64(2 * format_.channels - 1);
    return true;
}

void WaveFile::Close()
{
    if (file_.isOpen())
        file_.close();
    remaining_ = 0;
}

void WaveFile::LoadBuffer(uint8_t* data, int capacity, int& filled, bool& more)
{
    filled = 0;
    more = false;
    if (!file_.isOpen() || capacity <= 0)
        return;
    const qint64 n = std::min<qint64>(capacity, remaining_);
    const qint64 got = n > 0 ? file_.read(reinterpret_cast<char*>(data), n) : 0;
    filled = static_cast<int>(std::max<qint64>(got, 0));
    remaining_ -= filled;
    more = filled > 0 && remaining_ > 0;
}

} // namespace korvel::audio
