#pragma once
// Loading and saving the options model in the key "FOptions". Control-bound values are stored
// under "Control/Property" only while they differ from the control's initial value (the model's
// defaults); the named values (device positions, hotkey) are always written. The two server
// passwords are stored protected. Uses QtCore only.

#include "core/Options.h"
#include "forms/FormSettings.h"

namespace korvel::forms {

class OptionsStore {
public:
    // Named values of "FOptions".
    static constexpr const char* kGRecord = "gRecord";
    static constexpr const char* kGPlay = "gPlay";
    static constexpr const char* kGKey1 = "gKey1";
    static constexpr const char* kGKey2 = "gKey2";
    static constexpr const char* kGKey = "gKey";
    static constexpr const char* kGShiftShift = "gShiftShift";
    static constexpr const char* kGShiftAlt = "gShiftAlt";
    static constexpr const char* kGShiftCtrl = "gShiftCtrl";
    static constexpr const char* kGMouse = "gMouse";

    // Bits of Options::gShiftState.
    static constexpr int32_t kShiftBit = 1 << 0;
    static constexpr int32_t kAltBit = 1 << 1;
    static constexpr int32_t kCtrlBit = 1 << 2;

    // Reads every value back. A value never stored (or unreadable) returns to its initial value,
    // so Cancel undoes every edit since the last save; a named value never stored reads as 0.
    static void load(const FormSettings& store, Options& options);
    static void save(FormSettings& store, const Options& options);
    // Over the default store.
    static void load(Options& options);
    static void save(const Options& options);
};

} // namespace korvel::forms
