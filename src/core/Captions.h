#pragma once
// The captions of the live list entries, computed from the client tables. The view calls
// these whenever one of its entries needs its caption again.

#include "core/Tables.h"

#include <QString>
#include <cstdint>

namespace korvel {

// "" for 0, " (1 User)", " (N Users)" from 2 up.
QString CountSuffix(int32_t count);

// Users that have an entry in the list (the client itself included).
int32_t PresentUserCount(const TcUserTable& users);
// Users with an entry whose channel is `channel`.
int32_t ChannelUserCount(const TcUserTable& users, int32_t channel);

// The server entry the client joined through: its address and the count of present users.
QString ServerCaption(const QString& address, const TcUserTable& users);
// A channel entry (index above 0); empty for a channel the table does not hold.
QString ChannelCaption(const TcChannelTable& channels, const TcUserTable& users, int32_t channel);
// A user entry: name, then " (Muted)", " (N PL)" and " (M.m V)" as the options ask.
QString UserCaption(const TcUser& user, bool showPacketLoss, bool showVersion);

} // namespace korvel
