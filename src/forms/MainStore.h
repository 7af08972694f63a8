#pragma once
// The main window's own values in its key "FMain": the server entries of the list and the two
// voice-activation calibration values. Placement is FormPlacement's.

#include "core/ClientInterfaces.h"
#include "forms/FormSettings.h"

#include <QList>
#include <cstdint>

namespace korvel::forms {

struct MainValues {
    QList<ServerEntry> TItems; // in list order; nodes are null
    int32_t gVoxMin = 32767;
    int32_t gVoxMax = -32767;
};

class MainStore {
public:
    static constexpr const char* kTItems = "TItems";
    static constexpr const char* kGVoxMin = "gVoxMin";
    static constexpr const char* kGVoxMax = "gVoxMax";
    // What a calibration value starts at when it was never learned (stored 0 or missing).
    static constexpr int32_t kVoxMinStart = 32767;
    static constexpr int32_t kVoxMaxStart = -32767;

    // Reads the values of "FMain"; the start-up rule for the calibration values is applied.
    static MainValues load(const FormSettings& store);
    static MainValues load(); // from the default store
    // Writes all three values (named values are always written).
    static void save(FormSettings& store, const MainValues& values);
    static void save(const MainValues& values);
};

} // namespace korvel::forms
