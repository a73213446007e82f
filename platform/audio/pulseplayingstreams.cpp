#include "platform/audio/pulseplayingstreams.h"

#include "platform/audio/pulsecontext.h"
#include "platform/audio/pulseserver.h"

#include <pulse/pulseaudio.h>

namespace {

struct StreamQuery
{
    PulseContext *ctx;
    quint32 sink;
    QVector<PulsePlayingStream> into;
    QVector<PulsePlayingStream> elsewhere;
    bool ok = true;
};

// Every stream of the server, parted by whether it plays into `sinkName`;
// false on failure or when no such sink is there.
bool listStreams(const QByteArray &sinkName, QVector<PulsePlayingStream> &into,
                 QVector<PulsePlayingStream> *elsewhere, PulseContext *ctx, int timeoutMs)
{
    into.clear();
    if (elsewhere)
        elsewhere->clear();
    if (!ctx)
        ctx = PulseContext::shared();
    PulseServer server(ctx, timeoutMs);
    QVector<PulseDeviceInfo> sinks;
    if (!server.sinks(sinks))
        return false;
    StreamQuery q{ctx, PA_INVALID_INDEX, {}, {}};
    for (const PulseDeviceInfo &s : sinks)
        if (s.name == sinkName)
            q.sink = s.index;
    if (q.sink == PA_INVALID_INDEX)
        return false;
    PulseContext::Lock lock(ctx);
    pa_operation *op = pa_context_get_sink_input_info_list(
        ctx->context(),
        [](pa_context *, const pa_sink_input_info *i, int eol, void *data) {
            auto *query = static_cast<StreamQuery *>(data);
            if (eol < 0)
                query->ok = false;
            if (!i || eol) {
                query->ctx->wake();
                return;
            }
            PulsePlayingStream s;
            s.index = i->index;
            s.corked = i->corked != 0;
            void *state = nullptr;
            while (const char *key = pa_proplist_iterate(i->proplist, &state)) {
                if (const char *value = pa_proplist_gets(i->proplist, key))
                    s.properties.insert(key, QString::fromUtf8(value));
            }
            (i->sink == query->sink ? query->into : query->elsewhere).append(s);
        },
        &q);
    if (!op || !ctx->waitFor(op, timeoutMs) || !q.ok)
        return false;
    into = q.into;
    if (elsewhere)
        *elsewhere = q.elsewhere;
    return true;
}

bool streamsHeardBy(const QByteArray &sourceName, QVector<PulsePlayingStream> &streams,
                    QVector<PulsePlayingStream> *elsewhere, PulseContext *ctx, int timeoutMs)
{
    streams.clear();
    if (elsewhere)
        elsewhere->clear();
    if (!ctx)
        ctx = PulseContext::shared();
    QVector<PulseDeviceInfo> sources;
    if (!PulseServer(ctx, timeoutMs).sources(sources))
        return false;
    for (const PulseDeviceInfo &s : sources) {
        if (s.name == sourceName)
            return s.monitorOf.isEmpty() || listStreams(s.monitorOf, streams, elsewhere, ctx, timeoutMs);
    }
    return true;
}

} // namespace

bool PulsePlayingStreams::into(const QByteArray &sinkName, QVector<PulsePlayingStream> &streams,
                               PulseContext *ctx, int timeoutMs)
{
    return listStreams(sinkName, streams, nullptr, ctx, timeoutMs);
}

bool PulsePlayingStreams::heardBy(const QByteArray &sourceName, QVector<PulsePlayingStream> &streams,
                                  PulseContext *ctx, int timeoutMs)
{
    return streamsHeardBy(sourceName, streams, nullptr, ctx, timeoutMs);
}

bool PulsePlayingStreams::heardBy(const QByteArray &sourceName, QVector<PulsePlayingStream> &streams,
                                  QVector<PulsePlayingStream> &elsewhere, PulseContext *ctx, int timeoutMs)
{
    return streamsHeardBy(sourceName, streams, &elsewhere, ctx, timeoutMs);
}
