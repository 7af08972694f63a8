#pragma once
// A transmit link that writes down what it was asked to send, one short line per call.

#include "audio/TransmitInterfaces.h"

#include <QStringList>

namespace korvel::test {

class RecordingLink : public ITransmitLink {
public:
    void SendVoiceDatagram(const QByteArray& bytes) override {
        log << QStringLiteral("V%1").arg(bytes.size());
        voice << bytes;
    }
    void SendBeginMarker() override { log << QStringLiteral("BOL"); }
    void SendEndMarker(int32_t count) override { log << QStringLiteral("EOL%1").arg(count); }
    void SendTalkTargetOn(int32_t u, int32_t c) override { log << QStringLiteral("ATG%1/%2").arg(u).arg(c); }
    void SendTalkTargetOff(int32_t u, int32_t c) override { log << QStringLiteral("RTG%1/%2").arg(u).arg(c); }
    void SendTalkState(bool on) override { log << (on ? QStringLiteral("START") : QStringLiteral("STOP")); }
    void SendTalkTargetMessage(bool on, int32_t u, int32_t c) override {
        log << QStringLiteral("%1%2/%3").arg(on ? QStringLiteral("msgON") : QStringLiteral("msgOFF")).arg(u).arg(c);
    }
    QStringList take() {
        QStringList l = log;
        log.clear();
        return l;
    }

    QStringList log;
    QList<QByteArray> voice;
};

class FixedConnection : public IConnectionState {
public:
    bool SelfMuted() const override { return muted; }
    int32_t OwnIndex() const override { return ownIndex; }
    int32_t CurrentChannel() const override { return channel; }
    bool muted = false;
    int32_t ownIndex = 3;
    int32_t channel = 7;
};

} // namespace korvel::test
