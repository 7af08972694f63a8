#pragma once
// What the Options dialog asks of the rest of the program: the audio path's device lists, codec
// availability, mixer and microphone boost; the actions OK applies; and the hotkey capture of
// the hotkey box. The app wires the real ones; the null ones stand in until they exist.

#include "core/Options.h"

#include <QStringList>
#include <optional>

class QKeyEvent;

namespace korvel::forms {

class IOptionsServices {
public:
    enum class MixerLine { Microphone, Speakers };

    virtual ~IOptionsServices() = default;
    // Recording device names, by device number.
    virtual QStringList RecordDevices() = 0;
    // Playback device names: the low-latency back-end's outputs when directX, else the plain ones.
    virtual QStringList PlayDevices(bool directX) = 0;
    // Whether the codec of a compression level (1..3) is installed.
    virtual bool CodecAvailable(int32_t level) = 0;
    // Acts on a running capture at once.
    virtual void ApplyMicrophoneBoost(int32_t boost) = 0;
    // The system mixer, while the dialog is shown; false when it cannot be opened.
    virtual bool ActivateMixer() = 0;
    virtual void DeactivateMixer() = 0;
    // 0..100; nullopt when the line has no volume control.
    virtual std::optional<int> MixerVolume(MixerLine line) = 0;
    virtual void SetMixerVolume(MixerLine line, int volume) = 0;
};

// Actions that follow a confirmed dialog.
class IOptionsActions {
public:
    virtual ~IOptionsActions() = default;
    virtual void ApplyTransmitMode() = 0;
    virtual void ApplyVoice() = 0;
    virtual void ActivateSpeech() = 0;
};

// The hotkey box hands every key and mouse event here (Tab included). The capture sets the
// hotkey values and the shown text (EDIHotKey) in the options; the box then shows that text.
class IHotkeyCapture {
public:
    virtual ~IHotkeyCapture() = default;
    virtual void KeyDown(const QKeyEvent& event, Options& options) = 0;
    virtual void KeyPress(const QKeyEvent& event, Options& options) = 0;
    // A mouse button pressed, or the mouse moved, over the box.
    virtual void MouseOverBox(Options& options) = 0;
};

// No audio library: no devices, no mixer; every shipped codec level is there.
class NullOptionsServices : public IOptionsServices {
public:
    QStringList RecordDevices() override { return {}; }
    QStringList PlayDevices(bool) override { return {}; }
    bool CodecAvailable(int32_t level) override { return level >= 1 && level <= 3; }
    void ApplyMicrophoneBoost(int32_t) override {}
    bool ActivateMixer() override { return false; }
    void DeactivateMixer() override {}
    std::optional<int> MixerVolume(MixerLine) override { return std::nullopt; }
    void SetMixerVolume(MixerLine, int) override {}
};

class NullOptionsActions : public IOptionsActions {
public:
    void ApplyTransmitMode() override {}
    void ApplyVoice() override {}
    void ActivateSpeech() override {}
};

// Swallows the events: the box shows what it had.
class NullHotkeyCapture : public IHotkeyCapture {
public:
    void KeyDown(const QKeyEvent&, Options&) override {}
    void KeyPress(const QKeyEvent&, Options&) override {}
    void MouseOverBox(Options&) override {}
};

} // namespace korvel::forms
