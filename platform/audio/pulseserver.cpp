#include "platform/audio/pulseserver.h"

#include "platform/audio/pulsecontext.h"

#include <QElapsedTimer>
#include <QObject>

#include <pulse/pulseaudio.h>

namespace {

// State of one query: the context to wake and what the callbacks collected.
template <class T> struct Query
{
    PulseContext *ctx;
    T result{};
    bool ok = true;
};

QString prop(const pa_proplist *props, const char *key)
{
    const char *v = props ? pa_proplist_gets(props, key) : nullptr;
    return v ? QString::fromUtf8(v) : QString();
}

int percentOf(const pa_cvolume &volume)
{
    if (volume.channels == 0)
        return 0;
    return int(double(pa_cvolume_avg(&volume)) * 100.0 / PA_VOLUME_NORM + 0.5);
}

void successCallback(pa_context *, int success, void *data)
{
    auto *q = static_cast<Query<int> *>(data);
    q->ok = success != 0;
    q->ctx->wake();
}

// One callback for every info list: fills an item per entry, wakes the waiter at the end.
template <class Info, class Item, void (*Fill)(const Info &, Item &)>
void collectCallback(pa_context *, const Info *i, int eol, void *data)
{
    auto *q = static_cast<Query<QVector<Item>> *>(data);
    if (eol < 0)
        q->ok = false;
    if (!i || eol) {
        q->ctx->wake();
        return;
    }
    Item item;
    Fill(*i, item);
    q->result.append(item);
}

// What sinks and sources have in common.
template <class Info> void fillDeviceCommon(const Info &i, PulseDeviceInfo &d)
{
    d.index = i.index;
    d.name = i.name;
    d.description = QString::fromUtf8(i.description);
    d.ownerModule = i.owner_module;
    d.channels = i.channel_map.channels;
    d.volumePercent = percentOf(i.volume);
    d.muted = i.mute != 0;
    d.formFactor = prop(i.proplist, PA_PROP_DEVICE_FORM_FACTOR);
    d.bus = prop(i.proplist, PA_PROP_DEVICE_BUS);
}

void fillSink(const pa_sink_info &i, PulseDeviceInfo &d)
{
    fillDeviceCommon(i, d);
    d.monitorOf = i.monitor_source_name;
}

void fillSource(const pa_source_info &i, PulseDeviceInfo &d)
{
    fillDeviceCommon(i, d);
    d.isMonitor = i.monitor_of_sink != PA_INVALID_INDEX;
    d.monitorOf = i.monitor_of_sink_name;
}

void fillModule(const pa_module_info &i, PulseModuleInfo &m)
{
    m.index = i.index;
    m.name = i.name;
    m.argument = i.argument;
}

} // namespace

PulseServer::PulseServer(PulseContext *ctx, int timeoutMs)
    : m_ctx(ctx ? ctx : PulseContext::shared()), m_timeoutMs(timeoutMs)
{
}

bool PulseServer::fail(const QString &text)
{
    m_error = text;
    return false;
}

bool PulseServer::ready()
{
    if (m_ctx->ensureConnected(m_timeoutMs))
        return true;
    return fail(m_ctx->errorString());
}

bool PulseServer::serverInfo(PulseServerInfo &info)
{
    if (!reportedServerInfo(info))
        return false;
    return !m_ctx->defaultsUnreported() || currentDefaults(info);
}

bool PulseServer::currentDefaults(PulseServerInfo &info)
{
    PulseContext own;
    if (!own.connectToServer(m_ctx->serverAddress(), m_timeoutMs))
        return fail(own.errorString());
    PulseServer server(&own, m_timeoutMs);
    PulseServerInfo now;
    if (!server.reportedServerInfo(now))
        return fail(server.errorString());
    info.defaultSink = now.defaultSink;
    info.defaultSource = now.defaultSource;
    return true;
}

bool PulseServer::reportedServerInfo(PulseServerInfo &info)
{
    if (!ready())
        return false;
    Query<PulseServerInfo> q{m_ctx};
    PulseContext::Lock lock(m_ctx);
    pa_operation *op = pa_context_get_server_info(
        m_ctx->context(),
        [](pa_context *, const pa_server_info *i, void *data) {
            auto *query = static_cast<Query<PulseServerInfo> *>(data);
            if (i) {
                query->result.defaultSink = i->default_sink_name;
                query->result.defaultSource = i->default_source_name;
                query->result.serverName = QString::fromUtf8(i->server_name);
                query->result.serverVersion = QString::fromUtf8(i->server_version);
            } else {
                query->ok = false;
            }
            query->ctx->wake();
        },
        &q);
    if (!m_ctx->waitFor(op, m_timeoutMs) || !q.ok)
        return fail(m_ctx->errorString());
    info = q.result;
    return true;
}

