#pragma once
// The fuzz benchmark's children: each input is read in a forked process of
// its own, a few at once; one that runs past the hang bound is killed, and
// how each ended is handed back with its time and peak memory.

#include <QElapsedTimer>
#include <QString>

#include <functional>
#include <sys/types.h>
#include <vector>

namespace FuzzChildren {

constexpr qint64 kHangMs = 10000;
constexpr long kMemoryLimitKiB = 512 * 1024;
// Under AddressSanitizer resident size counts its shadow memory and the freed
// memory it holds back, not what the readers keep: the memory bound is
// checked in the plain build.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMemoryIsMeasured = false;
#else
constexpr bool kMemoryIsMeasured = true;
#endif

// How a child ended.
struct End
{
    int id = 0;         // as given to Pool::start()
    bool hang = false;  // killed past kHangMs
    int signal = 0;     // what ended it, 0 when it exited
    int code = -1;      // its exit code, -1 when it did not exit
    long peakKiB = 0;
    qint64 ms = 0;
    // The fault: "hang", the signal, an unexpected exit code or memory past
    // the bound; "" when it ended as expected.
    QString fault(bool expectedExit) const;
};

class Pool
{
public:
    Pool(int jobs, std::function<void(const End &)> ended);
    // Waits for a free place, then runs `child` in a forked process; the
    // child ends with _exit. False when no process could be made.
    bool start(int id, const std::function<void()> &child);
    // Waits until every child has ended.
    void finish();
    qint64 slowestMs() const { return m_slowestMs; }
    long peakKiB() const { return m_peakKiB; }

private:
    struct Running
    {
        pid_t pid;
        int id;
        QElapsedTimer started;
    };
    void reap();

    int m_jobs;
    std::function<void(const End &)> m_ended;
    std::vector<Running> m_running;
    qint64 m_slowestMs = 0;
    long m_peakKiB = 0;
};

// In the child: its standard output and error go to the log file.
void logTo(const QString &log);
// Keeps a faulty input and its child's log as `name` and `name`.log.
void keepFault(const QString &name, const QString &input, const QString &log);

} // namespace FuzzChildren
