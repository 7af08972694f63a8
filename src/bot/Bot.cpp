#include "Bot.h"

#include "audio/FileBackend.h"
#include "audio/WavIo.h"

#include <QJsonDocument>
#include <cmath>

namespace korvel {

namespace {
// The entry the bot "selected": any stable non-null reference marks it as a server entry.
void* entryNode(Bot* bot) { return bot; }
void* userNode(int32_t) { return reinterpret_cast<void*>(uintptr_t(2)); }
void* channelNode(int32_t) { return reinterpret_cast<void*>(uintptr_t(3)); }
const QString kAdminHint = QStringLiteral("Specify the administrative password to access this feature.");
const QStringList kSlotFiles = {QStringLiteral("slot1"), QStringLiteral("slot2"), QStringLiteral("slot3")};

// Both device kinds go to files: the talk file behind a gate the bot opens, the three playback
// slots under their slot names on one timeline. Nothing else is written.
std::unique_ptr<audio::AudioSystem> makeAudio(const BotSettings& s, const std::shared_ptr<audio::CaptureGate>& gate,
                                              audio::FileBackend*& recorder) {
    if (!s.hasVoice()) return nullptr;
    audio::FileBackendConfig c;
    c.dir = s.recordDir;
    c.captureFile = s.talkFile;
    c.timeline = !s.recordDir.isEmpty();
    c.gate = gate;
    for (int k = 1; k <= 3; ++k) {
        c.names.insert(QStringLiteral("WaveOut%1").arg(k), kSlotFiles[k - 1]);
        c.names.insert(QStringLiteral("DSWaveOut%1").arg(k), kSlotFiles[k - 1]);
    }
    // Event sounds (never played by a bot) would go nowhere rather than into the folder.
    auto wave = std::make_unique<audio::FileBackend>(c);
    auto directSound = std::make_unique<audio::FileBackend>(c, wave->timeline());
    recorder = wave.get();
    return std::make_unique<audio::AudioSystem>(std::move(wave), std::move(directSound));
}
} // namespace

Bot::Bot(const BotSettings& settings, std::function<void(const QByteArray&)> writeLine, QObject* parent)
    : QObject(parent), settings_(settings), writeLine_(std::move(writeLine)),
      gate_(std::make_shared<audio::CaptureGate>()),
      audioSystem_(makeAudio(settings_, gate_, recorder_)),
      voice_(audioSystem_ ? std::make_unique<ClientVoice>(*audioSystem_, options_, settings_.ports,
                                                                   static_cast<IMessages&>(*this), input_)
                          : nullptr),
      role_(options_, settings_.ports, *this, *this, *this, audioPath(), soundPath(), *this, this) {
    options_.EIdentity = settings_.name;
    options_.CSound = false;
    options_.CSpeakConnect = false;
    // The file talks through the bot's own key; the shift state stays clear.
    options_.gKey1 = kTalkKey;
    options_.RPTT = !settings_.vox;
    options_.RVOX = settings_.vox;
    if (voice_) {
        voice_->setClient(&role_);
        voice_->ApplyTransmitMode();
        connect(voice_.get(), &ClientVoice::captureBlock, this, &Bot::onCaptureBlock);
    }
    talkTimer_.setSingleShot(true);
    connect(&talkTimer_, &QTimer::timeout, this, &Bot::beginTalk);
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
        if (settings_.channel.isEmpty()) scheduleTalk();
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
        if (u == role_.OwnIndex && joined_) scheduleTalk();
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
    if (recorder_ && recorder_->timeline())
        emitEvent(QStringLiteral("recording"), {{"dir", settings_.recordDir},
                                                {"origin_ms", recorder_->timeline()->originEpochMs}});
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
    talkTimer_.stop();
    finishRecording();
    emit finished(code);
}

IClientAudio& Bot::audioPath() { return voice_ ? static_cast<IClientAudio&>(*voice_) : *this; }
IEventSounds& Bot::soundPath() { return voice_ ? static_cast<IEventSounds&>(*voice_) : *this; }

void Bot::scheduleTalk() {
    if (!voice_ || settings_.talkFile.isEmpty() || talkScheduled_) return;
    talkScheduled_ = true;
    talkTimer_.start(static_cast<int>(settings_.talkAfter * 1000.0));
}

void Bot::beginTalk() {
    if (finished_ || !voice_->audioRunning()) return;
    const auto file = audio::WavIo::readPcmFile(settings_.talkFile);
    if (!file) {
        emitEvent(QStringLiteral("talk_failed"), {{"file", settings_.talkFile}});
        return;
    }
    const auto& [format, data] = *file;
    const int64_t frames = data.size() / 2 / std::max<int>(1, format.channels);
    talkFrames_ = frames * 8000 / std::max<int64_t>(1, format.samplesPerSec);
    talking_ = true;
    talkBlocksLeft_ = -1;
    input_.setKey(kTalkKey, !settings_.vox);
    gate_->open.store(true);
}

void Bot::onCaptureBlock(const QByteArray& block) {
    if (!talking_ || block.isEmpty()) return;
    if (talkBlocksLeft_ < 0) {
        // Blocks read before the gate opened hold silence; the file starts in the first block
        // read after it.
        const qint64 started = gate_->startedEpochMs.load();
        if (!started) return;
        emitEvent(QStringLiteral("talk_started"), {{"file", settings_.talkFile}, {"time_ms", started}});
        const int32_t bytesPerSec = std::max(1, voice_->chains().gCodecBytesPerSec);
        const double blockFrames = double(block.size()) * 8000.0 / bytesPerSec;
        // The file may begin inside the first block, so it may reach into one block more.
        talkBlocksLeft_ = static_cast<qint64>(std::ceil(double(talkFrames_) / blockFrames)) + 1;
    }
    if (--talkBlocksLeft_ > 0) return;
    talking_ = false;
    input_.setKey(kTalkKey, false);
    emitEvent(QStringLiteral("talk_finished"), {{"file", settings_.talkFile}});
}

void Bot::finishRecording() {
    if (!voice_) return;
    voice_->StopAudio();
    if (settings_.recordDir.isEmpty() || !recorder_) return;
    recorder_->padTimeline(kSlotFiles, audio::AudioChains::DecodedRate);
    emitEvent(QStringLiteral("recorded"), {{"dir", settings_.recordDir},
                                           {"origin_ms", recorder_->timeline()->originEpochMs}});
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
