#include "BotArguments.h"

#include <QFileInfo>
#include <QHostAddress>

namespace korvel {

QString BotUsage() {
    return QStringLiteral(
        "Usage: korvel-bot --server=HOST [options] [/CTCP=PORT] [/CUDP=PORT] [/SUDP=PORT]\n"
        "A headless Korvel client. It logs in, optionally joins a channel, and writes every event\n"
        "it sees as one JSON object per line on standard output.\n"
        "\n"
        "  --server=HOST            server address to join (required)\n"
        "  --name=NAME              user identity shown to others (default Bot)\n"
        "  --password=TEXT          connection password\n"
        "  --admin-password=TEXT    answer for the administrative password prompt\n"
        "  --channel=NAME           join this channel once the server announces it\n"
        "  --create                 create the channel named by --channel first\n"
        "  --mute=NAME              mute (or unmute) the user NAME once announced; repeatable\n"
        "  --kick=NAME              kick the user NAME once announced; repeatable\n"
        "  --bind=ADDRESS           local address the bot's sockets use\n"
        "  --for=SECONDS            leave after this long and exit 0\n"
        "  --program-version=M.m    version reported at login (default: this program's)\n"
        "  --talk=FILE.wav          send the file as voice, push to talk held for all of it\n"
        "  --vox                    send it voice activated instead\n"
        "  --talk-after=SECONDS     wait this long after joining before talking (default 0)\n"
        "  --record=DIR             write what each of the three slots played to\n"
        "                           DIR/slot1.wav .. slot3.wav, all on the bot's own clock\n"
        "  --help                   show this text\n"
        "\n"
        "Exit status: 0 after leaving, 1 when the link is lost or cannot be made,\n"
        "2 when the server refuses the login, 3 for unusable arguments.\n");
}

BotArgumentsResult ParseBotArguments(const QStringList& arguments) {
    BotArgumentsResult result;
    BotSettings& s = result.settings;
    const QStringList rest = ApplySwitches(s.ports, arguments);
    for (const QString& arg : rest) {
        const qsizetype eq = arg.indexOf(QLatin1Char('='));
        const QString name = eq < 0 ? arg : arg.left(eq);
        const QString value = eq < 0 ? QString() : arg.mid(eq + 1);
        const bool hasValue = eq >= 0;
        auto needValue = [&]() {
            if (!hasValue) result.error = QStringLiteral("%1 needs a value").arg(name);
            return hasValue;
        };
        if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
            result.help = true;
        } else if (name == QLatin1String("--server")) {
            if (needValue()) s.server = value;
        } else if (name == QLatin1String("--name")) {
            if (needValue()) s.name = value;
        } else if (name == QLatin1String("--password")) {
            if (needValue()) s.password = value;
        } else if (name == QLatin1String("--admin-password")) {
            if (needValue()) s.adminPassword = value;
        } else if (name == QLatin1String("--channel")) {
            if (needValue()) s.channel = value;
        } else if (name == QLatin1String("--create")) {
            s.create = true;
        } else if (name == QLatin1String("--mute")) {
            if (needValue()) s.muteNames << value;
        } else if (name == QLatin1String("--kick")) {
            if (needValue()) s.kickNames << value;
        } else if (name == QLatin1String("--bind")) {
            if (needValue()) {
                if (QHostAddress(value).isNull())
                    result.error = QStringLiteral("--bind needs an IP address, not %1").arg(value);
                else
                    s.bind = value;
            }
        } else if (name == QLatin1String("--for")) {
            bool ok = false;
            const double seconds = value.toDouble(&ok);
            if (!ok || seconds < 0)
                result.error = QStringLiteral("--for needs a number of seconds");
            else
                s.stayFor = seconds;
        } else if (name == QLatin1String("--program-version")) {
            const QStringList parts = value.split(QLatin1Char('.'));
            bool ok1 = false, ok2 = false;
            const int major = parts.value(0).toInt(&ok1);
            const int minor = parts.size() == 2 ? parts[1].toInt(&ok2) : 0;
            if (!ok1 || (parts.size() == 2 && !ok2) || parts.size() > 2)
                result.error = QStringLiteral("--program-version needs MAJOR.MINOR");
            else {
                s.versionMajor = major;
                s.versionMinor = minor;
            }
        } else if (name == QLatin1String("--talk")) {
            if (needValue()) {
                if (!QFileInfo(value).isFile())
                    result.error = QStringLiteral("--talk: no such file %1").arg(value);
                else
                    s.talkFile = value;
            }
        } else if (name == QLatin1String("--vox")) {
            s.vox = true;
        } else if (name == QLatin1String("--talk-after")) {
            bool ok = false;
            const double seconds = value.toDouble(&ok);
            if (!ok || seconds < 0)
                result.error = QStringLiteral("--talk-after needs a number of seconds");
            else
                s.talkAfter = seconds;
        } else if (name == QLatin1String("--record")) {
            if (needValue()) {
                if (!QFileInfo(value).isDir())
                    result.error = QStringLiteral("--record: no such folder %1").arg(value);
                else
                    s.recordDir = value;
            }
        } else {
            result.error = QStringLiteral("unknown argument %1").arg(arg);
        }
        if (!result.error.isEmpty()) return result;
    }
    if (!result.help && s.server.isEmpty()) result.error = QStringLiteral("--server is required");
    if (!result.help && s.create && s.channel.isEmpty()) result.error = QStringLiteral("--create needs --channel");
    if (!result.help && s.vox && s.talkFile.isEmpty()) result.error = QStringLiteral("--vox needs --talk");
    return result;
}

} // namespace korvel
