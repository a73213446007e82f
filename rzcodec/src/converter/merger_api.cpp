#include "rzcodec/merger.h"

#include "converter/mergerjob.h"
#include "internal/convertconfig.h"
#include "internal/error.h"

using rz::handleCast;
using rz::MergerJob;

namespace {

bool configOf(void *config, const char *call, const rz::ConvertConfig **out)
{
    *out = nullptr;
    return !config || (*out = handleCast<rz::ConvertConfig>(config, call)) != nullptr;
}

} // namespace

extern "C" {

void *rz_merger_create(int32_t flags)
{
    (void)flags;
    return rz::toHandle(new MergerJob);
}

RZResult rz_merger_open(void *merger, const char *output, const char *muxer, void *config)
{
    auto *m = handleCast<MergerJob>(merger, "rz_merger_open");
    const rz::ConvertConfig *cfg;
    if (!m || !configOf(config, "rz_merger_open", &cfg))
        return RZ_FAILED;
    if (!output) {
        rz::logError("rz_merger_open: no output path");
        return RZ_FAILED;
    }
    return m->open(output, muxer ? muxer : "", cfg) ? RZ_OK : RZ_FAILED;
}

RZResult rz_merger_start(void *merger)
{
    auto *m = handleCast<MergerJob>(merger, "rz_merger_start");
    return m && m->start() ? RZ_OK : RZ_FAILED;
}

RZResult rz_merger_add(void *merger, const char *source, uint64_t start, uint64_t duration,
                       void *config)
{
    auto *m = handleCast<MergerJob>(merger, "rz_merger_add");
    const rz::ConvertConfig *cfg;
    if (!m || !source || !configOf(config, "rz_merger_add", &cfg))
        return RZ_FAILED;
    return m->add(source, nullptr, start, duration, cfg) ? RZ_OK : RZ_FAILED;
}

RZResult rz_merger_add_disc(void *merger, const char *folder, int32_t title, uint64_t start,
                            uint64_t duration, void *config)
{
    auto *m = handleCast<MergerJob>(merger, "rz_merger_add_disc");
    const rz::ConvertConfig *cfg;
    if (!m || !folder || !configOf(config, "rz_merger_add_disc", &cfg))
        return RZ_FAILED;
    const int t = title;
    return m->add(folder, &t, start, duration, cfg) ? RZ_OK : RZ_FAILED;
}

RZResult rz_merger_get_state(void *merger)
{
    auto *m = handleCast<MergerJob>(merger, "rz_merger_get_state");
    return m && m->isIdle() ? RZ_OK : RZ_FAILED;
}

RZResult rz_merger_is_stopped(void *merger)
{
    auto *m = handleCast<MergerJob>(merger, "rz_merger_is_stopped");
    return m && m->isStopped() ? RZ_OK : RZ_FAILED;
}

RZResult rz_merger_is_failed(void *merger)
{
    auto *m = handleCast<MergerJob>(merger, "rz_merger_is_failed");
    return m && m->isFailed() ? RZ_OK : RZ_FAILED;
}

uint64_t rz_merger_get_total(void *merger)
{
    auto *m = handleCast<MergerJob>(merger, "rz_merger_get_total");
    return m ? m->totalUs() : 0;
}

uint64_t rz_merger_get_done(void *merger)
{
    auto *m = handleCast<MergerJob>(merger, "rz_merger_get_done");
    return m ? m->doneUs() : 0;
}

const char *rz_merger_error_text(void *merger)
{
    auto *m = handleCast<MergerJob>(merger, "rz_merger_error_text");
    return m ? m->errorTextForCaller() : "no merger";
}

RZResult rz_merger_stop(void *merger)
{
    auto *m = handleCast<MergerJob>(merger, "rz_merger_stop");
    return m && m->stop() ? RZ_OK : RZ_FAILED;
}

RZResult rz_merger_close(void *merger)
{
    auto *m = handleCast<MergerJob>(merger, "rz_merger_close");
    return m && m->close() ? RZ_OK : RZ_FAILED;
}

void rz_merger_release(void *merger)
{
    delete handleCast<MergerJob>(merger, "rz_merger_release");
}

} // extern "C"
