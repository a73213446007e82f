// Start and stop handshakes of the worker thread base: time-outs that report
// failure, joined threads, and nothing reported after the end of a run.
#include "recorder/qutilthread.h"

#include <QElapsedTimer>
#include <QtTest>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

// Bound for a start or stop that must succeed: a busy machine may leave a new
// thread unscheduled for seconds, and a passing run never waits it out.
constexpr int kSureMs = 30000;
// A time-out of kShortMs ends before kShortUpperMs, which leaves a busy
// machine seconds of slack: waiting longer means the time-out given was not
// used (the class's own default is 5 s).
constexpr int kShortMs = 200;
constexpr int kShortUpperMs = 4500;

std::atomic<int> threadsGone{0};
// Destroyed when its thread has exited, before a join of that thread returns.
struct ThreadExitMark
{
    bool used = false;
    ~ThreadExitMark()
    {
        if (used)
            threadsGone++;
    }
};
thread_local ThreadExitMark exitMark;

// A worker whose behaviour each case chooses.
class Worker : public QUtilThread
{
public:
    enum Mode { Normal, FailAtOnce, NeverStarts, IgnoresStop };
    explicit Worker(Mode chosen = Normal) : mode(chosen) {}
    ~Worker() override
    {
        release = true;
        stopThread(kSureMs);
    }
    bool start(int ms = kSureMs) { return startThread(ms); }
    bool stop(int ms = kSureMs) { return stopThread(ms); }

    void OnExecute() override
    {
        runs++;
        exitMark.used = true;
        if (mode == FailAtOnce)
            return;
        if (mode == NeverStarts) {
            while (!release)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            return;
        }
        setStarted();
        while (!waitForStop(10)) {
            ticks++;
        }
        if (mode == IgnoresStop) {
            while (!release)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        lastReportFinishedFlag = isRunning();   // the final report happens while still running
        reports++;
    }

    Mode mode;
    std::atomic<int> runs{0};
    std::atomic<int> ticks{0};
    std::atomic<int> reports{0};
    std::atomic<bool> release{false};
    std::atomic<bool> lastReportFinishedFlag{false};
};

// Sleeps on a wait of its own, as a capture thread does on its stream: only
// the stop hook can wake it before its long bound.
class OwnSleeper : public QUtilThread
{
public:
    ~OwnSleeper() override { stopThread(kSureMs); }
    bool start() { return startThread(kSureMs); }
    bool stop(int ms) { return stopThread(ms); }
    void ask() { askStop(); }

    void OnExecute() override
    {
        setStarted();
        std::unique_lock<std::mutex> guard(mutex);
        while (!stopRequested()) {
            // Set with the lock held: whoever sees it takes the lock only
            // once this thread sleeps.
            sleeping = true;
            if (!woken.wait_for(guard, std::chrono::minutes(10), [this] { return wake; }))
                break;
            wake = false;
            wakeUps++;
        }
    }

    std::mutex mutex;
    std::condition_variable woken;
    bool wake = false;
    std::atomic<int> wakeUps{0};
    std::atomic<int> hookCalls{0};
    std::atomic<bool> sleeping{false};

protected:
    void stopAsked() override
    {
        hookCalls++;
        {
            std::lock_guard<std::mutex> guard(mutex);
            wake = true;
        }
        woken.notify_all();
    }
};

} // namespace

class UtilThreadTest : public QObject
{
    Q_OBJECT
private slots:
    void startsRunsAndStops()
    {
        const int gone = threadsGone;
        Worker w;
        QVERIFY(!w.isRunning());
        QVERIFY(w.stop());   // never started: returns at once
        QVERIFY(w.start());
        QVERIFY(w.isRunning());
        QTRY_VERIFY_WITH_TIMEOUT(w.ticks > 2, kSureMs);
        QVERIFY(w.stop());
        QVERIFY(!w.isRunning());
        QCOMPARE(w.reports.load(), 1);
        QVERIFY(w.lastReportFinishedFlag);
        // The thread was joined: it had exited when stop returned.
        QCOMPARE(threadsGone.load(), gone + 1);
    }

