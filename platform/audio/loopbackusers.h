#pragma once
// Which live processes use the loop-back device of one sound server. Each
// user holds a lock on a file of its own in the user's runtime folder for as
// long as it is registered; a process that ends in any way, a crash
// included, lets go of it. So a device whose users are alive is never taken
// for a crashed run's leftover, and only the last user to leave removes it.
// Decisions about the device (load, repair, restore) are made one process
// at a time under a second lock.

#include <QString>

class PulseContext;

class LoopbackUsers
{
public:
    // The folder of the server the context talks to.
    explicit LoopbackUsers(PulseContext *ctx);

    // This process uses the device (again). Idempotent.
    bool enter();
    // This process no longer uses it.
    void leave();
    // Live processes other than this one that use it; files of users that
    // are gone are removed on the way.
    int othersAlive() const;

    // Held for the life of the object; nests within one process. Waits at
    // most timeoutMs for another process's decision, then goes ahead.
    class Decision
    {
    public:
        explicit Decision(const LoopbackUsers &users, int timeoutMs = 3000);
        ~Decision();
        Decision(const Decision &) = delete;
        Decision &operator=(const Decision &) = delete;
    };

    QString folder() const { return m_folder; }

private:
    QString m_folder;
};
