#include "Ports.h"

namespace korvel {

QString trimBlanksAndControls(const QString& text) {
    qsizetype b = 0, e = text.size();
    while (b < e && text[b].unicode() <= 0x20) ++b;
    while (e > b && text[e - 1].unicode() <= 0x20) --e;
    return text.mid(b, e - b);
}

QString upperAscii(const QString& text) {
    QString out = text;
    for (auto& c : out)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) c = QChar(c.unicode() - 32);
    return out;
}

namespace {
int32_t intOr(const QString& value, int32_t fallback) {
    bool ok = false;
    const int v = trimBlanksAndControls(value).toInt(&ok, 10);
    return ok ? v : fallback;
}
} // namespace

bool ApplySwitch(PortConfig& ports, const QString& name, const QString& value) {
    if (name == QLatin1String("/CTCP"))
        ports.TcpPort = intOr(value, PortConfig::kDefaultTcpPort);
    else if (name == QLatin1String("/CUDP"))
        ports.ClientUdpBase = intOr(value, PortConfig::kDefaultClientUdpBase);
    else if (name == QLatin1String("/SUDP"))
        ports.ServerUdpBase = intOr(value, PortConfig::kDefaultServerUdpBase);
    else
        return false;
    return true;
}

QStringList ApplySwitches(PortConfig& ports, const QStringList& arguments) {
    QStringList rest;
    for (const QString& arg : arguments) {
        const qsizetype eq = arg.indexOf(QLatin1Char('='));
        const QString name = upperAscii(eq < 0 ? arg : arg.left(eq));
        const QString value = eq < 0 ? QString() : arg.mid(eq + 1);
        if (!ApplySwitch(ports, name, value)) rest.append(arg);
    }
    return rest;
}

} // namespace korvel
