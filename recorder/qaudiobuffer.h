#pragma once
// Byte ring buffer for a pull-style reader: writes overwrite the oldest bytes
// when full; a waiting reader gives a slow writer up to 200 ms.

#include <QObject>

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
    // Discards up to n stored bytes.
    void skipBuffer(int n);
    void setWait(bool wait);
    int storedBytes() const;

private:
    mutable std::mutex m_mutex;
    std::vector<unsigned char> m_bytes;
    int m_capacity;
    int m_readPos = 0;
    int m_stored = 0;
    bool m_wait = false;
};
