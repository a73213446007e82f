// A move without replacing on a file system that refuses the no-replace
// rename goes through a second name: it either ends with the file under the
// new name only, or leaves it under the old name only, never under both.
// This program stands in for the rename and unlink calls so that it can be
// such a file system and fail the removal of the old name.
#include "common/qfilenamerules.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/syscall.h>
#include <unistd.h>

namespace {
bool g_noReplaceUnsupported = false;
std::string g_unlinkRefused; // this path cannot be unlinked
} // namespace

extern "C" int renameat2(int oldFd, const char *oldPath, int newFd, const char *newPath, unsigned int flags) noexcept
{
    if (g_noReplaceUnsupported && flags != 0) {
        errno = EINVAL;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_renameat2, oldFd, oldPath, newFd, newPath, flags));
}

extern "C" int unlink(const char *path) noexcept
{
    if (!g_unlinkRefused.empty() && g_unlinkRefused == path) {
        errno = EPERM;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_unlinkat, AT_FDCWD, path, 0));
}

class FileMovesTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        g_noReplaceUnsupported = true;
        g_unlinkRefused.clear();
        QVERIFY(m_dir.isValid());
        m_from = m_dir.filePath("REC_1.wav");
        m_to = m_dir.filePath("Song.wav");
        QFile::remove(m_from);
        QFile::remove(m_to);
        QVERIFY(write(m_from, "sound"));
    }
    void cleanup()
    {
        g_noReplaceUnsupported = false;
        g_unlinkRefused.clear();
    }

    void movesThroughASecondName()
    {
        QVERIFY(QFileNameRules::moveWithoutReplacing(m_from, m_to));
        QVERIFY(!QFile::exists(m_from));
        QCOMPARE(read(m_to), QByteArray("sound"));
    }

    void neverReplacesWhatIsThere()
    {
        QVERIFY(write(m_to, "other"));
        const bool moved = QFileNameRules::moveWithoutReplacing(m_from, m_to);
        const int why = errno;
        QVERIFY(!moved);
        QCOMPARE(why, EEXIST);
        QCOMPARE(read(m_from), QByteArray("sound"));
        QCOMPARE(read(m_to), QByteArray("other"));
    }

    void anOldNameThatStaysTakesTheNewOneBack()
    {
        g_unlinkRefused = QFile::encodeName(m_from).toStdString();
        const bool moved = QFileNameRules::moveWithoutReplacing(m_from, m_to);
        const int why = errno;
        QVERIFY(!moved);
        QCOMPARE(why, EPERM);
        QCOMPARE(read(m_from), QByteArray("sound"));
        QVERIFY(!QFile::exists(m_to));
    }

private:
    static bool write(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }
    static QByteArray read(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
    QString m_from, m_to;
};

QTEST_MAIN(FileMovesTest)
#include "tst_filemoves.moc"
