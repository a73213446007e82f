#pragma once
// Byte ring buffer for a pull-style reader: writes overwrite the oldest bytes
// when full; a waiting reader gives a slow writer up to a bound (200 ms unless set).

#include <QObject>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

class QAudioBuffer : public QObject
{
    Q_OBJECT
public:
    QAudioBuffer(int capacity, QObject *parent = nullptr);

    // Stores len bytes behind the stored ones; returns len.
    int writeBuffer(const void *data, int len);
    // Copies up to len stored bytes into out and fills the rest with zeros; returns len.
    int readBuffer(void *out, int len);
    // Discards n bytes: those stored, and the rest as they are written, so
    // that the reader's place in the stream is where it asked.
    void skipBuffer(int n);
    // With wait on, a read that finds too little waits for writes, at most `bound`.
    void setWait(bool wait, std::chrono::milliseconds bound = std::chrono::milliseconds(200));
    int storedBytes() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_written;
    std::vector<unsigned char> m_bytes;
    int m_capacity;
    int m_readPos = 0;
    int m_stored = 0;
    qint64 m_owed = 0; // bytes skipped before they were written
    bool m_wait = false;
    std::chrono::milliseconds m_waitBound{200};
};