template <class Item, class Start>
bool PulseServer::queryList(Start start, QVector<Item> &list)
{
    if (!ready())
        return false;
    Query<QVector<Item>> q{m_ctx};
    PulseContext::Lock lock(m_ctx);
    pa_operation *op = start(m_ctx->context(), &q);
    if (!m_ctx->waitFor(op, m_timeoutMs) || !q.ok)
        return fail(m_ctx->errorString());
    list = q.result;
    return true;
}

template <class Start, class WhyNot>
bool PulseServer::runAction(Start start, WhyNot whyNot)
{
    Query<int> q{m_ctx};
    PulseContext::Lock lock(m_ctx);
    pa_operation *op = start(m_ctx->context(), &q);
    if (!m_ctx->waitFor(op, m_timeoutMs))
        return fail(m_ctx->errorString());
    return q.ok || fail(whyNot());
}

bool PulseServer::sinks(QVector<PulseDeviceInfo> &list)
{
    return queryList(
        [](pa_context *c, void *q) {
            return pa_context_get_sink_info_list(
                c, &collectCallback<pa_sink_info, PulseDeviceInfo, &fillSink>, q);
        },
        list);
}

bool PulseServer::sources(QVector<PulseDeviceInfo> &list)
{
    return queryList(
        [](pa_context *c, void *q) {
            return pa_context_get_source_info_list(
                c, &collectCallback<pa_source_info, PulseDeviceInfo, &fillSource>, q);
        },
        list);
}

bool PulseServer::modules(QVector<PulseModuleInfo> &list)
{
    return queryList(
        [](pa_context *c, void *q) {
            return pa_context_get_module_info_list(
                c, &collectCallback<pa_module_info, PulseModuleInfo, &fillModule>, q);
        },
        list);
}

bool PulseServer::setDefaultSink(const QByteArray &name)
{
    return setDefault(false, name);
}

bool PulseServer::setDefaultSource(const QByteArray &name)
{
    return setDefault(true, name);
}

bool PulseServer::setDefault(bool source, const QByteArray &name)
{
    if (!ready())
        return false;
    auto defaultIn = [source](const PulseServerInfo &info) {
        return source ? info.defaultSource : info.defaultSink;
    };
    // A default that is neither this one nor the one before was chosen by
    // another client after this request was carried out.
    PulseServerInfo before;
    const QByteArray was = serverInfo(before) ? defaultIn(before) : QByteArray();
    const bool accepted = runAction(
        [&](pa_context *c, void *q) {
            return source ? pa_context_set_default_source(c, name.constData(), &successCallback, q)
                          : pa_context_set_default_sink(c, name.constData(), &successCallback, q);
        },
        [&] {
            return (source ? QObject::tr("No input device named %1")
                           : QObject::tr("No output device named %1"))
                .arg(QString::fromUtf8(name));
        });
    if (!accepted)
        return false;
    // PipeWire's session manager applies the choice after the server's answer,
    // within tens of milliseconds (more under load). Where this connection
    // still reports otherwise than a new one, it is checked again half a
    // second later: a busy server can tell it late, so only the same
    // difference at two checks in a row shows that it is no longer told.
    QElapsedTimer sinceAsked;
    sinceAsked.start();
    qint64 nextCheck = 500;
    QByteArray untold;   // a new connection's reading that ours has yet to report
    return settle(
        [&](bool &done, bool last) {
            PulseServerInfo info;
            if (!serverInfo(info))
                return false;
            QByteArray now = defaultIn(info);
            if (now == untold)
                untold.clear();   // told after all
            if (now != name && !m_ctx->defaultsUnreported() && sinceAsked.elapsed() >= nextCheck) {
                nextCheck = sinceAsked.elapsed() + 500;
                // A reading that cannot be made leaves the wait as it was.
                PulseServerInfo fresh;
                if (currentDefaults(fresh)) {
                    const QByteArray truth = defaultIn(fresh);
                    if (truth == now) {
                        untold.clear();
                    } else if (truth == untold) {
                        m_ctx->setDefaultsUnreported();
                        now = truth;
                    } else {
                        untold = truth;
                    }
                }
            }
            // Out of time: what a new connection read is the server's answer.
            if (last && !untold.isEmpty())
                now = untold;
            done = now == name || (!was.isEmpty() && was != name && !now.isEmpty() && now != was);
            return true;
        },
        QObject::tr("The sound server did not make %1 the default").arg(QString::fromUtf8(name)));
}

