#pragma once
// Splits a control stream into messages at the "EOL" delimiter. One per connection.

#include <QByteArray>
#include <QList>

namespace korvel {

inline constexpr char kDelimiter[] = "EOL";
// A peer that sends this much without a delimiter is not speaking our protocol.
inline constexpr qsizetype kMaxPending = 64 * 1024;

// Appends the delimiter; what goes on the wire for one message.
QByteArray frameMessage(const QByteArray& message);

class FrameBuffer {
public:
    // Appends bytes and returns every complete message they finish, in order.
    QList<QByteArray> append(const QByteArray& bytes);
    // True once the pending bytes passed kMaxPending without a delimiter; the caller closes
    // the connection.
    bool overflowed() const { return overflowed_; }
    void clear() {
        pending_.clear();
        overflowed_ = false;
    }
    const QByteArray& pending() const { return pending_; }

private:
    QByteArray pending_;
    bool overflowed_ = false;
};

} // namespace korvel
