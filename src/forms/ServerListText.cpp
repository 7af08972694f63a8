#include "forms/ServerListText.h"

namespace korvel::forms {

namespace {

constexpr QChar kQuote = u'"';
constexpr QChar kComma = u',';

bool isBlank(QChar c) { return c.unicode() <= u' '; }

bool needsQuotes(const QString& line) {
    for (QChar c : line)
        if (isBlank(c) || c == kQuote || c == kComma)
            return true;
    return false;
}

QString quoted(const QString& line) {
    QString out;
    out.reserve(line.size() + 2);
    out += kQuote;
    for (QChar c : line) {
        out += c;
        if (c == kQuote)
            out += kQuote;
    }
    out += kQuote;
    return out;
}

QString trimmedBlanks(const QString& s) {
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}

} // namespace

QString encodeCommaText(const QStringList& lines) {
    if (lines.size() == 1 && lines.front().isEmpty())
        return QStringLiteral("\"\"");
    QString out;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            out += kComma;
        out += needsQuotes(lines[i]) ? quoted(lines[i]) : lines[i];
    }
    return out;
}

QStringList decodeCommaText(const QString& text) {
    QStringList lines;
    const qsizetype n = text.size();
    qsizetype p = 0;
    auto skipBlanks = [&] {
        while (p < n && isBlank(text[p]))
            ++p;
    };
    skipBlanks();
    while (p < n && lines.size() < kMaxServerLines) {
        QString line;
        if (text[p] == kQuote) {
            ++p;
            while (p < n) {
                if (text[p] == kQuote) {
                    if (p + 1 < n && text[p + 1] == kQuote) {
                        line += kQuote;
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                line += text[p++];
            }
        } else {
            const qsizetype start = p;
            while (p < n && !isBlank(text[p]) && text[p] != kComma)
                ++p;
            line = text.mid(start, p - start);
        }
        lines.append(line);
        skipBlanks();
        if (p < n && text[p] == kComma) {
            // A trailing comma stands for one more, empty line.
            if (p + 1 == n && lines.size() < kMaxServerLines)
                lines.append(QString());
            ++p;
            skipBlanks();
        }
    }
    return lines;
}

QString encodeServerList(const QList<ServerEntry>& entries) {
    QStringList lines;
    lines.reserve(entries.size());
    for (const ServerEntry& e : entries)
        lines.append(e.address + kServerLineSeparator + e.password);
    return encodeCommaText(lines);
}

QList<ServerEntry> decodeServerList(const QString& text) {
    QList<ServerEntry> entries;
    for (const QString& line : decodeCommaText(text)) {
        if (trimmedBlanks(line).isEmpty())
            continue;
        ServerEntry e;
        const qsizetype cut = line.indexOf(kServerLineSeparator);
        if (cut < 0) {
            e.password = line;
        } else {
            e.address = line.left(cut);
            e.password = line.mid(cut + 1);
        }
        entries.append(e);
    }
    return entries;
}

} // namespace korvel::forms
