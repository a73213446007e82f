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
        stopThread(5000);
    }
    bool start(int ms = 2000) { return startThread(ms); }
    bool stop(int ms = 2000) { return stopThread(ms); }

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
    ~OwnSleeper() override { stopThread(5000); }
    bool start() { return startThread(2000); }
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
            if (!woken.wait_for(guard, std::chrono::seconds(30), [this] { return wake; }))
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
        QTRY_VERIFY(w.ticks > 2);
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
        QTRY_VERIFY(w.ticks > ticks);
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
        QVERIFY(t.elapsed() < 1000);
        QTRY_VERIFY(!w.isRunning());
        QVERIFY(w.stop());
        QCOMPARE(w.runs.load(), 1);
    }

    void startTimesOut()
    {
        Worker w(Worker::NeverStarts);
        QElapsedTimer t;
        t.start();
        QVERIFY(!w.start(200));
        QVERIFY(t.elapsed() >= 190 && t.elapsed() < 2000);
        // A second start is refused while the first thread has not ended.
        QVERIFY(!w.start(200));
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
        QVERIFY(!w.stop(200));
        QVERIFY(t.elapsed() >= 190 && t.elapsed() < 2000);
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
        QTRY_VERIFY(w.sleeping.load());
        // It would sleep 30 s: the stop gets through only by waking it.
        QVERIFY(w.stop(5000));
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
        QTRY_VERIFY(w.sleeping.load());
        // Returns at once; the worker, woken, ends on its own.
        w.ask();
        QCOMPARE(w.hookCalls.load(), 1);
        QTRY_VERIFY(!w.isRunning());
        bool joined = false;
        std::thread joiner([&] { joined = w.stop(5000); });
        joiner.join();
        QVERIFY(joined);
        // Joined: the next run is a fresh thread.
        QVERIFY(w.start());
        QVERIFY(w.isRunning());
        QVERIFY(w.stop(5000));
    }

    void nullArgumentDoesNothing()
    {
        QCOMPARE(QUtilThread::ThreadProc(nullptr), static_cast<void *>(nullptr));
    }
};

QTEST_GUILESS_MAIN(UtilThreadTest)
#include "tst_utilthread.moc"
