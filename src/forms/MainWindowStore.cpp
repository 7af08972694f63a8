#include "MainWindowStore.h"

#include "FormPlacement.h"
#include "FormSettings.h"
#include "MainStore.h"

namespace korvel {

MainStored SettingsMainStore::load() {
    const forms::MainValues v = forms::MainStore::load();
    MainStored out;
    for (const ServerEntry& e : v.TItems) out.entries.append({e.address, e.password});
    out.gVoxMin = v.gVoxMin;
    out.gVoxMax = v.gVoxMax;
    return out;
}

void SettingsMainStore::save(const MainStored& values) {
    forms::MainValues v;
    for (const StoredServerEntry& e : values.entries) v.TItems.append(ServerEntry{nullptr, e.address, e.password});
    v.gVoxMin = values.gVoxMin;
    v.gVoxMax = values.gVoxMax;
    forms::MainStore::save(v);
}

void SettingsMainStore::restorePlacement(QWidget* window) {
    const forms::FormSettings store(QLatin1String(forms::FormSettings::kFMain));
    forms::restorePlacement(store, *window, forms::PlacementSet::Sizable);
}

void SettingsMainStore::savePlacement(QWidget* window) {
    forms::FormSettings store(QLatin1String(forms::FormSettings::kFMain));
    forms::savePlacement(store, *window, forms::PlacementSet::Sizable, true);
    store.sync();
}

} // namespace korvel
