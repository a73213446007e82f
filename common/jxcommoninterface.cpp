#include "common/jxcommoninterface.h"

#include "rzcodec/utf32.h"

#include <cerrno>
#include <ctime>
#include <sys/time.h>

int JxCommonInterface::Sleep(qint64 microseconds)
{
    if (microseconds < 0)
        return -1;
    timespec request;
    request.tv_sec = static_cast<time_t>(microseconds / 1000000);
    request.tv_nsec = static_cast<long>((microseconds % 1000000) * 1000);
    timespec remaining {};
    // Signals must not cut a handshake poll short: resume the rest.
    while (nanosleep(&request, &remaining) != 0) {
        if (errno != EINTR)
            return -1;
        request = remaining;
    }
    return 0;
}

quint64 JxCommonInterface::getSystemTime()
{
    timespec now {};
    if (clock_gettime(CLOCK_MONOTONIC, &now) == 0)
        return static_cast<quint64>(now.tv_sec) * 1000000ULL
               + static_cast<quint64>(now.tv_nsec) / 1000ULL;
    timeval wall {};
    if (gettimeofday(&wall, nullptr) == 0)
        return static_cast<quint64>(wall.tv_sec) * 1000000ULL + static_cast<quint64>(wall.tv_usec);
    return 0;
}

std::optional<std::u32string> JxCommonInterface::ConvertCharToUtft32(const char *text)
{
    return utf8ToUtf32(text);
}
