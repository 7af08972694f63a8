#pragma once
// The four tables both roles keep: growable arrays indexed by the protocol's own indexes,
// entry 0 never used. Records of departed users and removed channels stay and are reused.

#include <QString>
#include <QUdpSocket>
#include <cstdint>
#include <memory>
#include <vector>

namespace korvel {

// Indexes come from the network; no table grows past this, whatever a peer announces.
inline constexpr int32_t kMaxTableIndex = 65535;

template <class T> class Table {
public:
    // Grows the table to hold index i (1..kMaxTableIndex) and returns its record, or nullptr
    // for an index out of bounds.
    T* grow(int32_t i) {
        if (i < 1 || i > kMaxTableIndex) return nullptr;
        if (static_cast<size_t>(i) >= items_.size()) items_.resize(static_cast<size_t>(i) + 1);
        if (i > count_) count_ = i;
        return &items_[static_cast<size_t>(i)];
    }
    // The record of index i, or nullptr when the table has not grown that far.
    T* at(int32_t i) {
        if (i < 1 || i > count_) return nullptr;
        return &items_[static_cast<size_t>(i)];
    }
    const T* at(int32_t i) const { return const_cast<Table*>(this)->at(i); }
    // Highest index the table has grown to.
    int32_t count() const { return count_; }
    // Empties the table; records are made anew as indexes are announced again.
    void clear() {
        items_.clear();
        count_ = 0;
    }

private:
    std::vector<T> items_;
    int32_t count_ = 0;
};

// Per-channel flags (listens, talks): set entries grow the array; reads past it give 0.
class ChannelFlags {
public:
    bool get(int32_t c) const { return c >= 0 && static_cast<size_t>(c) < bits_.size() && bits_[c]; }
    void set(int32_t c, bool on) {
        if (c < 0 || c > kMaxTableIndex) return;
        if (static_cast<size_t>(c) >= bits_.size()) {
            if (!on) return;
            bits_.resize(static_cast<size_t>(c) + 1, 0);
        }
        bits_[static_cast<size_t>(c)] = on ? 1 : 0;
    }
    void toggle(int32_t c) { set(c, !get(c)); }
    int32_t length() const { return static_cast<int32_t>(bits_.size()); }
    void clear() { bits_.clear(); }

private:
    std::vector<uint8_t> bits_;
};

// One record per server connection.
struct TsUser {
    bool Active = false;
    int32_t Channel = 0;
    ChannelFlags Listens;
    ChannelFlags Talks;
    QString Name;
    std::unique_ptr<QUdpSocket> SlotPort[3];
    int32_t SlotSpeaker[3] = {0, 0, 0};
    uint32_t SlotTick[3] = {0, 0, 0};
    std::unique_ptr<QUdpSocket> VoicePort;
    bool Muted = false;
    int32_t VersionMajor = 0;
    int32_t VersionMinor = 0;
    int32_t Received = 999999;
    int32_t Lost = 0;
};

struct TsChannel {
    bool Active = false;
    QString Name;
};

// The client's view of a user; Node is the tree entry, opaque to the core.
struct TcUser {
    int32_t Channel = 0;
    QString Name;
    void* Node = nullptr;
    bool Muted = false;
    int32_t VersionMajor = 0;
    int32_t VersionMinor = 0;
    int32_t Lost = 0;
};

struct TcChannel {
    QString Name;
    void* Node = nullptr;
};

using TsUserTable = Table<TsUser>;
using TsChannelTable = Table<TsChannel>;
using TcUserTable = Table<TcUser>;
using TcChannelTable = Table<TcChannel>;

} // namespace korvel
