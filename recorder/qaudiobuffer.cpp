#include "recorder/qaudiobuffer.h"

#include <QDebug>

#include <algorithm>
#include <chrono>
#include <cstring>

QAudioBuffer::QAudioBuffer(int capacity, QObject *parent)
    : QObject(parent), m_bytes(size_t(std::max(capacity, 1))), m_capacity(std::max(capacity, 1))
{
}

int QAudioBuffer::writeBuffer(const void *data, int len)
{
    if (len <= 0 || !data)
        return 0;
    std::lock_guard<std::mutex> guard(m_mutex);
    const auto *src = static_cast<const unsigned char *>(data);
    int n = len;
    const int owed = int(std::min<qint64>(m_owed, n));
    m_owed -= owed;
    src += owed;
    n -= owed;
    // Only the newest capacity bytes can survive a longer write.
    if (n > m_capacity) {
        src += n - m_capacity;
        n = m_capacity;
    }
    int pos = (m_readPos + m_stored) % m_capacity;
    for (int done = 0; done < n;) {
        const int chunk = std::min(n - done, m_capacity - pos);
        memcpy(m_bytes.data() + pos, src + done, size_t(chunk));
        done += chunk;
        pos = (pos + chunk) % m_capacity;
    }
    const int total = m_stored + n;
    if (total > m_capacity) {
        // The oldest bytes were overwritten: reading starts at the oldest survivor.
        m_readPos = (m_readPos + total - m_capacity) % m_capacity;
        m_stored = m_capacity;
    } else {
        m_stored = total;
    }
    m_written.notify_all();
    return len;
}

int QAudioBuffer::readBuffer(void *out, int len)
{
    if (len <= 0 || !out)
        return 0;
    std::unique_lock<std::mutex> guard(m_mutex);
    if (m_wait)
        m_written.wait_for(guard, m_waitBound, [&] { return !m_wait || m_stored >= len; });
    auto *dst = static_cast<unsigned char *>(out);
    const int n = std::min(len, m_stored);
    for (int done = 0; done < n;) {
        const int chunk = std::min(n - done, m_capacity - m_readPos);
        memcpy(dst + done, m_bytes.data() + m_readPos, size_t(chunk));
        done += chunk;
        m_readPos = (m_readPos + chunk) % m_capacity;
    }
    m_stored -= n;
    if (n < len)
        memset(dst + n, 0, size_t(len - n));
    return len;
}

void QAudioBuffer::skipBuffer(int n)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    const int skip = std::clamp(n, 0, m_stored);
    m_readPos = (m_readPos + skip) % m_capacity;
    m_stored -= skip;
    m_owed += std::max(n, 0) - skip;
}

void QAudioBuffer::setWait(bool wait, std::chrono::milliseconds bound)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_wait = wait;
    m_waitBound = bound;
    // A reader waiting when waiting is turned off stops at once.
    m_written.notify_all();
}

int QAudioBuffer::storedBytes() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_stored;
}
