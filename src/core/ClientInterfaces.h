#pragma once
// What the client role asks of the rest of the program. The main window implements the view
// and the prompts; tests and korvel-bot use their own. Every call comes on the main thread.

#include <QString>
#include <cstdint>
#include <optional>

namespace korvel {

// A saved server the user can join: an entry of the main window's list.
struct ServerEntry {
    void* node = nullptr; // the list entry, opaque to the core; becomes ServerNode
    QString address;
    QString password;
};

// The list operations and the few controls the client role drives. Each list operation does
// nothing when there is no server entry (loopback mode) or the entry does not exist.
class IClientView {
public:
    virtual ~IClientView() = default;
    virtual void AddChannelEntry(int32_t channel) = 0;
    virtual void RemoveChannelEntry(int32_t channel) = 0;
    virtual void AddUserEntry(int32_t user) = 0;
    virtual void RemoveUserEntry(int32_t user) = 0;
    // Re-parents the entry; the captions follow in MovedUserCaptions once the table holds the
    // new channel.
    virtual void MoveUserEntry(int32_t user, int32_t oldChannel, int32_t newChannel) = 0;
    virtual void MovedUserCaptions(int32_t oldChannel, int32_t newChannel) = 0;
    virtual void SetTalking(int32_t user, bool on) = 0;
    virtual void RefreshUserCaption(int32_t user) = 0;
    virtual void ClearLiveEntries() = 0;

    virtual void SetDisconnectVisible(bool visible) = 0;
    virtual void SetLoopbackChecked(bool checked) = 0;
    virtual void ShowStatus(const QString& text) = 0;

    // The first selected list entry when it is a server entry.
    virtual std::optional<ServerEntry> FirstSelectedServerEntry() = 0;
    // A password typed at the prompt is stored with the first selected server entry.
    virtual void SetSelectedServerPassword(const QString& password) = 0;
};

// The single-line input dialog; nullopt when the user cancels.
class IPrompt {
public:
    virtual ~IPrompt() = default;
    virtual std::optional<QString> Ask(const QString& caption, const QString& label, const QString& hint,
                                       const QString& text, QChar mask) = 0;
};

// Modal information boxes with one OK button.
class IMessages {
public:
    virtual ~IMessages() = default;
    virtual void Inform(const QString& text) = 0;
};

// The voice path of a connection; until it exists these do nothing.
class IClientAudio {
public:
    virtual ~IClientAudio() = default;
    virtual void StartAudio(int32_t codec) = 0;
    virtual void StopAudio() = 0;
};

class IEventSounds {
public:
    virtual ~IEventSounds() = default;
    virtual void PlayConnectSound() = 0;
    virtual void PlayDisconnectSound() = 0;
};

class ISpeech {
public:
    virtual ~ISpeech() = default;
    virtual void Speak(const QString& text) = 0;
};

} // namespace korvel
