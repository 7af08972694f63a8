#include "audio/DeviceLists.h"

namespace korvel::audio {

QStringList DeviceLists::RecordDeviceNames(AudioSystem& system)
{
    return system.backend(DeviceKind::Wave).inputDevices();
}

QStringList DeviceLists::PlayDeviceNames(AudioSystem& system, bool directX)
{
    return system.backend(directX ? DeviceKind::DirectSound : DeviceKind::Wave).outputDevices();
}

int DeviceLists::SelectDefaultRecordDevice(const QStringList& items, int selected, bool directX)
{
    if (selected >= 0 || items.isEmpty())
        return selected;
    auto find = [&items](const QString& part) {
        for (int i = 0; i < items.size(); ++i) {
            if (items[i].toUpper().contains(part))
                return i;
        }
        return -1;
    };
    int pick = directX ? find(QStringLiteral("DIRECT")) : -1;
    if (pick < 0)
        pick = find(QStringLiteral("WAVE IN"));
    return pick < 0 ? 0 : pick;
}

int DeviceLists::SelectDefaultPlayDevice(const QStringList& items, int selected)
{
    return selected < 0 && !items.isEmpty() ? 0 : selected;
}

QStringList DeviceLists::FillRecordDevices(AudioSystem& system, Options& options)
{
    const QStringList items = RecordDeviceNames(system);
    options.gRecord = SelectDefaultRecordDevice(items, -1, options.RDirectX);
    return items;
}

QStringList DeviceLists::FillPlayDevices(AudioSystem& system, Options& options)
{
    const QStringList items = PlayDeviceNames(system, options.RDirectX);
    options.gPlay = SelectDefaultPlayDevice(items, -1);
    return items;
}

} // namespace korvel::audio
