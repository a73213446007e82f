#include "common/statefilewatch.h"

#include <QByteArray>
#include <QMutexLocker>

#include <cerrno>

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A write, a truncation, the last link gone. Not the attribute change and
// the move that giving the written file its name makes.
constexpr uint32_t kChanges = IN_MODIFY | IN_DELETE_SELF;

} // namespace

StateFileWatch::~StateFileWatch()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool StateFileWatch::begin(int fd)
{
    QMutexLocker lock(&m_mutex);
    if (m_fd < 0)
        m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd < 0)
        return false;
    if (m_watch >= 0) {
        ::inotify_rm_watch(m_fd, m_watch);
        m_watch = -1;
    }
    // What came before is about files no longer watched.
    drain();
    m_touched = true;
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return false;
    // The descriptor's link in /proc leads to its inode even while the
    // file has no name yet.
    const QByteArray link = "/proc/self/fd/" + QByteArray::number(fd);
    m_watch = ::inotify_add_watch(m_fd, link.constData(), kChanges);
    if (m_watch < 0)
        return false;
    m_inode = quint64(st.st_ino);
    m_touched = false;
    return true;
}

bool StateFileWatch::untouched(quint64 inode)
{
    QMutexLocker lock(&m_mutex);
    if (m_watch < 0 || m_touched || inode != m_inode)
        return false;
    drain();
    return !m_touched;
}

void StateFileWatch::drain()
{
    alignas(struct inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        for (ssize_t at = 0; at < n;) {
            const auto *event = reinterpret_cast<const struct inotify_event *>(buffer + at);
            // Lost events may have been ours.
            if ((event->mask & IN_Q_OVERFLOW) || (m_watch >= 0 && event->wd == m_watch))
                m_touched = true;
            at += ssize_t(sizeof(struct inotify_event)) + event->len;
        }
    }
}
