#pragma once
// The level tap of the capture chain: decodes each encoded block back to PCM and keeps the
// signed sample of greatest magnitude (the first one on a tie) as the block's level; the level
// meter follows LevelChanged.

#include "audio/BlockCoder.h"
#include "audio/CodecManager.h"

#include <QByteArray>
#include <QObject>
#include <memory>
#include <vector>

namespace korvel::audio {

class MMVox : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    bool setFormat(const CodecManager& codecs, const WaveFormat& format);
    void measure(const QByteArray& block);
    int Level() const { return level_; }
    static int peak(const int16_t* samples, size_t n);

signals:
    void LevelChanged(int level);

private:
    std::unique_ptr<BlockDecoder> decoder_;
    std::vector<int16_t> pcm_;
    int level_ = 0;
};

} // namespace korvel::audio
