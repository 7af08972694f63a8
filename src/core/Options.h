#pragma once
// Every user preference, as one plain model. The Options dialog edits it live; the roles read
// it when they need a value. Members carry the names of the controls that show them.

#include <QDateTime>
#include <QString>
#include <cstdint>

namespace korvel {

struct Options {
    // General
    QString EIdentity = QStringLiteral("Player");
    bool RPTT = true;
    bool RVOX = false;
    QString EDIHotKey;

    // Preferences
    bool CServer = false;
    bool CMinimized = false;
    bool CSound = true;
    bool CShowVersion = true;
    bool CShowPacketLoss = false;
    int32_t TVoxLevel = 10; // 0..100

    // Audio
    bool RDirectX = true;
    bool RWave = false;
    bool CDSWaveIn = false;
    bool CPCMConvert = false;
    bool CTweak1 = true;
    int32_t gRecord = -1; // item index of the recording device list; -1 = none selected
    int32_t gPlay = -1;   // item index of the playback device list

    // Volume
    int32_t WVolume1 = 1; // 1..8, microphone boost

    // Speech
    bool CSpeech = false; // "Disable speech features"
    bool CSpeakConnect = true;
    bool CFemale = true;
    bool CMale1 = false;
    bool CMale2 = false;

    // Server
    QString EPassword;
    QString EAdminPassword;
    bool RCodec1 = true;
    bool RCodec2 = false;
    bool RCodec3 = false;

    // Hidden page: stamp of the last news read.
    QDateTime DLastMsg = QDateTime(QDate(1980, 1, 1), QTime(12, 0));

    // Hotkey values.
    int32_t gKey1 = 0;
    int32_t gKey2 = 0;
    int32_t gKey = 0;
    int32_t gShiftState = 0; // bit 0 shift, bit 1 alt, bit 2 ctrl
    int32_t gMouse = 0;

    // The codec level the hosted server announces: the highest one selected wins.
    int32_t codecLevel() const { return RCodec3 ? 3 : RCodec2 ? 2 : 1; }
};

} // namespace korvel
