#pragma once

#include <QByteArray>
#include <QString>

namespace korvel {

// The password scrambling both sides apply; its own inverse. Works on the wire bytes.
QByteArray Scramble(const QByteArray& bytes);
QString Scramble(const QString& text);

} // namespace korvel