    void restartCreatesAFreshThread()
    {
        const int gone = threadsGone;
        Worker w;
        QVERIFY(w.start());
        QVERIFY(w.stop());
        const int ticks = w.ticks;
        // The first thread has exited, so nothing can tick between runs.
        QCOMPARE(threadsGone.load(), gone + 1);
        QCOMPARE(w.ticks.load(), ticks);
        QVERIFY(w.start());
        QTRY_VERIFY_WITH_TIMEOUT(w.ticks > ticks, kSureMs);
        QVERIFY(w.stop());
        QCOMPARE(w.runs.load(), 2);
        QCOMPARE(w.reports.load(), 2);
    }

    void workerThatFailsReleasesTheStarter()
    {
        Worker w(Worker::FailAtOnce);
        QElapsedTimer t;
        t.start();
        QVERIFY(w.start());
        QVERIFY(t.elapsed() < kShortUpperMs); // not held until the bound
        QTRY_VERIFY_WITH_TIMEOUT(!w.isRunning(), kSureMs);
        QVERIFY(w.stop());
        QCOMPARE(w.runs.load(), 1);
    }

    void startTimesOut()
    {
        Worker w(Worker::NeverStarts);
        QElapsedTimer t;
        t.start();
        QVERIFY(!w.start(kShortMs));
        QVERIFY(t.elapsed() >= kShortMs - 10 && t.elapsed() < kShortUpperMs);
        // A second start is refused while the first thread has not ended.
        QVERIFY(!w.start(kShortMs));
        w.release = true;
        QVERIFY(w.stop());
        QCOMPARE(w.runs.load(), 1);
    }

    void stopTimesOutAndJoinsLater()
    {
        Worker w(Worker::IgnoresStop);
        QVERIFY(w.start());
        QElapsedTimer t;
        t.start();
        QVERIFY(!w.stop(kShortMs));
        QVERIFY(t.elapsed() >= kShortMs - 10 && t.elapsed() < kShortUpperMs);
        QVERIFY(w.isRunning());
        QCOMPARE(w.reports.load(), 0);
        w.release = true;
        QVERIFY(w.stop());
        QCOMPARE(w.reports.load(), 1);
        QVERIFY(w.start());   // the old thread was joined, a new one runs
        // release is still set, so this run ends as soon as it is asked to.
        QVERIFY(w.stop());
        QVERIFY(!w.isRunning());
        QCOMPARE(w.runs.load(), 2);
        QCOMPARE(w.reports.load(), 2);
    }

    void stopWakesAWorkerSleepingOnItsOwn()
    {
        OwnSleeper w;
        QVERIFY(w.stop(100));   // nothing runs: no hook
        QCOMPARE(w.hookCalls.load(), 0);
        QVERIFY(w.start());
        // Asked before it sleeps, the worker would end without being woken.
        QTRY_VERIFY_WITH_TIMEOUT(w.sleeping.load(), kSureMs);
        // It would sleep 10 min: the stop gets through only by waking it.
        QVERIFY(w.stop(kSureMs));
        QVERIFY(!w.isRunning());
        QCOMPARE(w.hookCalls.load(), 1);
        QCOMPARE(w.wakeUps.load(), 1);
    }

    void askedStopEndsTheWorkerAndAnotherThreadJoinsIt()
    {
        OwnSleeper w;
        w.ask();   // nothing runs: no hook
        QCOMPARE(w.hookCalls.load(), 0);
        QVERIFY(w.start());
        QTRY_VERIFY_WITH_TIMEOUT(w.sleeping.load(), kSureMs);
        // Returns at once; the worker, woken, ends on its own.
        w.ask();
        QCOMPARE(w.hookCalls.load(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(!w.isRunning(), kSureMs);
        bool joined = false;
        std::thread joiner([&] { joined = w.stop(kSureMs); });
        joiner.join();
        QVERIFY(joined);
        // Joined: the next run is a fresh thread.
        QVERIFY(w.start());
        QVERIFY(w.isRunning());
        QVERIFY(w.stop(kSureMs));
    }

    void nullArgumentDoesNothing()
    {
        QCOMPARE(QUtilThread::ThreadProc(nullptr), static_cast<void *>(nullptr));
    }
};

QTEST_GUILESS_MAIN(UtilThreadTest)
#include "tst_utilthread.moc"
