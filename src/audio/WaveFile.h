#pragma once
// The wave-file reader that feeds the event-sound output (16-bit PCM files).

#include "audio/BufferLoader.h"

#include <QFile>
#include <QString>

namespace korvel::audio {

class WaveFile final : public BufferLoader {
public:
    void setFileName(const QString& name) { fileName_ = name; }
    QString fileName() const { return fileName_; }
    bool Open();
    void Close();
    bool isOpen() const { return file_.isOpen(); }

    WaveFormat deliveredFormat() const override { return format_; }
    void LoadBuffer(uint8_t* data, int capacity, int& filled, bool& more) override;

private:
    QString fileName_;
    QFile file_;
    WaveFormat format_;
    qint64 remaining_ = 0;
};

} // namespace korvel::audio
