#include "Bot.h"

#include <QJsonDocument>

namespace korvel {

namespace {
// The entry the bot "selected": any stable non-null reference marks it as a server entry.
void* entryNode(Bot* bot) { return bot; }
void* userNode(int32_t) { return reinterpret_cast<void*>(uintptr_t(2)); }
void* channelNode(int32_t) { return reinterpret_cast<void*>(uintptr_t(3)); }
const QString kAdminHint = QStringLiteral("Specify the administrative password to access this feature.");
} // namespace

Bot::Bot(const BotSettings& settings, std::function<void(const QByteArray&)> writeLine, QObject* parent)
    : QObject(parent), settings_(settings), writeLine_(std::move(writeLine)),
      role_(options_, settings_.ports, *this, *this, *this, *this, *this, *this, this) {
    options_.EIdentity = settings_.name;
    options_.CSound = false;
    options_.CSpeakConnect = false;
    if (!settings_.bind.isEmpty()) role_.SetBindAddress(QHostAddress(settings_.bind));
    if (settings_.versionMajor) role_.SetProgramVersion(*settings_.versionMajor, settings_.versionMinor.value_or(0));

    stayTimer_.setSingleShot(true);
    connect(&stayTimer_, &QTimer::timeout, this, &Bot::Leave);
    // The server closes the link after a drop; should it not, we go anyway.
    leaveBound_.setSingleShot(true);
    leaveBound_.setInterval(ClientRole::kDisconnectWaitMs);
    connect(&leaveBound_, &QTimer::timeout, this, [this] { finish(kLeft); });

    connect(&role_, &ClientRole::connectFailed, this, [this](const QString& description, bool refused) {
        emitEvent(QStringLiteral("connect_failed"), {{"description", description}, {"refused", refused}});
        finish(kLinkLost);
    });
    connect(&role_, &ClientRole::loggedIn, this, [this](int32_t own, int32_t codec) {
        welcomed_ = true;
        emitEvent(QStringLiteral("welcome"),
                  {{"own", own}, {"codec", codec}, {"admin_protected", !role_.AdminPassword.isEmpty()}});
        if (settings_.create && !settings_.channel.isEmpty()) role_.AddChannelNamed(settings_.channel);
        tryJoinChannel();
    });
    connect(&role_, &ClientRole::userAdded, this,
            [this](int32_t u) {
                emitEvent(QStringLiteral("user_added"), userFields(u));
                actOnUser(u);
            });
    connect(&role_, &ClientRole::userRemoved, this,
            [this](int32_t u) { emitEvent(QStringLiteral("user_removed"), userFields(u)); });
    connect(&role_, &ClientRole::userMoved, this, [this](int32_t u, int32_t from, int32_t to) {
        QJsonObject f = userFields(u);
        f.insert("from", from);
        f.insert("to", to);
        emitEvent(QStringLiteral("moved"), f);
    });
    connect(&role_, &ClientRole::channelAdded, this, [this](int32_t c) {
        emitEvent(QStringLiteral("channel_added"), {{"channel", c}, {"name", role_.TcChannel.at(c)->Name}});
        tryJoinChannel();
    });
    connect(&role_, &ClientRole::channelRemoved, this, [this](int32_t c) {
        emitEvent(QStringLiteral("channel_removed"), {{"channel", c}, {"name", role_.TcChannel.at(c)->Name}});
    });
    connect(&role_, &ClientRole::talkingChanged, this, [this](int32_t u, bool on) {
        emitEvent(on ? QStringLiteral("talk_start") : QStringLiteral("talk_stop"), userFields(u));
    });
    connect(&role_, &ClientRole::muteChanged, this, [this](int32_t u, bool muted) {
        QJsonObject f = userFields(u);
        f.insert("muted", muted);
        emitEvent(QStringLiteral("mute"), f);
    });
    connect(&role_, &ClientRole::lossChanged, this, [this](int32_t u, int32_t lost) {
        QJsonObject f = userFields(u);
        f.insert("lost", lost);
        emitEvent(QStringLiteral("loss"), f);
    });
    connect(&role_, &ClientRole::said, this,
            [this](const QString& text) { emitEvent(QStringLiteral("say"), {{"text", text}}); });
    connect(&role_, &ClientRole::passwordRequired, this, [this] {
        refused_ = true;
        emitEvent(QStringLiteral("refused"), {{"reason", "password"}});
        finish(kRefused);
    });
    connect(&role_, &ClientRole::versionTooOld, this, [this] {
        refused_ = true;
        emitEvent(QStringLiteral("refused"), {{"reason", "version"}});
        finish(kRefused);
    });
    connect(&role_, &ClientRole::linkDropped, this, [this] {
        const QString reason = leaving_ ? QStringLiteral("left") : refused_ ? QStringLiteral("refused")
                                                                            : QStringLiteral("link lost");
        emitEvent(QStringLiteral("disconnected"), {{"reason", reason}});
        finish(leaving_ ? kLeft : refused_ ? kRefused : kLinkLost);
    });
}

void Bot::Start() {
    if (settings_.stayFor) stayTimer_.start(static_cast<int>(*settings_.stayFor * 1000.0));
    role_.Connect();
}

void Bot::Leave() {
    if (leaving_ || finished_) return;
    leaving_ = true;
    if (welcomed_ && role_.IsConnected()) {
        role_.Disconnect();
        leaveBound_.start();
    } else {
        finish(kLeft);
    }
}

void Bot::finish(int code) {
    if (finished_) return;
    finished_ = true;
    stayTimer_.stop();
    leaveBound_.stop();
    emit finished(code);
}

void Bot::emitEvent(const QString& event, QJsonObject fields) {
    fields.insert("event", event);
    writeLine_(QJsonDocument(fields).toJson(QJsonDocument::Compact));
}

QJsonObject Bot::userFields(int32_t user) const {
    QJsonObject f{{"user", user}};
    if (const auto* rec = role_.TcUser.at(user)) {
        f.insert("name", rec->Name);
        f.insert("channel", rec->Channel);
        f.insert("muted", rec->Muted);
        f.insert("version", QStringLiteral("%1.%2").arg(rec->VersionMajor).arg(rec->VersionMinor));
    }
    f.insert("self", user == role_.OwnIndex);
    return f;
}

void Bot::tryJoinChannel() {
    if (joined_ || !welcomed_ || settings_.channel.isEmpty()) return;
    const QString wanted = upperAscii(settings_.channel);
    for (int32_t c = 1; c <= role_.TcChannel.count(); ++c) {
        const auto* rec = role_.TcChannel.at(c);
        if (rec->Node && upperAscii(rec->Name) == wanted) {
            joined_ = true;
            role_.JoinChannel(c);
            return;
        }
    }
}

void Bot::actOnUser(int32_t user) {
    const auto* rec = role_.TcUser.at(user);
    if (!welcomed_ || !rec || user == role_.OwnIndex) return;
    // Each name is acted on once, for the first user announced with it.
    if (settings_.muteNames.removeOne(rec->Name)) role_.Mute({user});
    if (settings_.kickNames.removeOne(rec->Name)) role_.Kick({user});
}

void Bot::AddChannelEntry(int32_t channel) {
    if (auto* rec = role_.TcChannel.at(channel)) rec->Node = channelNode(channel);
}
void Bot::RemoveChannelEntry(int32_t channel) {
    if (auto* rec = role_.TcChannel.at(channel)) rec->Node = nullptr;
}
void Bot::AddUserEntry(int32_t user) {
    if (auto* rec = role_.TcUser.at(user)) rec->Node = userNode(user);
}
void Bot::RemoveUserEntry(int32_t user) {
    if (auto* rec = role_.TcUser.at(user)) rec->Node = nullptr;
}
void Bot::ClearLiveEntries() {}

void Bot::ShowStatus(const QString& text) { emitEvent(QStringLiteral("status"), {{"text", text}}); }

std::optional<ServerEntry> Bot::FirstSelectedServerEntry() {
    return ServerEntry{entryNode(this), settings_.server, settings_.password};
}

void Bot::SetSelectedServerPassword(const QString& password) { settings_.password = password; }

std::optional<QString> Bot::Ask(const QString& caption, const QString&, const QString& hint, const QString&,
                                QChar) {
    const bool answered = hint == kAdminHint && !settings_.adminPassword.isEmpty();
    emitEvent(QStringLiteral("prompt"), {{"caption", caption}, {"hint", hint}, {"answered", answered}});
    if (answered) return settings_.adminPassword;
    return std::nullopt;
}

void Bot::Inform(const QString& text) { emitEvent(QStringLiteral("message"), {{"text", text}}); }

} // namespace korvel
