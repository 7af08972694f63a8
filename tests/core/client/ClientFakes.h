#pragma once
// Fakes for the client role's collaborators: a view that records every list operation and
// keeps the captions it would show, and scripted prompts and messages.

#include "core/Captions.h"
#include "core/ClientInterfaces.h"
#include "core/ClientRole.h"

#include <QList>
#include <QMap>
#include <QStringList>
#include <cstdint>
#include <deque>

namespace korvel::test {

class RecordingView : public IClientView {
public:
    ClientRole* role = nullptr;
    Options* options = nullptr;
    std::optional<ServerEntry> selected;
    QStringList log;
    QStringList statuses;
    bool disconnectVisible = false;
    bool loopbackChecked = false;
    QString serverCaption;
    QMap<int32_t, QString> channelCaptions;
    QMap<int32_t, QString> userCaptions;
    QMap<int32_t, bool> talking;

    static void* nodeFor(int kind, int32_t index) {
        return reinterpret_cast<void*>(static_cast<uintptr_t>(0x10000 * kind + index + 1));
    }
    bool live() const { return role && role->ServerNode; }

    void AddChannelEntry(int32_t c) override {
        log << QStringLiteral("addChannel %1").arg(c);
        if (!live()) return;
        role->TcChannel.at(c)->Node = nodeFor(3, c);
        channelCaption(c);
    }
    void RemoveChannelEntry(int32_t c) override {
        log << QStringLiteral("removeChannel %1").arg(c);
        if (!live()) return;
        role->TcChannel.at(c)->Node = nullptr;
        channelCaptions.remove(c);
    }
    void AddUserEntry(int32_t u) override {
        log << QStringLiteral("addUser %1").arg(u);
        if (!live()) return;
        auto* rec = role->TcUser.at(u);
        rec->Node = nodeFor(2, u);
        serverCaption = ServerCaption(role->ServerAddress, role->TcUser);
        if (rec->Channel > 0) channelCaption(rec->Channel);
        userCaption(u);
    }
    void RemoveUserEntry(int32_t u) override {
        log << QStringLiteral("removeUser %1").arg(u);
        if (!live()) return;
        auto* rec = role->TcUser.at(u);
        if (!rec->Node) return;
        rec->Node = nullptr;
        userCaptions.remove(u);
        serverCaption = ServerCaption(role->ServerAddress, role->TcUser);
        if (rec->Channel > 0) channelCaption(rec->Channel);
    }
    void MoveUserEntry(int32_t u, int32_t from, int32_t to) override {
        log << QStringLiteral("moveUser %1 %2 %3").arg(u).arg(from).arg(to);
    }
    void MovedUserCaptions(int32_t from, int32_t to) override {
        if (!live()) return;
        if (from > 0) channelCaption(from);
        if (to > 0) channelCaption(to);
    }
    void SetTalking(int32_t u, bool on) override {
        log << QStringLiteral("talking %1 %2").arg(u).arg(on ? 1 : 0);
        if (live()) talking[u] = on;
    }
    void RefreshUserCaption(int32_t u) override {
        log << QStringLiteral("refreshUser %1").arg(u);
        if (live()) userCaption(u);
    }
    void ClearLiveEntries() override {
        log << QStringLiteral("clear");
        if (!live()) return;
        for (int32_t u = 1; u <= role->TcUser.count(); ++u) role->TcUser.at(u)->Node = nullptr;
        for (int32_t c = 1; c <= role->TcChannel.count(); ++c) role->TcChannel.at(c)->Node = nullptr;
        userCaptions.clear();
        channelCaptions.clear();
        serverCaption = role->ServerAddress;
    }
    void SetDisconnectVisible(bool v) override {
        if (v) log << QStringLiteral("welcome");
        disconnectVisible = v;
    }
    void SetLoopbackChecked(bool c) override { loopbackChecked = c; }
    void ShowStatus(const QString& text) override { statuses << text; }
    std::optional<ServerEntry> FirstSelectedServerEntry() override { return selected; }
    void SetSelectedServerPassword(const QString& password) override {
        log << QStringLiteral("storePassword %1").arg(password);
        if (selected) selected->password = password;
    }

    // Log lines that start with the prefix.
    QStringList entries(const QString& prefix) const {
        QStringList out;
        for (const QString& l : log)
            if (l.startsWith(prefix)) out << l;
        return out;
    }

private:
    void channelCaption(int32_t c) { channelCaptions[c] = ChannelCaption(role->TcChannel, role->TcUser, c); }
    void userCaption(int32_t u) {
        const bool pl = options && options->CShowPacketLoss;
        const bool v = !options || options->CShowVersion;
        userCaptions[u] = UserCaption(*role->TcUser.at(u), pl, v);
    }
};

struct PromptCall {
    QString caption, label, hint, text;
    QChar mask;
};

// Answers prompts from a script; cancels once the script is used up.
class ScriptedPrompt : public IPrompt {
public:
    std::deque<std::optional<QString>> answers;
    QList<PromptCall> calls;
    std::optional<QString> Ask(const QString& caption, const QString& label, const QString& hint,
                               const QString& text, QChar mask) override {
        calls.append({caption, label, hint, text, mask});
        if (answers.empty()) return std::nullopt;
        std::optional<QString> a = answers.front();
        answers.pop_front();
        return a;
    }
};

class RecordingMessages : public IMessages {
public:
    QStringList shown;
    void Inform(const QString& text) override { shown << text; }
};

class RecordingAudio : public IClientAudio {
public:
    QList<int32_t> started;
    int stopped = 0;
    void StartAudio(int32_t codec) override { started << codec; }
    void StopAudio() override { ++stopped; }
};

class RecordingSounds : public IEventSounds {
public:
    int connects = 0, disconnects = 0;
    void PlayConnectSound() override { ++connects; }
    void PlayDisconnectSound() override { ++disconnects; }
};

class RecordingSpeech : public ISpeech {
public:
    QStringList spoken;
    void Speak(const QString& text) override { spoken << text; }
};

// One client with every collaborator it needs, bound to its own loopback address.
struct ClientFixture {
    Options options;
    PortConfig ports;
    RecordingView view;
    ScriptedPrompt prompt;
    RecordingMessages messages;
    RecordingAudio audio;
    RecordingSounds sounds;
    RecordingSpeech speech;
    ClientRole role;

    ClientFixture(const PortConfig& plan, const QString& name, const QString& bindAddress)
        : ports(plan), role(options, ports, view, prompt, messages, audio, sounds, speech) {
        options.EIdentity = name;
        view.role = &role;
        view.options = &options;
        role.SetBindAddress(QHostAddress(bindAddress));
    }
    void select(const QString& address, const QString& password = QString()) {
        view.selected = ServerEntry{reinterpret_cast<void*>(uintptr_t(0xbeef)), address, password};
    }
};

} // namespace korvel::test
