#include "Captions.h"

namespace korvel {

QString CountSuffix(int32_t count) {
    if (count <= 0) return QString();
    if (count == 1) return QStringLiteral(" (1 User)");
    return QStringLiteral(" (%1 Users)").arg(count);
}

int32_t PresentUserCount(const TcUserTable& users) {
    int32_t n = 0;
    for (int32_t u = 1; u <= users.count(); ++u)
        if (users.at(u)->Node) ++n;
    return n;
}

int32_t ChannelUserCount(const TcUserTable& users, int32_t channel) {
    int32_t n = 0;
    for (int32_t u = 1; u <= users.count(); ++u) {
        const TcUser* rec = users.at(u);
        if (rec->Node && rec->Channel == channel) ++n;
    }
    return n;
}

QString ServerCaption(const QString& address, const TcUserTable& users) {
    return address + CountSuffix(PresentUserCount(users));
}

QString ChannelCaption(const TcChannelTable& channels, const TcUserTable& users, int32_t channel) {
    const TcChannel* rec = channels.at(channel);
    if (!rec) return QString();
    return rec->Name + CountSuffix(ChannelUserCount(users, channel));
}

QString UserCaption(const TcUser& user, bool showPacketLoss, bool showVersion) {
    QString caption = user.Name;
    if (user.Muted) caption += QStringLiteral(" (Muted)");
    if (showPacketLoss && user.Lost > 0) caption += QStringLiteral(" (%1 PL)").arg(user.Lost);
    if (showVersion) caption += QStringLiteral(" (%1.%2 V)").arg(user.VersionMajor).arg(user.VersionMinor);
    return caption;
}

} // namespace korvel
