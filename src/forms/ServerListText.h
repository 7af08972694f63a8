#pragma once
// The stored form of the main window's server list ("TItems"): one line per entry, address,
// the character 255, password; the lines joined as comma text. Pure functions, no store.

#include "core/ClientInterfaces.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace korvel::forms {

// Separates address and password inside one line.
inline constexpr QChar kServerLineSeparator = QChar(0xFF);
// A stored list is untrusted; lines past this many are ignored.
inline constexpr qsizetype kMaxServerLines = 4096;

// Lines joined by ","; a line holding a blank, a control character, a double quote or a comma
// is quoted with inner quotes doubled. One empty line gives "\"\"", no lines give "".
QString encodeCommaText(const QStringList& lines);
// The reverse: unquoted blanks and control characters separate lines like commas; a quoted
// part is taken whole (an unclosed quote runs to the end). At most kMaxServerLines lines.
QStringList decodeCommaText(const QString& text);

QString encodeServerList(const QList<ServerEntry>& entries);
// Lines blank after trimming are skipped; a line is split at its first character 255, and a
// line without one is all password with an empty address. The node of each entry stays null.
QList<ServerEntry> decodeServerList(const QString& text);

} // namespace korvel::forms
