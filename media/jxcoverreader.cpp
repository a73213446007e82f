#include "media/jxcoverreader.h"

#include <QFile>

#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isPicture(const QByteArray &bytes)
{
    return bytes.startsWith("\x89PNG\r\n\x1a\n") || bytes.startsWith("\xff\xd8\xff")
           || bytes.startsWith("GIF87a") || bytes.startsWith("GIF89a") || bytes.startsWith("BM")
           || (bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WEBP");
}

} // namespace

// Shared with the thread, which may outlive the reader (a read that never ends).
struct JXCoverReader::State
{
    ReadFile read;
    std::mutex mutex;
    std::condition_variable changed;
    std::thread thread;
    bool stop = false;
    // The one request, taken by the thread.
    bool requested = false;
    QByteArray path;
    QString key;
    // The read under way.
    bool reading = false;
    QString readingKey;
    bool waitedFor = false; // the read under way was waited for once
    // The last read done.
    bool done = false;
    QString doneKey;
    QByteArray bytes;
    QString problem;
    bool problemTold = false;

    static void run(const std::shared_ptr<State> &state);
};

void JXCoverReader::State::run(const std::shared_ptr<State> &state)
{
    pthread_setname_np(pthread_self(), "cover-reader");
    std::unique_lock<std::mutex> lock(state->mutex);
    for (;;) {
        state->changed.wait(lock, [&state] { return state->stop || state->requested; });
        if (state->stop)
            return;
        const QByteArray path = state->path;
        const QString key = state->key;
        state->requested = false;
        state->reading = true;
        state->readingKey = key;
        state->waitedFor = false;
        lock.unlock();
        QString problem;
        const QByteArray bytes = state->read(path, &problem);
        lock.lock();
        state->reading = false;
        state->done = true;
        state->doneKey = key;
        state->bytes = bytes;
        state->problem = problem;
        state->problemTold = false;
        state->changed.notify_all();
    }
}

JXCoverReader::JXCoverReader(ReadFile read)
    : m_state(std::make_shared<State>())
{
    m_state->read = std::move(read);
}

JXCoverReader::~JXCoverReader()
{
    shutdown(std::chrono::milliseconds(0));
}

QByteArray JXCoverReader::cover(const QByteArray &path, const QString &key, std::chrono::milliseconds wait,
                                QString *problem)
{
    State &s = *m_state;
    std::unique_lock<std::mutex> lock(s.mutex);
    auto result = [&s, problem] {
        if (problem && !s.problemTold) {
            *problem = s.problem;
            s.problemTold = true;
        }
        return s.bytes;
    };
    if (s.done && s.doneKey == key)
        return result();
    if (s.stop)
        return QByteArray();
    if (s.reading) {
        // One read at a time, waited for once.
        if (s.readingKey != key || s.waitedFor)
            return QByteArray();
    } else {
        s.requested = true;
        s.path = path;
        s.key = key;
        if (!s.thread.joinable()) {
            const std::shared_ptr<State> state = m_state;
            s.thread = std::thread([state] { State::run(state); });
        }
        s.changed.notify_all();
    }
    const bool read = s.changed.wait_for(
        lock, wait, [&s, &key] { return s.stop || (s.done && s.doneKey == key && !s.requested); });
    if (read && s.done && s.doneKey == key)
        return result();
    s.waitedFor = true;
    if (problem)
        *problem = QStringLiteral("it could not be read in time");
    return QByteArray();
}

bool JXCoverReader::shutdown(std::chrono::milliseconds wait)
{
    State &s = *m_state;
    std::thread thread;
    bool ended;
    {
        std::unique_lock<std::mutex> lock(s.mutex);
        s.stop = true;
        s.changed.notify_all();
        ended = s.changed.wait_for(lock, wait, [&s] { return !s.reading; });
        thread = std::move(s.thread);
    }
    if (!thread.joinable())
        return true;
    if (ended) {
        thread.join();
        return true;
    }
    thread.detach();
    return false;
}

QByteArray JXCoverReader::readPicture(const QByteArray &path, QString *problem)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (problem)
            *problem = QString::fromLocal8Bit(strerror(errno));
        return QByteArray();
    }
    QByteArray bytes;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 && st.st_size <= kMaxBytes) {
        bytes.resize(int(st.st_size) + 1);
        qint64 got = 0;
        for (ssize_t n;
             got < bytes.size() && (n = ::read(fd, bytes.data() + got, size_t(bytes.size() - got))) != 0;) {
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                got = -1;
                break;
            }
            got += n;
        }
        bytes.resize(got == st.st_size ? int(got) : 0);
        if (bytes.isEmpty() && problem)
            *problem = QStringLiteral("it changed while it was read");
    } else if (problem) {
        *problem = QStringLiteral("it is no regular file of at most %1 bytes").arg(kMaxBytes);
    }
    ::close(fd);
    if (!bytes.isEmpty() && !isPicture(bytes)) {
        if (problem)
            *problem = QStringLiteral("it is no picture");
        return QByteArray();
    }
    return bytes;
}
