#pragma once
// What the main window keeps between runs ("FMain"): the server entries, the two
// voice-activation calibration values and its placement.

#include <QList>
#include <QString>
#include <cstdint>

class QWidget;

namespace korvel {

struct StoredServerEntry {
    QString address;
    QString password;
};

struct MainStored {
    QList<StoredServerEntry> entries;
    int32_t gVoxMin = 0; // 0 when not stored
    int32_t gVoxMax = 0;
};

class IMainStore {
public:
    virtual ~IMainStore() = default;
    virtual MainStored load() = 0;
    virtual void save(const MainStored& values) = 0;
    virtual void restorePlacement(QWidget* window) = 0;
    virtual void savePlacement(QWidget* window) = 0;
};

// Keeps everything in memory for the life of the object; for tests and for a run that
// should leave no trace.
class MemoryMainStore : public IMainStore {
public:
    MainStored load() override { return stored; }
    void save(const MainStored& values) override {
        stored = values;
        ++saves;
    }
    void restorePlacement(QWidget*) override {}
    void savePlacement(QWidget*) override {}

    MainStored stored;
    int saves = 0;
};

// The settings store's key "FMain": server entries, calibration values and placement.
class SettingsMainStore : public IMainStore {
public:
    MainStored load() override;
    void save(const MainStored& values) override;
    void restorePlacement(QWidget* window) override;
    void savePlacement(QWidget* window) override;
};

} // namespace korvel
