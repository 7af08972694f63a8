#include "forms/MainStore.h"

#include "forms/ServerListText.h"

namespace korvel::forms {

MainValues MainStore::load(const FormSettings& store) {
    MainValues v;
    if (const auto text = store.readString(QLatin1String(kTItems)))
        v.TItems = decodeServerList(*text);
    const int32_t vmin = store.readInt(QLatin1String(kGVoxMin)).value_or(0);
    const int32_t vmax = store.readInt(QLatin1String(kGVoxMax)).value_or(0);
    v.gVoxMin = vmin == 0 ? kVoxMinStart : vmin;
    v.gVoxMax = vmax == 0 ? kVoxMaxStart : vmax;
    return v;
}

MainValues MainStore::load() {
    const FormSettings store(QLatin1String(FormSettings::kFMain));
    return load(store);
}

void MainStore::save(FormSettings& store, const MainValues& values) {
    store.writeString(QLatin1String(kTItems), encodeServerList(values.TItems));
    store.writeInt(QLatin1String(kGVoxMin), values.gVoxMin);
    store.writeInt(QLatin1String(kGVoxMax), values.gVoxMax);
    store.sync();
}

void MainStore::save(const MainValues& values) {
    FormSettings store(QLatin1String(FormSettings::kFMain));
    save(store, values);
}

} // namespace korvel::forms
