#pragma once
// Tells, without reading it, whether a file this process wrote has been
// written to since: an inotify watch on the file's inode, begun on the
// descriptor the file was written through, before the file takes its name,
// so that no later write of anyone goes unseen. A file replaced at its path
// is another inode: the caller compares the inode found there.
//
// One watch at a time; any thread may ask.

#include <QMutex>
#include <QtGlobal>

class StateFileWatch
{
public:
    StateFileWatch() = default;
    ~StateFileWatch();
    StateFileWatch(const StateFileWatch &) = delete;
    StateFileWatch &operator=(const StateFileWatch &) = delete;

    // Watches the file open at fd from now on, instead of the one before.
    // False when it cannot be watched (no inotify, or no watch left): the
    // file then never counts as untouched.
    bool begin(int fd);
    // True while the watched file is the inode given and nothing has
    // written to it, truncated it or removed it since begin.
    bool untouched(quint64 inode);

private:
    // Reads what the kernel has reported so far; the mutex is held.
    void drain();

    QMutex m_mutex;
    int m_fd = -1;
    int m_watch = -1;
    quint64 m_inode = 0;
    bool m_touched = true;
};