template <class Check> bool PulseServer::settle(Check check, const QString &failure)
{
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        const bool last = waited.elapsed() >= m_timeoutMs;
        bool done = false;
        if (!check(done, last))
            return false;
        if (done)
            return true;
        if (last)
            return fail(failure);
        PulseContext::Lock lock(m_ctx);
        m_ctx->waitUntil([] { return false; }, 5);
    }
}

bool PulseServer::setVolume(bool source, const QByteArray &name, int percent)
{
    QVector<PulseDeviceInfo> list;
    if (!(source ? sources(list) : sinks(list)))
        return false;
    int channels = 0;
    for (const PulseDeviceInfo &d : list) {
        if (d.name == name)
            channels = d.channels;
    }
    if (channels <= 0)
        return fail(QObject::tr("No device named %1").arg(QString::fromUtf8(name)));
    pa_cvolume volume;
    pa_cvolume_set(&volume, unsigned(channels),
                   pa_volume_t(double(qMax(0, percent)) * PA_VOLUME_NORM / 100.0 + 0.5));
    return runAction(
        [&](pa_context *c, void *q) {
            return source ? pa_context_set_source_volume_by_name(c, name.constData(), &volume,
                                                                 &successCallback, q)
                          : pa_context_set_sink_volume_by_name(c, name.constData(), &volume,
                                                               &successCallback, q);
        },
        [this] { return m_ctx->lastServerError(); });
}

bool PulseServer::setMute(bool source, const QByteArray &name, bool mute)
{
    if (!ready())
        return false;
    return runAction(
        [&](pa_context *c, void *q) {
            return source ? pa_context_set_source_mute_by_name(c, name.constData(), mute,
                                                               &successCallback, q)
                          : pa_context_set_sink_mute_by_name(c, name.constData(), mute,
                                                             &successCallback, q);
        },
        [this] { return m_ctx->lastServerError(); });
}

quint32 PulseServer::loadModule(const QByteArray &name, const QByteArray &argument)
{
    if (!ready())
        return PA_INVALID_INDEX;
    Query<quint32> q{m_ctx};
    q.result = PA_INVALID_INDEX;
    PulseContext::Lock lock(m_ctx);
    pa_operation *op = pa_context_load_module(
        m_ctx->context(), name.constData(), argument.constData(),
        [](pa_context *, uint32_t index, void *data) {
            auto *query = static_cast<Query<quint32> *>(data);
            query->result = index;
            query->ctx->wake();
        },
        &q);
    if (!m_ctx->waitFor(op, m_timeoutMs)) {
        fail(m_ctx->errorString());
        return PA_INVALID_INDEX;
    }
    if (q.result == PA_INVALID_INDEX)
        fail(QObject::tr("The sound server could not load %1: %2")
                 .arg(QString::fromUtf8(name), m_ctx->lastServerError()));
    return q.result;
}

bool PulseServer::unloadModule(quint32 index)
{
    if (!ready())
        return false;
    const bool accepted = runAction(
        [index](pa_context *c, void *q) {
            return pa_context_unload_module(c, index, &successCallback, q);
        },
        [this] { return m_ctx->lastServerError(); });
    if (!accepted)
        return false;
    // Answered before the module and its devices are gone (on PipeWire's
    // pulse server for tens of milliseconds).
    return settle(
        [&](bool &done, bool) {
            QVector<PulseModuleInfo> mods;
            QVector<PulseDeviceInfo> sinkList, sourceList;
            if (!modules(mods) || !sinks(sinkList) || !sources(sourceList))
                return false;
            done = true;
            for (const PulseModuleInfo &m : mods)
                done &= m.index != index;
            for (const PulseDeviceInfo &d : sinkList + sourceList)
                done &= d.ownerModule != index;
            return true;
        },
        QObject::tr("The sound server did not unload module %1").arg(index));
}

QByteArray PulseServer::descriptionArgument(const QByteArray &key, const QString &description)
{
    QByteArray text = description.toUtf8();
    text.replace('\'', QByteArray()).replace('"', QByteArray()).replace('\\', QByteArray());
    return key + "='device.description=\"" + text + "\"'";
}
