#include "Message.h"

#include <QtEndian>
#include <cstring>

namespace korvel {

QByteArray toWireText(const QString& text) { return text.toLatin1(); }
QString fromWireText(const QByteArray& bytes) { return QString::fromLatin1(bytes); }

namespace {
void appendU32(QByteArray& out, uint32_t v) {
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}
} // namespace

MessageWriter& MessageWriter::WriteInt(int32_t value) {
    appendU32(buffer_, 4);
    appendU32(buffer_, static_cast<uint32_t>(value));
    return *this;
}

MessageWriter& MessageWriter::WriteByte(uint8_t value) {
    appendU32(buffer_, 1);
    buffer_.append(static_cast<char>(value));
    return *this;
}

MessageWriter& MessageWriter::WriteText(const QString& text) { return WriteRawText(toWireText(text)); }

MessageWriter& MessageWriter::WriteRawText(const QByteArray& bytes) {
    appendU32(buffer_, static_cast<uint32_t>(bytes.size()));
    buffer_.append(bytes);
    return *this;
}

QByteArray MessageReader::take(qsizetype n) {
    if (stopped_) return {};
    const qsizetype avail = data_.size() - pos_;
    const qsizetype len = n < avail ? n : avail;
    QByteArray out = data_.mid(pos_, len);
    pos_ += len;
    return out;
}

uint32_t MessageReader::readLength() {
    const QByteArray b = take(4);
    if (b.size() < 4) {
        stopped_ = true;
        return 0;
    }
    return qFromLittleEndian<uint32_t>(b.constData());
}

int32_t MessageReader::ReadInt() {
    // The length of a number field is read and not checked, as every writer sends 4.
    readLength();
    QByteArray b = take(4);
    b.resize(4, '\0');
    return qFromLittleEndian<int32_t>(b.constData());
}

uint8_t MessageReader::ReadByte() {
    readLength();
    const QByteArray b = take(1);
    return b.isEmpty() ? 0 : static_cast<uint8_t>(b[0]);
}

QByteArray MessageReader::ReadRawText() {
    const uint32_t n = readLength();
    if (stopped_) return {};
    if (n > static_cast<uint64_t>(data_.size() - pos_)) {
        // A length beyond the end: the value is cut to what is there and reading stops.
        QByteArray partial = take(n);
        stopped_ = true;
        return partial;
    }
    return take(n);
}

double MessageReader::ReadFloat() {
    readLength();
    QByteArray b = take(8);
    b.resize(8, '\0');
    double d;
    std::memcpy(&d, b.constData(), 8);
    return d;
}

void MessageReader::SkipValue() {
    const uint32_t n = readLength();
    if (stopped_) return;
    if (n > static_cast<uint64_t>(data_.size() - pos_)) {
        stopped_ = true;
        pos_ = data_.size();
        return;
    }
    pos_ += n;
}

std::optional<int32_t> messageCode(const QByteArray& message) {
    if (message.isEmpty()) return std::nullopt;
    MessageReader reader(message);
    return reader.ReadInt();
}

} // namespace korvel
