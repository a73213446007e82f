#pragma once
// One writer at a time across the running copies of the program: an
// exclusive flock() on a hidden lock file beside a state file
// ("<folder>/.<name>.lock"), held around one load-modify-save. Threads of
// one process exclude each other too (each lock opens the file anew); a
// thread that already holds the lock of a file holds it again at once. A
// regular lock file is never removed: a lock taken on a file that another
// process has just unlinked would exclude no one. What stands at the lock
// path and is no regular file (a FIFO, a socket, a device, a symbolic link,
// an empty folder) is replaced by one, under an flock on the folder so that
// two copies never replace it both; a folder that holds anything is left
// alone, and the lock then cannot be taken.
//
// Nothing here logs: the log file itself rotates under such a lock. What
// was replaced is told by replaced().

#include <QString>

class StateFileLock
{
public:
    // Opens the lock file of statePath; locks nothing yet.
    explicit StateFileLock(const QString &statePath);
    ~StateFileLock();
    StateFileLock(const StateFileLock &) = delete;
    StateFileLock &operator=(const StateFileLock &) = delete;

    // Waits until this process holds the lock. False (errorString says why)
    // when there is no lock file and none can be made: the caller must not
    // write the state file then.
    bool lock();
    // The same, waiting at most the given time for another process to let
    // it go (and polling meanwhile); false when it did not.
    bool tryLock(int milliseconds);
    void unlock();
    bool isLocked() const { return m_locked; }
    QString errorString() const { return m_error; }
    // What stood at the lock path and was replaced by a lock file ("a
    // FIFO", ...); empty when nothing was.
    QString replaced() const { return m_replaced; }
    // The saves made under the lock so far, as its file counts them (0
    // before the first): a copy that finds the count it left knows that no
    // other copy saved since. Only while locked; countSave returns the new
    // count.
    quint64 saveCount() const;
    quint64 countSave();

    static QString lockPathOf(const QString &statePath);
    // This thread holds the lock of the state file.
    static bool heldHere(const QString &statePath);

private:
    // lock() and tryLock(): waits for the lock until the deadline (ms on the
    // monotonic clock; -1: as long as it takes).
    bool lockUntil(qint64 deadlineMs);
    // Opens the lock file, replacing what stands there when it is none.
    bool openFile(qint64 deadlineMs);
    bool replaceNonRegular(qint64 deadlineMs);

    QString m_path;
    QString m_error;
    QString m_replaced;
    int m_fd = -1;
    bool m_locked = false;
    bool m_borrowed = false; // held by this thread already, through another lock
};

// Holds the lock of a state file for its own lifetime.
class StateFileLocker
{
public:
    explicit StateFileLocker(const QString &statePath)
        : m_lock(statePath)
    {
        m_lock.lock();
    }
    bool isLocked() const { return m_lock.isLocked(); }
    QString errorString() const { return m_lock.errorString(); }
    QString replaced() const { return m_lock.replaced(); }

private:
    StateFileLock m_lock;
};
