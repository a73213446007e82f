#include "extractedfile.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kNameAttempts = 100;

// The file's bytes on the disk (its times need not be).
bool syncFile(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fdatasync(fd) == 0;
    const int code = errno;
    ::close(fd);
    errno = code;
    return synced;
}

} // namespace

ExtractedFile::ExtractedFile(const QString &path)
    : m_path(QFile::encodeName(path))
{
}

ExtractedFile::~ExtractedFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_temporary.isEmpty())
        ::unlink(m_temporary.constData());
}

bool ExtractedFile::fail()
{
    m_error = errno ? errno : EIO;
    return false;
}

bool ExtractedFile::open()
{
    struct stat st;
    if (::stat(m_path.constData(), &st) == 0 && S_ISDIR(st.st_mode)) {
        m_error = EISDIR;
        return false;
    }
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const QByteArray name = m_path + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_fd = fd;
            m_temporary = name;
            return true;
        }
        if (errno != EEXIST)
            return fail();
    }
    return fail();
}

bool ExtractedFile::write(const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return fail();
        }
        data += n;
        size -= n;
    }
    return true;
}

bool ExtractedFile::commit()
{
    struct stat old;
    const bool replacing = ::lstat(m_path.constData(), &old) == 0;
    if (replacing && S_ISREG(old.st_mode) && ::fchmod(m_fd, old.st_mode & 0777) != 0)
        return fail();
    // The file replaced is gone once this one takes its name.
    if (replacing && ::fdatasync(m_fd) != 0)
        return fail();
    const int fd = m_fd;
    m_fd = -1;
    // A network file system may tell a failed write only here.
    if (::close(fd) != 0)
        return fail();
    if (!replacing) {
        if (::renameat2(AT_FDCWD, m_temporary.constData(), AT_FDCWD, m_path.constData(), RENAME_NOREPLACE)
            == 0) {
            m_temporary.clear();
            return true;
        }
        // A file that came in the way meanwhile is replaced: then the bytes
        // are synced as well. A file system that cannot refuse to replace
        // was just asked.
        if (errno == EEXIST) {
            if (!syncFile(m_temporary))
                return fail();
        } else if (errno != EINVAL && errno != ENOSYS) {
            return fail();
        }
    }
    if (::rename(m_temporary.constData(), m_path.constData()) != 0)
        return fail();
    m_temporary.clear();
    return true;
}
