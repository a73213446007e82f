#include "common/statefilelock.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

StateFileLock::StateFileLock(const QString &statePath)
    : m_path(lockPathOf(statePath))
{
}

StateFileLock::~StateFileLock()
{
    unlock();
    if (m_fd >= 0)
        ::close(m_fd);
}

QString StateFileLock::lockPathOf(const QString &statePath)
{
    const QFileInfo state(statePath);
    return state.path() + QStringLiteral("/.") + state.fileName() + QStringLiteral(".lock");
}

bool StateFileLock::lock()
{
    if (m_locked)
        return true;
    if (m_fd < 0) {
        // Not through a link, and never blocked by a pipe planted there.
        const int fd = ::open(QFile::encodeName(m_path).constData(),
                              O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
        if (fd < 0) {
            m_error = QString::fromLocal8Bit(std::strerror(errno));
            return false;
        }
        struct stat st;
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            m_error = QStringLiteral("%1 is not a regular file").arg(m_path);
            return false;
        }
        m_fd = fd;
    }
    int result = 0;
    do {
        result = ::flock(m_fd, LOCK_EX);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    m_locked = true;
    return true;
}

quint64 StateFileLock::saveCount() const
{
    quint64 count = 0;
    if (!m_locked || ::pread(m_fd, &count, sizeof count, 0) != ssize_t(sizeof count))
        return 0;
    return count;
}

quint64 StateFileLock::countSave()
{
    const quint64 count = saveCount() + 1;
    if (!m_locked || ::pwrite(m_fd, &count, sizeof count, 0) != ssize_t(sizeof count))
        return 0;
    return count;
}

void StateFileLock::unlock()
{
    if (!m_locked)
        return;
    ::flock(m_fd, LOCK_UN);
    m_locked = false;
}
