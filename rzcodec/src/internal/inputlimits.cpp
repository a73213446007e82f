#include "internal/inputlimits.h"

#include "internal/ffmpeg.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>

namespace rz {

void limitFfmpegAllocations()
{
    static std::once_flag once;
    std::call_once(once, [] { av_max_alloc(kMaxSingleAllocation); });
}

namespace {

// Why a file of this mode is refused; nullptr for a regular file.
const char *notRegular(mode_t mode)
{
    if (S_ISREG(mode))
        return nullptr;
    return S_ISDIR(mode) ? "a folder, not a file" : "not a regular file";
}

int failWith(const std::string &text, int code, std::string *why)
{
    if (why)
        *why = text;
    errno = code;
    return -1;
}

} // namespace

bool isRegularFile(const std::string &path, std::string *why)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        if (why)
            *why = std::strerror(errno);
        return false;
    }
    const char *refused = notRegular(st.st_mode);
    if (refused && why)
        *why = refused;
    return !refused;
}

int openRegularFile(const std::string &path, std::string *why)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return failWith(std::strerror(errno), errno, why);
    struct stat st;
    int flags = -1;
    const char *refused = nullptr;
    if (::fstat(fd, &st) != 0 || (refused = notRegular(st.st_mode)) != nullptr
        || (flags = ::fcntl(fd, F_GETFL)) < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        const int code = refused ? EINVAL : errno;
        ::close(fd);
        return failWith(refused ? refused : std::strerror(code), code, why);
    }
    return fd;
}

} // namespace rz
