#include "rzcodec/converter.h"

#include "converter/converterjob.h"
#include "internal/convertconfig.h"
#include "internal/error.h"

using rz::ConverterJob;
using rz::handleCast;

extern "C" {

void *rz_converter_create(int32_t flags)
{
    (void)flags;
    return rz::toHandle(new ConverterJob(ConverterJob::Kind::Standard));
}

void *rz_converter_create_stream_copy(int32_t flags)
{
    (void)flags;
    return rz::toHandle(new ConverterJob(ConverterJob::Kind::StreamCopy));
}

RZResult rz_converter_prepare(void *job, const char *source, const char *output,
                              const char *muxer, void *config)
{
    auto *j = handleCast<ConverterJob>(job, "rz_converter_prepare");
    if (!j)
        return RZ_FAILED;
    if (!source || !output) {
        rz::logError("rz_converter_prepare: no source or output path");
        return RZ_FAILED;
    }
    const rz::ConvertConfig *cfg = nullptr;
    if (config && !(cfg = handleCast<rz::ConvertConfig>(config, "rz_converter_prepare")))
        return RZ_FAILED;
    return j->prepare(source, output, muxer ? muxer : "", cfg) ? RZ_OK : RZ_FAILED;
}

RZResult rz_converter_prepare_disc(void *job, const char *folder, int32_t title,
                                   const char *output, const char *muxer, void *config)
{
    auto *j = handleCast<ConverterJob>(job, "rz_converter_prepare_disc");
    if (!j)
        return RZ_FAILED;
    if (!folder || !output) {
        rz::logError("rz_converter_prepare_disc: no folder or output path");
        return RZ_FAILED;
    }
    const rz::ConvertConfig *cfg = nullptr;
    if (config && !(cfg = handleCast<rz::ConvertConfig>(config, "rz_converter_prepare_disc")))
        return RZ_FAILED;
    const int t = title;
    return j->prepare(folder, output, muxer ? muxer : "", cfg, &t) ? RZ_OK : RZ_FAILED;
}

RZResult rz_converter_set_time_range(void *job, uint64_t start, uint64_t duration)
{
    auto *j = handleCast<ConverterJob>(job, "rz_converter_set_time_range");
    return j && j->setRange(start, duration) ? RZ_OK : RZ_FAILED;
}

RZResult rz_converter_start(void *job)
{
    auto *j = handleCast<ConverterJob>(job, "rz_converter_start");
    return j && j->start() ? RZ_OK : RZ_FAILED;
}

RZResult rz_converter_get_state(void *job)
{
    auto *j = handleCast<ConverterJob>(job, "rz_converter_get_state");
    if (!j)
        return RZ_FAILED;
    const auto s = j->state();
    return s == ConverterJob::State::Completed || s == ConverterJob::State::Failed
                   || s == ConverterJob::State::Stopped
               ? RZ_OK
               : RZ_FAILED;
}

RZResult rz_converter_is_stopped(void *job)
{
    auto *j = handleCast<ConverterJob>(job, "rz_converter_is_stopped");
    return j && j->state() == ConverterJob::State::Stopped ? RZ_OK : RZ_FAILED;
}

RZResult rz_converter_is_failed(void *job)
{
    auto *j = handleCast<ConverterJob>(job, "rz_converter_is_failed");
    return j && j->state() == ConverterJob::State::Failed ? RZ_OK : RZ_FAILED;
}

RZResult rz_converter_wait(void *job, uint32_t milliseconds)
{
    auto *j = handleCast<ConverterJob>(job, "rz_converter_wait");
    return j && j->waitEnded(milliseconds) ? RZ_OK : RZ_FAILED;
}

uint64_t rz_converter_get_total(void *job)
{
    auto *j = handleCast<ConverterJob>(job, "rz_converter_get_total");
    return j ? j->totalUs() : 0;
}

uint64_t rz_converter_get_done(void *job)
{
    auto *j = handleCast<ConverterJob>(job, "rz_converter_get_done");
    return j ? j->doneUs() : 0;
}

const char *rz_converter_error_text(void *job)
{
    auto *j = handleCast<ConverterJob>(job, "rz_converter_error_text");
    return j ? j->errorTextForCaller() : "no converter";
}

RZResult rz_converter_stop(void *job)
{
    auto *j = handleCast<ConverterJob>(job, "rz_converter_stop");
    return j && j->stop() ? RZ_OK : RZ_FAILED;
}

RZResult rz_converter_close(void *job)
{
    auto *j = handleCast<ConverterJob>(job, "rz_converter_close");
    if (!j)
        return RZ_FAILED;
    j->close();
    return RZ_OK;
}

void rz_converter_release(void *job)
{
    delete handleCast<ConverterJob>(job, "rz_converter_release");
}

} // extern "C"
