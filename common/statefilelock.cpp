#include "common/statefilelock.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QThread>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace {

// The thread holding each lock path of this process.
struct Holders
{
    QMutex mutex;
    QHash<QString, Qt::HANDLE> threads;
};

Holders &holders()
{
    static Holders h;
    return h;
}

qint64 monotonicMs()
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// An exclusive flock on fd, waiting for it until the deadline (-1: as long
// as it takes). false with errno set (EWOULDBLOCK: the deadline passed).
bool flockUntil(int fd, qint64 deadlineMs)
{
    for (;;) {
        if (::flock(fd, deadlineMs < 0 ? LOCK_EX : LOCK_EX | LOCK_NB) == 0)
            return true;
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK || monotonicMs() >= deadlineMs)
            return false;
        // No flock waits for a while only: another process holds it.
        ::usleep(500);
    }
}

const char *kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISLNK(mode))
        return "a symbolic link";
    if (S_ISSOCK(mode))
        return "a socket";
    return "a device";
}

} // namespace

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

bool StateFileLock::heldHere(const QString &statePath)
{
    Holders &h = holders();
    QMutexLocker lock(&h.mutex);
    const auto found = h.threads.constFind(lockPathOf(statePath));
    return found != h.threads.cend() && found.value() == QThread::currentThreadId();
}

bool StateFileLock::lock()
{
    return lockUntil(-1);
}

bool StateFileLock::tryLock(int milliseconds)
{
    return lockUntil(monotonicMs() + qMax(0, milliseconds));
}

bool StateFileLock::lockUntil(qint64 deadlineMs)
{
    if (m_locked)
        return true;
    {
        Holders &h = holders();
        QMutexLocker lock(&h.mutex);
        if (h.threads.value(m_path) == QThread::currentThreadId()) {
            m_locked = m_borrowed = true;
            return true;
        }
    }
    if (!openFile(deadlineMs))
        return false;
    if (!flockUntil(m_fd, deadlineMs)) {
        m_error = errno == EWOULDBLOCK ? QStringLiteral("another copy of the program holds %1").arg(m_path)
                                       : QStringLiteral("%1 cannot be locked: %2").arg(m_path, systemError());
        return false;
    }
    Holders &h = holders();
    QMutexLocker lock(&h.mutex);
    h.threads.insert(m_path, QThread::currentThreadId());
    m_locked = true;
    return true;
}

bool StateFileLock::openFile(qint64 deadlineMs)
{
    if (m_fd >= 0)
        return true;
    const QByteArray name = QFile::encodeName(m_path);
    // Another copy may put something in place of what is replaced; a few
    // rounds settle it.
    for (int round = 0; round < 8; ++round) {
        // Not through a link, and never blocked by a pipe planted there.
        const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
        if (fd >= 0) {
            struct stat st;
            if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
                m_fd = fd;
                return true;
            }
            ::close(fd);
        } else {
            const int openError = errno;
            const QString why = systemError();
            struct stat st;
            const bool there = ::lstat(name.constData(), &st) == 0;
            // Another copy replaced it meanwhile: opened again.
            if ((!there && errno == ENOENT)
                || (there && S_ISREG(st.st_mode)
                    && (openError == ELOOP || openError == EISDIR || openError == ENXIO)))
                continue;
            if (!there || S_ISREG(st.st_mode)) {
                m_error = QStringLiteral("%1 cannot be opened: %2").arg(m_path, why);
                return false;
            }
        }
        if (!replaceNonRegular(deadlineMs))
            return false;
    }
    m_error = QStringLiteral("%1 keeps being replaced by what is no regular file").arg(m_path);
    return false;
}

bool StateFileLock::replaceNonRegular(qint64 deadlineMs)
{
    const QByteArray name = QFile::encodeName(m_path);
    const QByteArray folder = QFile::encodeName(QFileInfo(m_path).absolutePath());
    const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) {
        m_error = QStringLiteral("%1 cannot be opened: %2").arg(QString::fromLocal8Bit(folder), systemError());
        return false;
    }
    // Two copies never both remove what is there: the second would remove
    // the lock file the first made in its place.
    if (!flockUntil(dir, deadlineMs)) {
        m_error =
            errno == EWOULDBLOCK
                ? QStringLiteral("another copy of the program is replacing %1").arg(m_path)
                : QStringLiteral("%1 cannot be locked: %2").arg(QString::fromLocal8Bit(folder), systemError());
        ::close(dir);
        return false;
    }
    bool done = true;
    struct stat st;
    if (::lstat(name.constData(), &st) == 0 && !S_ISREG(st.st_mode)) {
        // What is there goes, not what a link points to; a folder only when
        // it is empty, and its files are never touched.
        const bool folderThere = S_ISDIR(st.st_mode);
        if ((folderThere ? ::rmdir(name.constData()) : ::unlink(name.constData())) == 0) {
            m_replaced = QString::fromLatin1(kindOf(st.st_mode));
        } else if (folderThere && (errno == ENOTEMPTY || errno == EEXIST)) {
            m_error = QStringLiteral(
                          "%1 is a folder that holds files, where the lock file of the running copies "
                          "belongs; it is left as it is")
                          .arg(m_path);
            done = false;
        } else {
            m_error = QStringLiteral("%1 is %2 and cannot be replaced by a lock file: %3")
                          .arg(m_path, QString::fromLatin1(kindOf(st.st_mode)), systemError());
            done = false;
        }
    }
    ::flock(dir, LOCK_UN);
    ::close(dir);
    return done;
}

quint64 StateFileLock::saveCount() const
{
    quint64 count = 0;
    if (!m_locked || m_fd < 0 || ::pread(m_fd, &count, sizeof count, 0) != ssize_t(sizeof count))
        return 0;
    return count;
}

quint64 StateFileLock::countSave()
{
    const quint64 count = saveCount() + 1;
    if (!m_locked || m_fd < 0 || ::pwrite(m_fd, &count, sizeof count, 0) != ssize_t(sizeof count))
        return 0;
    return count;
}

void StateFileLock::unlock()
{
    if (!m_locked)
        return;
    m_locked = false;
    if (m_borrowed) {
        m_borrowed = false;
        return;
    }
    {
        Holders &h = holders();
        QMutexLocker lock(&h.mutex);
        h.threads.remove(m_path);
    }
    ::flock(m_fd, LOCK_UN);
}
