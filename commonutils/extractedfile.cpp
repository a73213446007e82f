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

bool ExtractedFile::moveWithoutReplacing()
{
    const char *from = m_temporary.constData();
    const char *to = m_path.constData();
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) {
        m_temporary.clear();
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without the flag: a hard link fails on anything at the
    // name as well. A temporary name that cannot go now goes with this object.
    if (::link(from, to) == 0) {
        if (::unlink(from) == 0)
            m_temporary.clear();
        return true;
    }
    if (errno != EPERM && errno != EOPNOTSUPP)
        return false;
    // One that cannot refuse at all is only asked to move it.
    if (::rename(from, to) != 0)
        return false;
    m_temporary.clear();
    return true;
}

ExtractedFile::Commit ExtractedFile::failed()
{
    fail();
    return Commit::Failed;
}

ExtractedFile::Commit ExtractedFile::commit(bool replace)
{
    struct stat old;
    const bool replacing = ::lstat(m_path.constData(), &old) == 0;
    if (replacing && !replace)
        return Commit::NameTaken;
    if (replacing && S_ISREG(old.st_mode) && ::fchmod(m_fd, old.st_mode & 0777) != 0)
        return failed();
    // The file replaced is gone once this one takes its name.
    if (replacing && ::fdatasync(m_fd) != 0)
        return failed();
    const int fd = m_fd;
    m_fd = -1;
    // A network file system may tell a failed write only here.
    if (::close(fd) != 0)
        return failed();
    if (!replacing) {
        if (moveWithoutReplacing())
            return Commit::Done;
        if (errno != EEXIST)
            return failed();
        // A file came in the way meanwhile. It stays unless files are
        // replaced; then the bytes reach the disk first, as above.
        if (!replace)
            return Commit::NameTaken;
        if (!syncFile(m_temporary))
            return failed();
    }
    if (::rename(m_temporary.constData(), m_path.constData()) != 0)
        return failed();
    m_temporary.clear();
    return Commit::Done;
}
