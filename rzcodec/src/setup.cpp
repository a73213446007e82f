#include "rzcodec/setup.h"

#include "internal/error.h"
#include "internal/ffmpeg.h"
#include "internal/globals.h"

#include "rzcodec/frame.h"

#include <sys/stat.h>

#include <string>
#include <vector>

using rz::globals;

extern "C" RZResult rz_setup_log(uint32_t channel, uint32_t on)
{
    switch (channel) {
    case 0:
        globals().errorLogEnabled = on != 0;
        return 1;
    case 1:
        globals().ffmpegLogEnabled = on != 0;
        av_log_set_level(on ? AV_LOG_ERROR : AV_LOG_QUIET);
        return 1;
    default:
        rz::logError("log set-up: unknown channel " + std::to_string(channel));
        return 0;
    }
}

extern "C" RZResult rz_setup_log_sink(RZLogSink sink)
{
    // FFmpeg's lines reach the sink through the layer's own FFmpeg log route.
    globals().logSink = sink;
    return 1;
}

extern "C" RZResult rz_setup_decoding(uint32_t kind, uint32_t on)
{
    if (kind != 0) {
        rz::logError("decoding set-up: unknown kind " + std::to_string(kind));
        return 0;
    }
    globals().threadedDecoding = on != 0;
    return 1;
}

extern "C" RZResult rz_setup_hardware(uint32_t on)
{
    if (on) {
        rz::logError("hardware decoding is not available");
        return 0;
    }
    return 1;
}

extern "C" RZResult rz_setup_network(uint32_t on)
{
    static bool initialised = false;
    if (on && !initialised) {
        int ret = avformat_network_init();
        if (ret < 0) {
            rz::logAvError("network set-up", ret);
            return 0;
        }
        initialised = true;
    }
    globals().networkEnabled = on != 0;
    return 1;
}

extern "C" RZResult rz_setup_work_folder(const char *folderUtf8)
{
    struct stat st;
    if (!folderUtf8 || !*folderUtf8 || stat(folderUtf8, &st) != 0 || !S_ISDIR(st.st_mode)) {
        rz::logError(std::string("working folder is not a folder: ") + (folderUtf8 ? folderUtf8 : "(null)"));
        return 0;
    }
    globals().setWorkFolder(folderUtf8);
    return 1;
}

extern "C" RZResult rz_setup_frame_formats(const uint32_t *formats, uint32_t count)
{
    if (count > 0 && !formats) {
        rz::logError("frame formats: no table");
        return 0;
    }
    std::vector<uint32_t> list;
    for (uint32_t i = 0; i < count; ++i) {
        if (formats[i] != RZ_PIXFMT_YUV420P && formats[i] != RZ_PIXFMT_BGRA) {
            rz::logError("frame formats: unsupported format " + std::to_string(formats[i]));
            return 0;
        }
        list.push_back(formats[i]);
    }
    globals().setFrameFormats(std::move(list));
    return 1;
}

extern "C" const char *rz_setup_get_work_folder(void)
{
    // The text stays valid until the next call from the same thread.
    thread_local std::string copy;
    copy = globals().workFolder();
    return copy.c_str();
}
