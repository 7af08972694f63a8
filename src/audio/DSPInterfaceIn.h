#pragma once
// The tap after the encoder: hands every encoded capture block to the capture handler through
// BufferReady, then to the level tap connected to it (MMVox), which so measures a block only
// after the handler has returned. Main thread only.

#include <QByteArray>
#include <QObject>

namespace korvel::audio {

class MMVox;

class DSPInterfaceIn : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    void setLevelTap(MMVox* tap) { tap_ = tap; }
    MMVox* levelTap() const { return tap_; }
    void deliver(const uint8_t* bytes, int count);

signals:
    void BufferReady(const QByteArray& block);

private:
    MMVox* tap_ = nullptr;
};

} // namespace korvel::audio
