#include "audio/PulseContext.h"

#include <pulse/pulseaudio.h>

#include <QElapsedTimer>
#include <algorithm>

namespace korvel::audio {

namespace {
constexpr int TimeoutMs = 2000;

struct ListResult {
    QList<PulseDevice> devices;
    bool done = false;
};

struct VolumeResult {
    std::optional<double> volume;
    bool done = false;
};

struct ServerResult {
    QString sink;
    QString source;
    bool done = false;
};

struct OpResult {
    bool ok = false;
    bool done = false;
};
} // namespace

PulseContext::PulseContext()
{
    loop_ = pa_mainloop_new();
    if (!loop_)
        return;
    context_ = pa_context_new(pa_mainloop_get_api(loop_), "Korvel");
    if (!context_ || pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < TimeoutMs) {
        const pa_context_state_t s = pa_context_get_state(context_);
        if (s == PA_CONTEXT_READY) {
            ready_ = true;
            return;
        }
        if (!PA_CONTEXT_IS_GOOD(s))
            return;
        pa_mainloop_iterate(loop_, 0, nullptr);
        pa_mainloop_prepare(loop_, 20000);
        pa_mainloop_poll(loop_);
        pa_mainloop_dispatch(loop_);
    }
}

PulseContext::~PulseContext()
{
    if (context_) {
        pa_context_disconnect(context_);
        pa_context_unref(context_);
    }
    if (loop_)
        pa_mainloop_free(loop_);
}

bool PulseContext::iterateUntil(const bool& done)
{
    QElapsedTimer t;
    t.start();
    while (!done && t.elapsed() < TimeoutMs) {
        if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context_)))
            return false;
        pa_mainloop_prepare(loop_, 20000);
        pa_mainloop_poll(loop_);
        pa_mainloop_dispatch(loop_);
    }
    return done;
}

QList<PulseDevice> PulseContext::sinks()
{
    if (!ready_)
        return {};
    ListResult r;
    auto cb = [](pa_context*, const pa_sink_info* i, int eol, void* u) {
        auto* res = static_cast<ListResult*>(u);
        if (eol) {
            res->done = true;
            return;
        }
        res->devices.append({QString::fromUtf8(i->name), QString::fromUtf8(i->description)});
    };
    if (pa_operation* op = pa_context_get_sink_info_list(context_, cb, &r)) {
        iterateUntil(r.done);
        pa_operation_unref(op);
    }
    return r.done ? r.devices : QList<PulseDevice>{};
}

QList<PulseDevice> PulseContext::sources()
{
    if (!ready_)
        return {};
    ListResult r;
    auto cb = [](pa_context*, const pa_source_info* i, int eol, void* u) {
        auto* res = static_cast<ListResult*>(u);
        if (eol) {
            res->done = true;
            return;
        }
        // Monitors are a sink's echo, not a recording device.
        if (i->monitor_of_sink == PA_INVALID_INDEX)
            res->devices.append({QString::fromUtf8(i->name), QString::fromUtf8(i->description)});
    };
    if (pa_operation* op = pa_context_get_source_info_list(context_, cb, &r)) {
        iterateUntil(r.done);
        pa_operation_unref(op);
    }
    return r.done ? r.devices : QList<PulseDevice>{};
}

QString PulseContext::resolve(const QString& name, bool sink)
{
    if (!name.isEmpty() || !ready_)
        return name;
    ServerResult r;
    auto cb = [](pa_context*, const pa_server_info* i, void* u) {
        auto* res = static_cast<ServerResult*>(u);
        res->sink = QString::fromUtf8(i->default_sink_name ? i->default_sink_name : "");
        res->source = QString::fromUtf8(i->default_source_name ? i->default_source_name : "");
        res->done = true;
    };
    if (pa_operation* op = pa_context_get_server_info(context_, cb, &r)) {
        iterateUntil(r.done);
        pa_operation_unref(op);
    }
    return sink ? r.sink : r.source;
}

std::optional<double> PulseContext::sinkVolume(const QString& name)
{
    const QByteArray n = resolve(name, true).toUtf8();
    if (!ready_ || n.isEmpty())
        return std::nullopt;
    VolumeResult r;
    auto cb = [](pa_context*, const pa_sink_info* i, int eol, void* u) {
        auto* res = static_cast<VolumeResult*>(u);
        if (eol) {
            res->done = true;
            return;
        }
        res->volume = double(pa_cvolume_avg(&i->volume)) / PA_VOLUME_NORM;
    };
    if (pa_operation* op = pa_context_get_sink_info_by_name(context_, n.constData(), cb, &r)) {
        iterateUntil(r.done);
        pa_operation_unref(op);
    }
    return r.volume;
}

std::optional<double> PulseContext::sourceVolume(const QString& name)
{
    const QByteArray n = resolve(name, false).toUtf8();
    if (!ready_ || n.isEmpty())
        return std::nullopt;
    VolumeResult r;
    auto cb = [](pa_context*, const pa_source_info* i, int eol, void* u) {
        auto* res = static_cast<VolumeResult*>(u);
        if (eol) {
            res->done = true;
            return;
        }
        res->volume = double(pa_cvolume_avg(&i->volume)) / PA_VOLUME_NORM;
    };
    if (pa_operation* op = pa_context_get_source_info_by_name(context_, n.constData(), cb, &r)) {
        iterateUntil(r.done);
        pa_operation_unref(op);
    }
    return r.volume;
}

namespace {
void opDone(pa_context*, int success, void* u)
{
    auto* res = static_cast<OpResult*>(u);
    res->ok = success != 0;
    res->done = true;
}

pa_cvolume monoVolume(double volume, uint8_t channels)
{
    pa_cvolume v;
    const double clamped = std::clamp(volume, 0.0, 1.5);
    pa_cvolume_set(&v, channels, static_cast<pa_volume_t>(clamped * PA_VOLUME_NORM));
    return v;
}
} // namespace

bool PulseContext::setSinkVolume(const QString& name, double volume)
{
    const QByteArray n = resolve(name, true).toUtf8();
    if (!ready_ || n.isEmpty())
        return false;
    OpResult r;
    // Channel count: PulseAudio applies a single-channel volume to every channel.
    const pa_cvolume v = monoVolume(volume, 1);
    if (pa_operation* op = pa_context_set_sink_volume_by_name(context_, n.constData(), &v, opDone, &r)) {
        iterateUntil(r.done);
        pa_operation_unref(op);
    }
    return r.ok;
}

bool PulseContext::setSourceVolume(const QString& name, double volume)
{
    const QByteArray n = resolve(name, false).toUtf8();
    if (!ready_ || n.isEmpty())
        return false;
    OpResult r;
    const pa_cvolume v = monoVolume(volume, 1);
    if (pa_operation* op = pa_context_set_source_volume_by_name(context_, n.constData(), &v, opDone, &r)) {
        iterateUntil(r.done);
        pa_operation_unref(op);
    }
    return r.ok;
}

} // namespace korvel::audio
