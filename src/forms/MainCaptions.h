#pragma once
// Caption texts of the list entries.

#include "core/Tables.h"

#include <QString>

namespace korvel::captions {

// "" for 0, " (1 User)", " (N Users)".
inline QString countSuffix(int32_t n) {
    if (n <= 0) return {};
    return n == 1 ? QStringLiteral(" (1 User)") : QStringLiteral(" (%1 Users)").arg(n);
}

inline QString userCaption(const TcUser& u, bool showLoss, bool showVersion) {
    QString text = u.Name;
    if (u.Muted) text += QStringLiteral(" (Muted)");
    if (showLoss && u.Lost > 0) text += QStringLiteral(" (%1 PL)").arg(u.Lost);
    if (showVersion) text += QStringLiteral(" (%1.%2 V)").arg(u.VersionMajor).arg(u.VersionMinor);
    return text;
}

} // namespace korvel::captions
