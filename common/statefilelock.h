#pragma once
// One writer at a time across the running copies of the program: an
// exclusive flock() on a hidden lock file beside a state file
// ("<folder>/.<name>.lock"), held around one load-modify-save. Threads of
// one process exclude each other too (each lock opens the file anew). The
// lock file is never removed: a lock taken on a file that another process
// has just unlinked would exclude no one.
//
// Nothing here logs: the log file itself rotates under such a lock.

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
    // when the lock file cannot be opened or is no regular file: the caller
    // goes on without it, as a lone copy would.
    bool lock();
    void unlock();
    bool isLocked() const { return m_locked; }
    QString errorString() const { return m_error; }
    // The saves made under the lock so far, as its file counts them (0
    // before the first): a copy that finds the count it left knows that no
    // other copy saved since. Only while locked; countSave returns the new
    // count.
    quint64 saveCount() const;
    quint64 countSave();

    static QString lockPathOf(const QString &statePath);

private:
    QString m_path;
    QString m_error;
    int m_fd = -1;
    bool m_locked = false;
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

private:
    StateFileLock m_lock;
};
