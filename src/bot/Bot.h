#pragma once
// korvel-bot's logic: a client role with a view that writes every event as one JSON line.
// Nobody sits at a headless program, so every prompt is cancelled (the administrative one is
// answered from --admin-password) and a refused login ends the run.

#include "bot/BotArguments.h"
#include "core/ClientInterfaces.h"
#include "core/ClientRole.h"
#include "core/Options.h"
#include "input/ClientVoice.h"
#include "input/InputState.h"

#include <QJsonObject>
#include <QObject>
#include <QTimer>
#include <functional>

namespace korvel {

namespace audio {
struct CaptureGate;
class FileBackend;
} // namespace audio

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
    // The voice path, when the bot talks or records; null otherwise.
    ClientVoice* voice() const { return voice_.get(); }

    // The push-to-talk key the bot holds while it talks a file.
    static constexpr uint8_t kTalkKey = 0x39;
    bool finishedAlready() const { return finished_; }

signals:
    void finished(int exitCode);

private:
    void emitEvent(const QString& event, QJsonObject fields = {});
    void finish(int code);
    void tryJoinChannel();
    void actOnUser(int32_t user);
    QJsonObject userFields(int32_t user) const;
    IClientAudio& audioPath();
    IEventSounds& soundPath();
    void scheduleTalk();
    void beginTalk();
    void onCaptureBlock(const QByteArray& block);
    void finishRecording();

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
    // IClientAudio, IEventSounds: without --talk or --record the bot has no voice path.
    void StartAudio(int32_t) override {}
    void StopAudio() override {}
    // ISpeech: a bot has nobody to speak to.
    void PlayConnectSound() override {}
    void PlayDisconnectSound() override {}
    void Speak(const QString&) override {}

    BotSettings settings_;
    std::function<void(const QByteArray&)> writeLine_;
    Options options_;
    ScriptedInputState input_;
    std::shared_ptr<audio::CaptureGate> gate_;
    audio::FileBackend* recorder_ = nullptr; // owned by audioSystem_
    std::unique_ptr<audio::AudioSystem> audioSystem_;
    std::unique_ptr<ClientVoice> voice_;
    ClientRole role_;
    QTimer talkTimer_;
    bool talkScheduled_ = false;
    bool talking_ = false;
    qint64 talkBlocksLeft_ = -1; // blocks until the key is released; -1 = not counting
    int64_t talkFrames_ = 0;     // the talk file's length at 8 kHz
    QTimer stayTimer_;
    QTimer leaveBound_;
    bool welcomed_ = false;
    bool joined_ = false;
    bool leaving_ = false;
    bool refused_ = false;
    bool finished_ = false;
};

} // namespace korvel
