#include "forms/OptionsStore.h"

#include <algorithm>
#include <array>
#include <variant>

namespace korvel::forms {

namespace {

enum class Protection { None, Protected };

using Member = std::variant<QString Options::*, bool Options::*, int32_t Options::*>;

struct Bound {
    const char* path;
    Member member;
    Protection protection = Protection::None;
};

// "DLastMsg.Time" and "DLastMsg.Date" split one stamp; they are handled beside the table.
constexpr const char* kDLastMsgTime = "DLastMsg.Time";
constexpr const char* kDLastMsgDate = "DLastMsg.Date";
constexpr auto kTimeFormat = "HH:mm:ss.zzz";
constexpr auto kDateFormat = "yyyy-MM-dd";

// The persisted control values in their order of saving; the stamp comes after RCodec2.
constexpr std::size_t kBeforeStamp = 6;
const Bound kBound[] = {
    {"EIdentity.Text", &Options::EIdentity},
    {"EAdminPassword.Text", &Options::EAdminPassword, Protection::Protected},
    {"EPassword.Text", &Options::EPassword, Protection::Protected},
    {"RCodec1.Checked", &Options::RCodec1},
    {"RCodec3.Checked", &Options::RCodec3},
    {"RCodec2.Checked", &Options::RCodec2},
    // DLastMsg.Time, DLastMsg.Date
    {"RDirectX.Checked", &Options::RDirectX},
    {"RWave.Checked", &Options::RWave},
    {"CMinimized.Checked", &Options::CMinimized},
    {"CServer.Checked", &Options::CServer},
    {"CShowPacketLoss.Checked", &Options::CShowPacketLoss},
    {"CShowVersion.Checked", &Options::CShowVersion},
    {"EDIHotKey.Text", &Options::EDIHotKey},
    {"RPTT.Checked", &Options::RPTT},
    {"RVOX.Checked", &Options::RVOX},
    {"TVoxLevel.Position", &Options::TVoxLevel},
    {"WVolume1.Value", &Options::WVolume1},
    {"CDSWaveIn.Checked", &Options::CDSWaveIn},
    {"CPCMConvert.Checked", &Options::CPCMConvert},
    {"CSound.Checked", &Options::CSound},
    {"CFemale.Checked", &Options::CFemale},
    {"CMale1.Checked", &Options::CMale1},
    {"CMale2.Checked", &Options::CMale2},
    {"CSpeech.Checked", &Options::CSpeech},
    {"CSpeakConnect.Checked", &Options::CSpeakConnect},
    {"CTweak1.Checked", &Options::CTweak1},
};

// Radio buttons are stored one by one; a stored "checked" unchecks the others of its group.
const std::array<std::array<bool Options::*, 3>, 4> kRadioGroups{{
    {&Options::RPTT, &Options::RVOX, nullptr},
    {&Options::RDirectX, &Options::RWave, nullptr},
    {&Options::RCodec1, &Options::RCodec2, &Options::RCodec3},
    {&Options::CFemale, &Options::CMale1, &Options::CMale2},
}};

const std::array<bool Options::*, 3>* radioGroupOf(bool Options::*m) {
    for (const auto& g : kRadioGroups)
        if (std::find(g.begin(), g.end(), m) != g.end())
            return &g;
    return nullptr;
}

struct Range {
    int32_t Options::*member;
    int32_t min, max;
};
const std::array<Range, 2> kRanges{{{&Options::TVoxLevel, 0, 100}, {&Options::WVolume1, 1, 8}}};

void loadBound(const FormSettings& store, const Bound& b, Options& o) {
    const QString path = QLatin1String(b.path);
    if (auto s = std::get_if<QString Options::*>(&b.member)) {
        const auto v = b.protection == Protection::Protected ? store.readProtected(path) : store.readBoundString(path);
        if (v)
            o.*(*s) = *v;
    } else if (auto f = std::get_if<bool Options::*>(&b.member)) {
        const auto v = store.readBoundBool(path);
        if (!v)
            return;
        if (const auto* group = radioGroupOf(*f); group && *v)
            for (bool Options::*other : *group)
                if (other)
                    o.*other = false;
        o.*(*f) = *v;
    } else if (auto i = std::get_if<int32_t Options::*>(&b.member)) {
        if (const auto v = store.readBoundInt(path))
            o.*(*i) = *v;
    }
}

void saveBound(FormSettings& store, const Bound& b, const Options& o, const Options& initial) {
    const QString path = QLatin1String(b.path);
    if (auto s = std::get_if<QString Options::*>(&b.member)) {
        if (b.protection == Protection::Protected)
            store.writeProtected(path, o.*(*s), initial.*(*s));
        else
            store.writeBound(path, o.*(*s), initial.*(*s));
    } else if (auto f = std::get_if<bool Options::*>(&b.member)) {
        store.writeBound(path, o.*(*f), initial.*(*f));
    } else if (auto i = std::get_if<int32_t Options::*>(&b.member)) {
        store.writeBound(path, o.*(*i), initial.*(*i));
    }
}

void loadStamp(const FormSettings& store, Options& o) {
    QDate date = o.DLastMsg.date();
    QTime time = o.DLastMsg.time();
    if (const auto t = store.readBoundString(QLatin1String(kDLastMsgTime))) {
        const QTime parsed = QTime::fromString(*t, QLatin1String(kTimeFormat));
        if (parsed.isValid())
            time = parsed;
    }
    if (const auto d = store.readBoundString(QLatin1String(kDLastMsgDate))) {
        const QDate parsed = QDate::fromString(*d, QLatin1String(kDateFormat));
        if (parsed.isValid())
            date = parsed;
    }
    o.DLastMsg = QDateTime(date, time);
}

void saveStamp(FormSettings& store, const Options& o, const Options& initial) {
    store.writeBound(QLatin1String(kDLastMsgTime), o.DLastMsg.time().toString(QLatin1String(kTimeFormat)),
                     initial.DLastMsg.time().toString(QLatin1String(kTimeFormat)));
    store.writeBound(QLatin1String(kDLastMsgDate), o.DLastMsg.date().toString(QLatin1String(kDateFormat)),
                     initial.DLastMsg.date().toString(QLatin1String(kDateFormat)));
}

} // namespace

void OptionsStore::load(const FormSettings& store, Options& options) {
    // Start from the initial values: an absent value means "as the control starts".
    Options o;
    for (std::size_t k = 0; k < std::size(kBound); ++k) {
        if (k == kBeforeStamp)
            loadStamp(store, o);
        loadBound(store, kBound[k], o);
    }
    // A group left without a choice (a file edited by hand) falls back to its first button.
    for (const auto& g : kRadioGroups)
        if (std::none_of(g.begin(), g.end(), [&](bool Options::*m) { return m && o.*m; }))
            o.*g.front() = true;
    for (const Range& r : kRanges)
        o.*r.member = std::clamp(o.*r.member, r.min, r.max);

    auto named = [&](const char* name) { return store.readInt(QLatin1String(name)).value_or(0); };
    auto flag = [&](const char* name) { return store.readBool(QLatin1String(name)).value_or(false); };
    o.gRecord = named(kGRecord);
    o.gPlay = named(kGPlay);
    o.gKey1 = named(kGKey1) & 0xFF;
    o.gKey2 = named(kGKey2) & 0xFF;
    o.gKey = named(kGKey);
    o.gShiftState = (flag(kGShiftAlt) ? kAltBit : 0) | (flag(kGShiftCtrl) ? kCtrlBit : 0)
                    | (flag(kGShiftShift) ? kShiftBit : 0);
    o.gMouse = named(kGMouse);
    options = o;
}

void OptionsStore::save(FormSettings& store, const Options& options) {
    const Options initial;
    for (std::size_t k = 0; k < std::size(kBound); ++k) {
        if (k == kBeforeStamp)
            saveStamp(store, options, initial);
        saveBound(store, kBound[k], options, initial);
    }
    store.writeInt(QLatin1String(kGRecord), options.gRecord);
    store.writeInt(QLatin1String(kGPlay), options.gPlay);
    store.writeInt(QLatin1String(kGKey1), options.gKey1 & 0xFF);
    store.writeInt(QLatin1String(kGKey2), options.gKey2 & 0xFF);
    store.writeInt(QLatin1String(kGKey), options.gKey);
    store.writeBool(QLatin1String(kGShiftShift), (options.gShiftState & kShiftBit) != 0);
    store.writeBool(QLatin1String(kGShiftAlt), (options.gShiftState & kAltBit) != 0);
    store.writeBool(QLatin1String(kGShiftCtrl), (options.gShiftState & kCtrlBit) != 0);
    store.writeInt(QLatin1String(kGMouse), options.gMouse);
    store.sync();
}

void OptionsStore::load(Options& options) {
    const FormSettings store(QLatin1String(FormSettings::kFOptions));
    load(store, options);
}

void OptionsStore::save(const Options& options) {
    FormSettings store(QLatin1String(FormSettings::kFOptions));
    save(store, options);
}

} // namespace korvel::forms
