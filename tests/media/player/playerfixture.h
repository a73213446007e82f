#pragma once
// What the player tests share: a player that owns its handle, a gate that
// holds the player's thread inside a test hook, and a thread that stands for
// the GUI thread's calls.

#include "rzcodec/player.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// Owns one player; open() opens a file in it.
struct Player {
    void *handle = rz_player_create(RZ_PLAYER_DEFAULT);
    Player() = default;
    Player(const Player &) = delete;
    Player &operator=(const Player &) = delete;
    ~Player()
    {
        rz_player_stop(handle);
        rz_player_close(handle);
        rz_player_release(handle);
    }
    bool open(const QString &path) { return rz_player_open_ex(handle, path.toUtf8().constData(), 0, 0, 0, 0); }
};

// Holds the player's thread in a hook (which calls pass()) while `holding`.
struct Gate {
    std::mutex mutex;
    std::condition_variable cond;
    bool holding = false;
    std::atomic<int> entered{0};
    std::atomic<int> inside{0};
    std::atomic<int> left{0};
    int permits = 0; // passes let through while holding
    std::thread::id lastThread;

    void pass()
    {
        std::unique_lock<std::mutex> lock(mutex);
        ++entered;
        lastThread = std::this_thread::get_id();
        ++inside;
        // Bounded, so a caller that waits on the player cannot hang the test for good.
        cond.wait_for(lock, std::chrono::seconds(20), [&] { return !holding || permits > 0; });
        if (permits > 0)
            --permits;
        --inside;
        ++left;
    }
    void hold()
    {
        std::lock_guard<std::mutex> lock(mutex);
        holding = true;
        permits = 0;
        entered = 0;
        left = 0;
    }
    void letOneThrough()
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            ++permits;
        }
        cond.notify_all();
    }
    void release()
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            holding = false;
        }
        cond.notify_all();
    }
    std::thread::id thread()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return lastThread;
    }
};

// Holds a gate from construction; lets it go when the test leaves, whatever happened.
struct Held {
    explicit Held(Gate &g) : gate(g) { gate.hold(); }
    ~Held() { gate.release(); }
    Held(const Held &) = delete;
    Held &operator=(const Held &) = delete;
    Gate &gate;
};

// Runs calls on a thread of its own, which stands for the GUI thread: a test
// waits (QTRY) for them to come back instead of blocking itself.
class Caller
{
public:
    explicit Caller(std::function<void()> calls)
        : m_thread([this, calls] {
              calls();
              m_done = true;
          })
    {
    }
    ~Caller() { m_thread.join(); }
    Caller(const Caller &) = delete;
    Caller &operator=(const Caller &) = delete;
    bool done() const { return m_done; }

private:
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};
