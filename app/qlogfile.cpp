#include "app/qlogfile.h"

#include "common/statefilelock.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QRecursiveMutex>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// How long a rotation waits for another copy holding the lock, and how
// long after that it is not tried again (lines go on into the file).
constexpr int kRotationTryMs = 10;
constexpr qint64 kRotationPauseMs = 1000;

struct LogState
{
    QRecursiveMutex mutex;
    QtMessageHandler previous = nullptr;
    bool installed = false;
    QString path;
    qint64 limit = QLogFile::kDefaultLimit;
    int fd = -1;
    // The file the descriptor is open on: another copy of the program may
    // have rotated it away from the path since.
    dev_t device = 0;
    ino_t inode = 0;
    // Shared with the other copies; taken only to rotate the file.
    std::unique_ptr<StateFileLock> lock;
    QElapsedTimer sinceRotationFailed;
    // The file cannot be written: said once, until it can be again.
    bool failureSaid = false;
    // Set while a line is written, so that a line logged inside the write
    // (the mutex is recursive) is not written into itself.
    bool writing = false;
};

LogState &state()
{
    static LogState s;
    return s;
}

const char *typeName(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg: return "debug";
    case QtInfoMsg: return "info";
    case QtWarningMsg: return "warning";
    case QtCriticalMsg: return "critical";
    case QtFatalMsg: return "fatal";
    }
    return "?";
}

const char *kindOf(mode_t mode)
{
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISLNK(mode))
        return "a symbolic link";
    return "not a regular file";
}

