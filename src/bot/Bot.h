#pragma once
// korvel-bot's logic: a client role with a view that writes every event as one JSON line.
// Nobody sits at a headless program, so every prompt is cancelled (the administrative one is
// answered from --admin-password) and a refused login ends the run.

#include "bot/BotArguments.h"
#include "core/ClientInterfaces.h"
#include "core/ClientRole.h"
#include "core/Options.h"

#include <QJsonObject>
#include <QObject>
#include <QTimer>
#include <functional>

namespace korvel {

class Bot : public QObject,
            private IClientView,
            private IPrompt,
            private IMessages,
            private IClientAudio,
            private IEventSounds,
            private ISpeech {
    Q_OBJECT
public:
    enum ExitCode { kLeft = 0, kLinkLost = 1, kRefused = 2 };

    // `writeLine` receives each event as one compact JSON line, without the newline.
    Bot(const BotSettings& settings, std::function<void(const QByteArray&)> writeLine, QObject* parent = nullptr);

    void Start();
    // Leaves the server with a drop of the own index; finished(kLeft) follows.
    void Leave();

    ClientRole& role() { return role_; }
    bool finishedAlready() const { return finished_; }

signals:
    void finished(int exitCode);

private:
    void emitEvent(const QString& event, QJsonObject fields = {});
    void finish(int code);
    void tryJoinChannel();
    void actOnUser(int32_t user);
    QJsonObject userFields(int32_t user) const;

    // IClientView
    void AddChannelEntry(int32_t channel) override;
    void RemoveChannelEntry(int32_t channel) override;
    void AddUserEntry(int32_t user) override;
    void RemoveUserEntry(int32_t user) override;
    void MoveUserEntry(int32_t, int32_t, int32_t) override {}
    void MovedUserCaptions(int32_t, int32_t) override {}
    void SetTalking(int32_t, bool) override {}
    void RefreshUserCaption(int32_t) override {}
    void ClearLiveEntries() override;
    void SetDisconnectVisible(bool) override {}
    void SetLoopbackChecked(bool) override {}
    void ShowStatus(const QString& text) override;
    std::optional<ServerEntry> FirstSelectedServerEntry() override;
    void SetSelectedServerPassword(const QString& password) override;
    // IPrompt
    std::optional<QString> Ask(const QString& caption, const QString& label, const QString& hint,
                               const QString& text, QChar mask) override;
    // IMessages
    void Inform(const QString& text) override;
    // IClientAudio: the voice path of the bot comes with its audio options.
    void StartAudio(int32_t) override {}
    void StopAudio() override {}
    // IEventSounds, ISpeech: a bot has nobody to play to.
    void PlayConnectSound() override {}
    void PlayDisconnectSound() override {}
    void Speak(const QString&) override {}

    BotSettings settings_;
    std::function<void(const QByteArray&)> writeLine_;
    Options options_;
    ClientRole role_;
    QTimer stayTimer_;
    QTimer leaveBound_;
    bool welcomed_ = false;
    bool joined_ = false;
    bool leaving_ = false;
    bool refused_ = false;
    bool finished_ = false;
};

} // namespace korvel
