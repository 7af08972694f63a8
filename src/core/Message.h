#pragma once
// Control messages: length-prefixed fields in a container of code + tag/value entries.
// Pure functions over byte arrays; nothing here touches a socket.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

namespace korvel {

// Message codes.
inline constexpr int32_t msgLogin = 100;
inline constexpr int32_t msgPasswordRequired = 101;
inline constexpr int32_t msgWelcome = 102;
inline constexpr int32_t msgUserInfo = 103;
inline constexpr int32_t msgUserRemoved = 104;
inline constexpr int32_t msgDropUser = 105;
inline constexpr int32_t msgTalkStart = 106;
inline constexpr int32_t msgTalkStop = 107;
inline constexpr int32_t msgVersionTooOld = 108;
inline constexpr int32_t msgMute = 109;
inline constexpr int32_t msgUnmute = 110;
inline constexpr int32_t msgPacketLoss = 111;
inline constexpr int32_t msgAddChannel = 112;
inline constexpr int32_t msgMoveUser = 113;
inline constexpr int32_t msgUserMoved = 114;
inline constexpr int32_t msgRemoveChannel = 115;
// 116 and 117 are used by the news documents only.
inline constexpr int32_t msgNewsStamp = 116;
inline constexpr int32_t msgNewsMessage = 117;
inline constexpr int32_t msgTalkTargetOn = 118;
inline constexpr int32_t msgTalkTargetOff = 119;
inline constexpr int32_t msgListenToggle = 120;
inline constexpr int32_t msgSay = 121;
inline constexpr int32_t msgSayToChannel = 122;

// Field tags; their meaning depends on the message they appear in.
inline constexpr int32_t tagName = 100;
inline constexpr int32_t tagPasswordPlain = 101;
inline constexpr int32_t tagOwnIndex = 102;
inline constexpr int32_t tagChannel = 103;
inline constexpr int32_t tagUser = 104;
inline constexpr int32_t tagCodec = 105;
inline constexpr int32_t tagVersionMajor = 106;
inline constexpr int32_t tagAdminPasswordPlain = 107;
inline constexpr int32_t tagVersionMinor = 108;
inline constexpr int32_t tagMuted = 109;
inline constexpr int32_t tagLostCount = 110;
inline constexpr int32_t tagChannelIndex = 111;
inline constexpr int32_t tagAdminPassword = 114;
inline constexpr int32_t tagPassword = 115;
inline constexpr int32_t tagText = 116;

// Texts travel in a single-byte character set; Latin-1 maps every byte to one character and
// back, so a round trip through QString never changes the bytes.
QByteArray toWireText(const QString& text);
QString fromWireText(const QByteArray& bytes);

// Appends fields to a message buffer, in the order the caller writes them.
class MessageWriter {
public:
    explicit MessageWriter(int32_t code) { WriteInt(code); }
    MessageWriter& WriteInt(int32_t value);
    MessageWriter& WriteByte(uint8_t value);
    MessageWriter& WriteText(const QString& text);
    MessageWriter& WriteRawText(const QByteArray& bytes);
    // Tag + value shorthands.
    MessageWriter& Int(int32_t tag, int32_t value) { return WriteInt(tag).WriteInt(value); }
    MessageWriter& Byte(int32_t tag, uint8_t value) { return WriteInt(tag).WriteByte(value); }
    MessageWriter& Text(int32_t tag, const QString& text) { return WriteInt(tag).WriteText(text); }
    const QByteArray& bytes() const { return buffer_; }

private:
    QByteArray buffer_;
};

// Reads fields from one message. A field cut short yields the bytes that are there; a length
// that points past the end stops the reading (atEnd() turns true, ok() false). Nothing a peer
// sends makes the reader allocate more than the message holds.
class MessageReader {
public:
    explicit MessageReader(QByteArray message) : data_(std::move(message)) {}
    int32_t ReadInt();
    uint8_t ReadByte();
    QByteArray ReadRawText();
    QString ReadText() { return fromWireText(ReadRawText()); }
    QByteArray ReadBlock() { return ReadRawText(); }
    double ReadFloat();
    void SkipValue();

    bool atEnd() const { return stopped_ || pos_ >= data_.size(); }
    bool ok() const { return !stopped_; }
    qsizetype position() const { return pos_; }

private:
    // Takes up to n bytes from the current position; fewer when the message ends first.
    QByteArray take(qsizetype n);
    uint32_t readLength();

    QByteArray data_;
    qsizetype pos_ = 0;
    bool stopped_ = false;
};

// The first Integer field of a message, if there is one.
std::optional<int32_t> messageCode(const QByteArray& message);

} // namespace korvel
