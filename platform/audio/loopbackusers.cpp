#include "platform/audio/loopbackusers.h"

#include "platform/audio/audiolog.h"
#include "platform/audio/pulsecontext.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QRandomGenerator>

#include <chrono>
#include <mutex>
#include <thread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

const char kUserPrefix[] = "user-";

struct Registration
{
    int fd = -1;
    QString path;
};

std::mutex registryMutex;
QHash<QString, Registration> &registrations()
{
    static QHash<QString, Registration> r;
    return r;
}

// One decision lock per process, taken on the first level of nesting.
std::recursive_mutex decisionMutex;
int decisionDepth = 0;
int decisionFd = -1;

// The server as asked for, so that the key does not depend on whether the
// connection is up; processes of one session ask alike.
QByteArray serverOf(PulseContext *ctx)
{
    QByteArray server = ctx->serverAddress().toUtf8();
    if (server.isEmpty())
        server = qgetenv("PULSE_SERVER");
    return server;
}

int openForLock(const QString &path, int flags)
{
    return ::open(QFile::encodeName(path).constData(), flags | O_RDWR | O_CLOEXEC, 0600);
}

} // namespace

LoopbackUsers::LoopbackUsers(PulseContext *ctx)
{
    QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (base.isEmpty())
        base = QDir::tempPath() + QStringLiteral("/velmora-%1").arg(getuid());
    const QByteArray key = QCryptographicHash::hash(serverOf(ctx), QCryptographicHash::Md5).toHex().left(16);
    m_folder = base + QStringLiteral("/velmora-audio-recorder/loopback-") + QString::fromLatin1(key);
}

bool LoopbackUsers::enter()
{
    std::lock_guard<std::mutex> guard(registryMutex);
    if (registrations().contains(m_folder))
        return true;
    if (!QDir().mkpath(m_folder)) {
        qCWarning(lcAudio) << "loop-back device: cannot create" << m_folder;
        return false;
    }
    // Locked under a name no one looks at, then shown: a user is never seen
    // unlocked and taken for a leftover.
    const QString stem = QStringLiteral("%1%2-%3").arg(QLatin1String(kUserPrefix)).arg(getpid())
                             .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
    const QString hidden = m_folder + QStringLiteral("/.") + stem;
    const QString shown = m_folder + QLatin1Char('/') + stem;
    const int fd = openForLock(hidden, O_CREAT | O_EXCL);
    if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0
        || ::rename(QFile::encodeName(hidden).constData(), QFile::encodeName(shown).constData()) != 0) {
        qCWarning(lcAudio) << "loop-back device: cannot register as its user in" << m_folder << ":"
                           << strerror(errno);
        if (fd >= 0) {
            ::unlink(QFile::encodeName(hidden).constData());
            ::close(fd);
        }
        return false;
    }
    registrations().insert(m_folder, Registration{fd, shown});
    return true;
}

void LoopbackUsers::leave()
{
    std::lock_guard<std::mutex> guard(registryMutex);
    const Registration r = registrations().take(m_folder);
    if (r.fd < 0)
        return;
    ::unlink(QFile::encodeName(r.path).constData());
    ::close(r.fd);
}

int LoopbackUsers::othersAlive() const
{
    QString own;
    {
        std::lock_guard<std::mutex> guard(registryMutex);
        own = registrations().value(m_folder).path;
    }
    int alive = 0;
    const QStringList users = QDir(m_folder).entryList({QLatin1String(kUserPrefix) + QLatin1Char('*')},
                                                       QDir::Files | QDir::System);
    for (const QString &name : users) {
        const QString path = m_folder + QLatin1Char('/') + name;
        if (path == own)
            continue;
        const int fd = openForLock(path, 0);
        if (fd < 0)
            continue;   // removed meanwhile
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            // Its process is gone: the file is a leftover.
            ::unlink(QFile::encodeName(path).constData());
        } else {
            ++alive;
        }
        ::close(fd);
    }
    return alive;
}

LoopbackUsers::Decision::Decision(const LoopbackUsers &users, int timeoutMs)
{
    decisionMutex.lock();
    if (decisionDepth++ > 0)
        return;
    QDir().mkpath(users.folder());
    decisionFd = openForLock(users.folder() + QStringLiteral("/decision.lock"), O_CREAT);
    if (decisionFd < 0)
        return;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (::flock(decisionFd, LOCK_EX | LOCK_NB) != 0) {
        // A program on its way out does not wait past its limit either.
        if (std::chrono::steady_clock::now() >= giveUp || PulseContext::waitsLimited()) {
            qCWarning(lcAudio) << "loop-back device: another process keeps deciding; going ahead";
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

LoopbackUsers::Decision::~Decision()
{
    if (--decisionDepth == 0 && decisionFd >= 0) {
        ::close(decisionFd);
        decisionFd = -1;
    }
    decisionMutex.unlock();
}
