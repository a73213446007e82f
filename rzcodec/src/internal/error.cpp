#include "internal/error.h"

#include "internal/ffmpeg.h"
#include "internal/globals.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace rz {

namespace {
std::mutex &logMutex()
{
    static std::mutex m;
    return m;
}

void writeLine(const std::string &line)
{
    if (!globals().errorLogEnabled.load())
        return;
    if (auto sink = globals().logSink.load()) {
        sink(0, line.c_str());
        return;
    }
    std::lock_guard<std::mutex> lock(logMutex());
    std::fprintf(stderr, "rzcodec: %s\n", line.c_str());
    std::fflush(stderr);
}

// FFmpeg's own messages come through the layer's log, errors only: its
// warnings (per-frame notes of filters and demuxers) would flood the log.
// A line repeated at once is written only once.
void ffmpegLine(void *object, int level, const char *format, va_list args)
{
    if (level > AV_LOG_ERROR || !globals().ffmpegLogEnabled.load())
        return;
    thread_local int printPrefix = 1;
    thread_local std::string previous;
    char text[1024];
    av_log_format_line2(object, level, format, args, text, sizeof text, &printPrefix);
    std::string line(text);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    if (line.empty() || line == previous)
        return;
    previous = line;
    if (auto sink = globals().logSink.load()) {
        sink(1, line.c_str());
        return;
    }
    writeLine("ffmpeg: " + line);
}

// Installed with the first use of the layer's log, before any FFmpeg call.
const bool ffmpegLogRouted = (av_log_set_callback(ffmpegLine), true);
} // namespace

std::string avErrorText(int averr)
{
    char buf[AV_ERROR_MAX_STRING_SIZE] = {0};
    if (av_strerror(averr, buf, sizeof buf) < 0)
        std::snprintf(buf, sizeof buf, "error %d", averr);
    return buf;
}

int logAvError(const std::string &what, int averr)
{
    writeLine(what + ": " + avErrorText(averr));
    return averr;
}

void logError(const std::string &what)
{
    writeLine(what);
}

bool logBadHandle(const char *call)
{
    writeLine(std::string(call) + ": no valid handle");
    return false;
}

} // namespace rz
