#include "rzcodec/player.h"

#include "internal/error.h"
#include "internal/picture.h"
#include "internal/waveblock.h"
#include "player/playerhandle.h"

#include <sys/stat.h>

#include <string>
#include <vector>

using rz::PlayerEngine;
using rz::PlayerHandle;

namespace {

PlayerEngine *engineOf(void *player, const char *call)
{
    auto *p = rz::handleCast<PlayerHandle>(player, call);
    return p ? p->engine.get() : nullptr;
}

RZResult result(bool ok)
{
    return ok ? RZ_OK : RZ_FAILED;
}

bool isFolder(const char *path)
{
    struct stat info;
    return ::stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

RZResult openFile(void *player, const char *path, uint32_t width, uint32_t height,
                  const char *call)
{
    PlayerEngine *e = engineOf(player, call);
    if (!e)
        return RZ_FAILED;
    if (!path || !*path) {
        rz::logError(std::string(call) + ": no path");
        return RZ_FAILED;
    }
    if (isFolder(path)) {
        rz::logError(std::string(call) + ": " + path + " is a folder, not a media file");
        return RZ_FAILED;
    }
    return result(e->open(path, width, height));
}

} // namespace

extern "C" {

void *rz_player_create(int32_t kind)
{
    return rz::toHandle(new PlayerHandle(kind, std::make_shared<PlayerEngine>()));
}

void *rz_player_create_reference(void *other)
{
    auto *p = rz::handleCast<PlayerHandle>(other, "rz_player_create_reference");
    if (!p)
        return nullptr;
    return rz::toHandle(new PlayerHandle(p->kind, p->engine));
}

RZResult rz_player_release(void *player)
{
    auto *p = rz::handleCast<PlayerHandle>(player, "rz_player_release");
    if (!p)
        return RZ_FAILED;
    delete p;
    return RZ_OK;
}

RZResult rz_player_open_ex(void *player, const char *path, uint32_t width, uint32_t height,
                           uint32_t, uint32_t)
{
    return openFile(player, path, width, height, "rz_player_open_ex");
}

RZResult rz_player_open_dvd_ex(void *player, const char *path, uint32_t width, uint32_t height,
                               uint32_t, uint32_t)
{
    return openFile(player, path, width, height, "rz_player_open_dvd_ex");
}

RZResult rz_player_close(void *player)
{
    PlayerEngine *e = engineOf(player, "rz_player_close");
    if (!e)
        return RZ_FAILED;
    e->close();
    return RZ_OK;
}

RZResult rz_player_set_audio_device(void *player, const char *device)
{
    PlayerEngine *e = engineOf(player, "rz_player_set_audio_device");
    if (!e)
        return RZ_FAILED;
    e->setOutputDevice(device ? device : "");
    return RZ_OK;
}

RZResult rz_player_set_event_handle(void *player, RZPlayerEventCallback callback, void *context)
{
    PlayerEngine *e = engineOf(player, "rz_player_set_event_handle");
    if (!e)
        return RZ_FAILED;
    e->setEventCallback(callback, context);
    return RZ_OK;
}

#define RZ_STATE_QUERY(fn, expr)                                                                  \
    RZResult fn(void *player)                                                                     \
    {                                                                                             \
        PlayerEngine *e = engineOf(player, #fn);                                                  \
        return e ? result(expr) : RZ_FAILED;                                                      \
    }

RZ_STATE_QUERY(rz_player_is_completed, e->state() == PlayerEngine::State::Completed)
RZ_STATE_QUERY(rz_player_is_stop, e->state() == PlayerEngine::State::Stopped
                                      || e->state() == PlayerEngine::State::Closed)
RZ_STATE_QUERY(rz_player_is_pause, e->state() == PlayerEngine::State::Paused)
RZ_STATE_QUERY(rz_player_is_running, e->state() == PlayerEngine::State::Running)
RZ_STATE_QUERY(rz_player_has_video, e->hasVideo())
RZ_STATE_QUERY(rz_player_has_audio, e->hasAudio())
RZ_STATE_QUERY(rz_player_can_seek, e->canSeek())
RZ_STATE_QUERY(rz_player_play, e->play())
RZ_STATE_QUERY(rz_player_pause, e->pause())
RZ_STATE_QUERY(rz_player_stop, e->stop())
RZ_STATE_QUERY(rz_player_end_async_seek, e->endAsyncSeek())
RZ_STATE_QUERY(rz_player_show_video_frame, e->showVideoFrame())
RZ_STATE_QUERY(rz_player_update_video_frame, e->showVideoFrame())
RZ_STATE_QUERY(rz_player_refresh_video_frame, e->showVideoFrame())
#undef RZ_STATE_QUERY

const char *rz_player_get_error_text(void *player)
{
    auto *p = rz::handleCast<PlayerHandle>(player, "rz_player_get_error_text");
    if (!p)
        return "no player";
    p->errorReadBack = p->engine->playbackError();
    return p->errorReadBack.c_str();
}

uint64_t rz_player_get_duration(void *player)
{
    PlayerEngine *e = engineOf(player, "rz_player_get_duration");
    return e ? e->duration() : 0;
}

uint64_t rz_player_get_play_time(void *player)
{
    PlayerEngine *e = engineOf(player, "rz_player_get_play_time");
    return e ? e->playTime() : 0;
}

uint64_t rz_player_get_video_time(void *player)
{
    PlayerEngine *e = engineOf(player, "rz_player_get_video_time");
    return e ? e->videoTime() : 0;
}

uint32_t rz_player_get_video_width(void *player)
{
    PlayerEngine *e = engineOf(player, "rz_player_get_video_width");
    return e ? e->videoWidth() : 0;
}

uint32_t rz_player_get_video_height(void *player)
{
    PlayerEngine *e = engineOf(player, "rz_player_get_video_height");
    return e ? e->videoHeight() : 0;
}

uint32_t rz_player_get_video_aspect_x(void *player)
{
    PlayerEngine *e = engineOf(player, "rz_player_get_video_aspect_x");
    return e ? uint32_t(e->displayAspect().num) : 0;
}

uint32_t rz_player_get_video_aspect_y(void *player)
{
    PlayerEngine *e = engineOf(player, "rz_player_get_video_aspect_y");
    return e && e->displayAspect().num > 0 ? uint32_t(e->displayAspect().den) : 0;
}

RZResult rz_player_seek(void *player, uint64_t timeUs)
{
    PlayerEngine *e = engineOf(player, "rz_player_seek");
    return e ? result(e->seek(timeUs, true)) : RZ_FAILED;
}

RZResult rz_player_fast_seek(void *player, uint64_t timeUs, int32_t)
{
    PlayerEngine *e = engineOf(player, "rz_player_fast_seek");
    return e ? result(e->seek(timeUs, false)) : RZ_FAILED;
}

RZResult rz_player_begin_async_seek(void *player, uint64_t toleranceUs)
{
    PlayerEngine *e = engineOf(player, "rz_player_begin_async_seek");
    return e ? result(e->beginAsyncSeek(toleranceUs)) : RZ_FAILED;
}

RZResult rz_player_frame_step(void *player, int32_t frames)
{
    PlayerEngine *e = engineOf(player, "rz_player_frame_step");
    return e ? result(e->frameStep(frames)) : RZ_FAILED;
}

RZResult rz_player_key_frame_step(void *player, int32_t direction)
{
    PlayerEngine *e = engineOf(player, "rz_player_key_frame_step");
    return e ? result(e->keyFrameStep(direction)) : RZ_FAILED;
}

RZResult rz_player_change_speed(void *player, int32_t percent)
{
    PlayerEngine *e = engineOf(player, "rz_player_change_speed");
    if (!e)
        return RZ_FAILED;
    if (percent <= 0) {
        rz::logError("rz_player_change_speed: speed must be above 0");
        return RZ_FAILED;
    }
    e->setSpeed(percent);
    e->settings().setNumbers("ChangeSpeed", {double(percent)});
    return RZ_OK;
}

RZResult rz_player_enable_loop(void *player, int32_t on)
{
    PlayerEngine *e = engineOf(player, "rz_player_enable_loop");
    if (!e)
        return RZ_FAILED;
    e->enableLoop(on != 0);
    e->settings().setNumbers("EnableLoop", {double(on != 0)});
    return RZ_OK;
}

RZResult rz_player_set_audio_volume(void *player, uint64_t percent)
{
    PlayerEngine *e = engineOf(player, "rz_player_set_audio_volume");
    if (!e)
        return RZ_FAILED;
    const int value = percent > 10000 ? 10000 : int(percent);
    e->setVolume(value);
    e->settings().setNumbers("SetAudioVolume", {double(value)});
    return RZ_OK;
}

RZResult rz_player_set_audio_rate(void *player, uint64_t percent)
{
    PlayerEngine *e = engineOf(player, "rz_player_set_audio_rate");
    if (!e)
        return RZ_FAILED;
    if (percent == 0) {
        rz::logError("rz_player_set_audio_rate: rate must be above 0");
        return RZ_FAILED;
    }
    const int value = percent > 10000 ? 10000 : int(percent);
    e->setRate(value);
    e->settings().setNumbers("SetAudioRate", {double(value)});
    return RZ_OK;
}

RZResult rz_player_set_audio_equalize(void *player, const double *bands, const double *gains,
                                      uint32_t count)
{
    PlayerEngine *e = engineOf(player, "rz_player_set_audio_equalize");
    if (!e)
        return RZ_FAILED;
    if (count > 0 && (!bands || !gains)) {
        rz::logError("rz_player_set_audio_equalize: no bands given");
        return RZ_FAILED;
    }
    std::vector<rz::EqualizerBand> list;
    std::vector<double> stored;
    for (uint32_t i = 0; i < count; ++i) {
        list.push_back({bands[i], gains[i]});
        stored.push_back(bands[i]);
    }
    for (uint32_t i = 0; i < count; ++i)
        stored.push_back(gains[i]);
    e->setEqualizer(std::move(list));
    e->settings().setNumbers("SetAudioEqualize", std::move(stored));
    return RZ_OK;
}

RZResult rz_player_set_video_frame_handle(void *player, RZFrameCallback callback, void *context)
{
    PlayerEngine *e = engineOf(player, "rz_player_set_video_frame_handle");
    if (!e)
        return RZ_FAILED;
    e->setFrameCallback(false, callback, context);
    return RZ_OK;
}

RZResult rz_player_set_original_video_frame_handle(void *player, RZFrameCallback callback,
                                                   void *context)
{
    PlayerEngine *e = engineOf(player, "rz_player_set_original_video_frame_handle");
    if (!e)
        return RZ_FAILED;
    e->setFrameCallback(true, callback, context);
    return RZ_OK;
}

RZResult rz_player_set_time_interval(void *player, uint64_t microseconds)
{
    PlayerEngine *e = engineOf(player, "rz_player_set_time_interval");
    if (!e)
        return RZ_FAILED;
    e->setTimeInterval(microseconds);
    return RZ_OK;
}

uint8_t *rz_player_capture_video_image(void *player, uint32_t width, uint32_t height, uint32_t)
{
    PlayerEngine *e = engineOf(player, "rz_player_capture_video_image");
    return e ? e->captureImage(width, height) : nullptr;
}

RZResult rz_player_free_video_image(void *player, uint8_t *image)
{
    if (!engineOf(player, "rz_player_free_video_image") || !image)
        return RZ_FAILED;
    rz::freeBmp(image);
    return RZ_OK;
}

RZResult rz_player_enable_audio_wave_data(void *player, uint32_t on)
{
    PlayerEngine *e = engineOf(player, "rz_player_enable_audio_wave_data");
    if (!e)
        return RZ_FAILED;
    e->enableWaveData(on != 0);
    return RZ_OK;
}

uint8_t *rz_player_get_audio_wave_data(void *player, uint32_t)
{
    PlayerEngine *e = engineOf(player, "rz_player_get_audio_wave_data");
    return e ? e->waveData() : nullptr;
}

RZResult rz_player_free_audio_wave_data(void *player, uint8_t *data)
{
    if (!engineOf(player, "rz_player_free_audio_wave_data") || !data)
        return RZ_FAILED;
    rz::freeWaveBlock(data);
    return RZ_OK;
}

RZResult rz_player_begin_settings(void *player)
{
    PlayerEngine *e = engineOf(player, "rz_player_begin_settings");
    if (!e)
        return RZ_FAILED;
    e->settings().beginBatch();
    return RZ_OK;
}

RZResult rz_player_end_settings(void *player)
{
    PlayerEngine *e = engineOf(player, "rz_player_end_settings");
    if (!e)
        return RZ_FAILED;
    e->settings().endBatch();
    return RZ_OK;
}

RZResult rz_player_set_values(void *player, const char *name, const double *values,
                              uint32_t count)
{
    PlayerEngine *e = engineOf(player, "rz_player_set_values");
    if (!e || !name || (count > 0 && !values))
        return RZ_FAILED;
    e->settings().setNumbers(name, std::vector<double>(values, values + count));
    return RZ_OK;
}

RZResult rz_player_set_text(void *player, const char *name, const char *text,
                            const double *values, uint32_t count)
{
    PlayerEngine *e = engineOf(player, "rz_player_set_text");
    if (!e || !name || (count > 0 && !values))
        return RZ_FAILED;
    e->settings().setTextAndNumbers(name, text ? text : "",
                                    count ? std::vector<double>(values, values + count)
                                          : std::vector<double>());
    return RZ_OK;
}

uint32_t rz_player_get_values(void *player, const char *name, double *values, uint32_t capacity)
{
    PlayerEngine *e = engineOf(player, "rz_player_get_values");
    std::vector<double> stored;
    if (!e || !name || !e->settings().numbers(name, &stored))
        return 0;
    for (uint32_t i = 0; values && i < capacity && i < stored.size(); ++i)
        values[i] = stored[i];
    return uint32_t(stored.size());
}

const char *rz_player_get_text(void *player, const char *name)
{
    auto *p = rz::handleCast<PlayerHandle>(player, "rz_player_get_text");
    if (!p || !name)
        return "";
    if (!p->engine->settings().text(name, &p->textReadBack))
        p->textReadBack.clear();
    return p->textReadBack.c_str();
}

} // extern "C"
