#pragma once
// The recording and playback device lists of the Options dialog and their default selection,
// over the options model (gRecord and gPlay are the selected item indexes, -1 = none).

#include "audio/AudioSystem.h"
#include "core/Options.h"

#include <QStringList>

namespace korvel::audio {

class DeviceLists {
public:
    // Always the wave-in names, also when capture goes through the DirectX kind.
    static QStringList RecordDeviceNames(AudioSystem& system);
    // The DirectX kind's output names when RDirectX is selected, else the wave-out names.
    static QStringList PlayDeviceNames(AudioSystem& system, bool directX);

    // Index to select; `selected` is the current selection (kept when 0 or more).
    static int SelectDefaultRecordDevice(const QStringList& items, int selected, bool directX);
    static int SelectDefaultPlayDevice(const QStringList& items, int selected);

    // Refill a list (which clears its selection) and select by the default rule.
    static QStringList FillRecordDevices(AudioSystem& system, Options& options);
    static QStringList FillPlayDevices(AudioSystem& system, Options& options);
};

} // namespace korvel::audio
