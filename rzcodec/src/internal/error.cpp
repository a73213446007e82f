#include "internal/error.h"

#include "internal/ffmpeg.h"
#include "internal/globals.h"

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
