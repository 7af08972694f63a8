#pragma once
// The command line of korvel-bot.

#include "core/Ports.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace korvel {

struct BotSettings {
    QString server;
    QString name = QStringLiteral("Bot");
    QString password;
    QString adminPassword;
    QString channel;
    bool create = false;
    QString bind;
    // Seconds to stay before leaving; none = until the link drops or a signal arrives.
    std::optional<double> stayFor;
    // The version sent at login, for checking how a server treats other programs.
    std::optional<int> versionMajor;
    std::optional<int> versionMinor;
    // Users to mute or kick once the server announces them (by identity, each once).
    QStringList muteNames;
    QStringList kickNames;
    PortConfig ports;
    // A WAV file to send as voice, once logged in (and in --channel, when given) and talkAfter
    // seconds on; push to talk with the key held for the whole file unless vox.
    QString talkFile;
    bool vox = false;
    double talkAfter = 0;
    // A folder for slot1.wav .. slot3.wav: what each playback slot played, on one time axis.
    QString recordDir;
    bool hasVoice() const { return !talkFile.isEmpty() || !recordDir.isEmpty(); }
};

struct BotArgumentsResult {
    BotSettings settings;
    bool help = false;
    QString error; // non-empty: the arguments were not usable
};

// Arguments without the program name: "/CTCP" "/CUDP" "/SUDP" switches and --options.
BotArgumentsResult ParseBotArguments(const QStringList& arguments);
QString BotUsage();

} // namespace korvel
