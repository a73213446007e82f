#pragma once
// Reads the covers media players name, one file at a time on a thread of
// its own: a file on a stalled disk holds that thread alone, never the
// look-up that asked nor a thread more. The last cover read is kept, so a
// track asked about every poll is read once.

#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>

class JXCoverReader
{
public:
    // Reads one file: its bytes, or none with the reason in `problem`.
    using ReadFile = std::function<QByteArray(const QByteArray &path, QString *problem)>;

    // By default a picture of a regular file up to the cap (readPicture).
    explicit JXCoverReader(ReadFile read = &JXCoverReader::readPicture);
    ~JXCoverReader();
    JXCoverReader(const JXCoverReader &) = delete;
    JXCoverReader &operator=(const JXCoverReader &) = delete;

    // The cover at `path` for the track `key` (the same path may hold
    // another track's cover later). Waits up to `wait` for the read, once
    // per track; none while the thread is held by another file's read. A
    // read that failed gives its reason in `problem`, once.
    QByteArray cover(const QByteArray &path, const QString &key, std::chrono::milliseconds wait,
                     QString *problem = nullptr);
    // Ends the thread, waiting up to `wait` for a read under way; false when
    // it still reads then (it is left to end by itself: a stalled disk must
    // not hold the program's end).
    bool shutdown(std::chrono::milliseconds wait);

    // At most kMaxBytes of a regular file that holds a picture: a pipe or a
    // device is never read (the open does not wait for a writer), nor a file
    // that grows past the cap.
    static constexpr qint64 kMaxBytes = 16 * 1024 * 1024;
    static QByteArray readPicture(const QByteArray &path, QString *problem);

private:
    struct State;
    std::shared_ptr<State> m_state;
};
