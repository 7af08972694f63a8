#include "Framing.h"

namespace korvel {

QByteArray frameMessage(const QByteArray& message) {
    QByteArray out;
    out.reserve(message.size() + 3);
    out.append(message);
    out.append(kDelimiter, 3);
    return out;
}

QList<QByteArray> FrameBuffer::append(const QByteArray& bytes) {
    QList<QByteArray> messages;
    if (overflowed_) return messages;
    pending_.append(bytes);
    qsizetype start = 0;
    for (;;) {
        const qsizetype at = pending_.indexOf(QByteArrayView(kDelimiter, 3), start);
        if (at < 0) break;
        messages.append(pending_.mid(start, at - start));
        start = at + 3;
    }
    if (start > 0) pending_.remove(0, start);
    if (pending_.size() > kMaxPending) {
        overflowed_ = true;
        pending_.clear();
    }
    return messages;
}

} // namespace korvel
