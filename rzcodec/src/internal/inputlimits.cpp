#include "internal/inputlimits.h"

#include "internal/ffmpeg.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <mutex>

namespace rz {

void limitFfmpegAllocations()
{
    static std::once_flag once;
    std::call_once(once, [] { av_max_alloc(kMaxSingleAllocation); });
}

bool isRegularFile(const std::string &path, std::string *why)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        if (why)
            *why = std::strerror(errno);
        return false;
    }
    if (S_ISREG(st.st_mode))
        return true;
    if (why)
        *why = S_ISDIR(st.st_mode) ? "a folder, not a file" : "not a regular file";
    return false;
}

} // namespace rz