// Appending, never through a link and never blocked by a pipe; a regular
// file only. -1 with errno set otherwise (ELOOP, ENXIO or EINVAL for what is
// there but is no regular file).
int openRegular(const QByteArray &name, int extraFlags)
{
    const int fd = ::open(name.constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | extraFlags,
                          0644);
    if (fd < 0)
        return -1;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

// The caller holds the mutex.
bool openLocked(LogState &s)
{
    if (s.fd >= 0)
        ::close(s.fd);
    s.fd = -1;
    QDir().mkpath(QFileInfo(s.path).absolutePath());
    const QByteArray name = QFile::encodeName(s.path);
    int fd = openRegular(name, 0);
    struct stat there;
    if (fd < 0 && (errno == ELOOP || errno == ENXIO || errno == EINVAL)
        && ::lstat(name.constData(), &there) == 0 && !S_ISDIR(there.st_mode) && !S_ISREG(there.st_mode)) {
        // A pipe would block the program and a link would write elsewhere:
        // what is there goes, not what it points to.
        std::fprintf(stderr, "log: %s was %s; a new log file replaces it\n", name.constData(),
                     kindOf(there.st_mode));
        if (::unlink(name.constData()) == 0)
            fd = openRegular(name, O_EXCL);
    }
    if (fd < 0) {
        // Every line would try again and fail alike: said once.
        if (!s.failureSaid)
            std::fprintf(stderr, "log: cannot write %s: %s; lines go to standard error only\n",
                         name.constData(), std::strerror(errno));
        s.failureSaid = true;
        return false;
    }
    s.failureSaid = false;
    struct stat opened;
    ::fstat(fd, &opened);
    s.fd = fd;
    s.device = opened.st_dev;
    s.inode = opened.st_ino;
    return true;
}

// The file at the path is still the one open: no other copy rotated it.
bool stillAtThePath(const LogState &s)
{
    struct stat st;
    return ::stat(QFile::encodeName(s.path).constData(), &st) == 0 && st.st_dev == s.device
           && st.st_ino == s.inode;
}

bool writeAll(int fd, const char *data, qint64 size)
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size_t(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// Keeps the newest whole lines of the file at name within limit bytes
// (a file that grew past the limit before this copy started, or while
// copies appended at once). Lines appended meanwhile by a copy that has
// not seen the rotation yet are kept too.
void cutToLimit(const QByteArray &name, qint64 limit)
{
    const int in = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (in < 0)
        return;
    struct stat st;
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= limit) {
        ::close(in);
        return;
    }
    qint64 size = st.st_size;
    QByteArray tail(int(limit), Qt::Uninitialized);
    if (::pread(in, tail.data(), size_t(limit), off_t(size - limit)) != ssize_t(limit)) {
        ::close(in);
        return;
    }
    // From the first line that starts within the limit.
    const int newline = tail.indexOf('\n');
    if (newline >= 0)
        tail.remove(0, newline + 1);
    const QByteArray cut = name + ".cut";
    const int out = ::open(cut.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    bool written = out >= 0 && writeAll(out, tail.constData(), tail.size());
    for (int round = 0; written && round < 3 && ::fstat(in, &st) == 0 && st.st_size > size; ++round) {
        QByteArray more(int(st.st_size - size), Qt::Uninitialized);
        written = ::pread(in, more.data(), size_t(more.size()), off_t(size)) == ssize_t(more.size())
                  && writeAll(out, more.constData(), more.size());
        size = st.st_size;
    }
    if (out >= 0)
        ::close(out);
    ::close(in);
    if (!written || ::rename(cut.constData(), name.constData()) != 0)
        ::unlink(cut.constData());
}

// Rotates the file when this copy can take the lock within a moment (one
// that holds it stopped must not hold up any line); otherwise lines go on
// into the file, past the limit, and the next rotation cuts the copy it
// keeps. The caller holds the mutex.
void rotateLocked(LogState &s)
{
    if (s.sinceRotationFailed.isValid() && s.sinceRotationFailed.elapsed() < kRotationPauseMs)
        return;
    if (!s.lock->tryLock(kRotationTryMs)) {
        s.sinceRotationFailed.start();
        return;
    }
    s.sinceRotationFailed.invalidate();
    // Another copy may have rotated it already: then the new file is taken.
    if (s.fd < 0 || stillAtThePath(s)) {
        const QByteArray name = QFile::encodeName(s.path);
        const QByteArray previous = QFile::encodeName(QLogFile::previousPath(s.path));
        // The copy before is replaced in one step; the limit holds even when
        // no copy can be kept.
        if (::rename(name.constData(), previous.constData()) == 0)
            cutToLimit(previous, s.limit);
        else
            ::unlink(name.constData());
    }
    openLocked(s);
    s.lock->unlock();
}

qint64 openSize(const LogState &s)
{
    struct stat st;
    return ::fstat(s.fd, &st) == 0 ? qint64(st.st_size) : 0;
}

// Appends the line in one write: O_APPEND puts it after whatever another
// copy appended, whole, with no lock (one stopped in a debugger must not
// hold up this one). False when it could not be written.
bool appendLocked(LogState &s, const QByteArray &line)
{
    if (!writeAll(s.fd, line.constData(), line.size()))
        return false;
    // A rotation that kept a cut copy removed the file this one was still
    // open on: the line goes into the new file too (it may be in both).
    struct stat st;
    if (::fstat(s.fd, &st) == 0 && st.st_nlink == 0 && openLocked(s))
        return writeAll(s.fd, line.constData(), line.size());
    return true;
}

void writeLine(QByteArray line)
{
    LogState &s = state();
    QMutexLocker lock(&s.mutex);
    if (!s.installed || s.writing)
        return;
    s.writing = true;
    if (s.fd >= 0 && !stillAtThePath(s))
        openLocked(s);
    if (s.fd >= 0 || openLocked(s)) {
        // A line longer than the whole file keeps its start.
        if (line.size() > s.limit) {
            line.truncate(int(s.limit) - 1);
            line += '\n';
        }
        const qint64 size = openSize(s);
        if (size > 0 && size + line.size() > s.limit)
            rotateLocked(s);
        // A full disk or a vanished folder: a fresh file is tried with the next line.
        if (s.fd >= 0 && !appendLocked(s, line)) {
            ::close(s.fd);
            s.fd = -1;
        } else if (s.fd >= 0 && openSize(s) > s.limit) {
            // Lines of other copies came in at the same moment.
            rotateLocked(s);
        }
    }
    s.writing = false;
}

void handleMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type != QtDebugMsg) {
        const char *category = context.category ? context.category : "default";
        QByteArray line = QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toUtf8();
        line += ' ';
        line += typeName(type);
        line += ' ';
        line += category;
        line += ": ";
        line += text.toUtf8();
        line += '\n';
        writeLine(line);
    }
    QtMessageHandler previous = nullptr;
    {
        QMutexLocker lock(&state().mutex);
        previous = state().previous;
    }
    if (previous)
        previous(type, context, text);
    else
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
}

} // namespace

void QLogFile::install(const QString &path, qint64 limit)
{
    uninstall();
    LogState &s = state();
    {
        QMutexLocker lock(&s.mutex);
        s.path = path;
        s.limit = qMax<qint64>(limit, 1024);
        s.installed = true;
        s.lock = std::make_unique<StateFileLock>(path);
        s.sinceRotationFailed.invalidate();
        s.failureSaid = false;
        if (openLocked(s) && openSize(s) >= s.limit)
            rotateLocked(s);
    }
    const QtMessageHandler previous = qInstallMessageHandler(handleMessage);
    QMutexLocker lock(&s.mutex);
    s.previous = previous;
}

void QLogFile::uninstall()
{
    LogState &s = state();
    QtMessageHandler previous = nullptr;
    {
        QMutexLocker lock(&s.mutex);
        if (!s.installed)
            return;
        previous = s.previous;
    }
    qInstallMessageHandler(previous);
    QMutexLocker lock(&s.mutex);
    s.installed = false;
    s.previous = nullptr;
    if (s.fd >= 0)
        ::close(s.fd);
    s.fd = -1;
    s.lock.reset();
    s.path.clear();
}

QString QLogFile::path()
{
    QMutexLocker lock(&state().mutex);
    return state().installed ? state().path : QString();
}

QString QLogFile::previousPath(const QString &path)
{
    return path + QStringLiteral(".1");
}
