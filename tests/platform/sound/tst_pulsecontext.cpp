// The connection to the private sound server: queries, change reports,
// time-outs against a server that stops answering, and sound that goes
// out through a playback stream and comes back through a record stream.
#include "platform/audio/pulsecapturestream.h"
#include "platform/audio/pulsecontext.h"
#include "platform/audio/pulseplaybackstream.h"
#include "platform/audio/pulseserver.h"
#include "queuedspy.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QPair>
#include <QProcess>
#include <QScopeGuard>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>
#include <sys/types.h>

namespace {

// This connection as a busy server tells it: what the server reported lagMs
// before (at first, what it reported first).
class LateToldServer : public PulseServer
{
public:
    LateToldServer(PulseContext *ctx, int lagMs) : PulseServer(ctx, 5000), m_lagMs(lagMs) {}

protected:
    bool reportedServerInfo(PulseServerInfo &info) override
    {
        if (!PulseServer::reportedServerInfo(info))
            return false;
        if (!m_clock.isValid())
            m_clock.start();
        const qint64 now = m_clock.elapsed();
        m_told.append({now, info});
        for (int i = m_told.size() - 1; i >= 0; --i) {
            if (m_told.at(i).first <= now - m_lagMs || i == 0) {
                info = m_told.at(i).second;
                break;
            }
        }
        return true;
    }

private:
    int m_lagMs;
    QElapsedTimer m_clock;
    QVector<QPair<qint64, PulseServerInfo>> m_told;
};

} // namespace

class PulseContextTest : public QObject
{
    Q_OBJECT
private:
    static pid_t daemonPid()
    {
        QFile f(qEnvironmentVariable("PULSE_RUNTIME_PATH") + "/pid");
        if (!f.open(QIODevice::ReadOnly))
            return 0;
        return pid_t(f.readAll().trimmed().toInt());
    }

private slots:
    void queriesTheServer()
    {
        PulseContext ctx;
        QVERIFY2(ctx.connectToServer(), qPrintable(ctx.errorString()));
        PulseServer server(&ctx);
        PulseServerInfo info;
        QVERIFY2(server.serverInfo(info), qPrintable(server.errorString()));
        QCOMPARE(info.defaultSink, QByteArray("system_sound"));
        QCOMPARE(info.defaultSource, QByteArray("test_microphone"));

        QVector<PulseDeviceInfo> sinks, sources;
        QVERIFY(server.sinks(sinks));
        QVERIFY(server.sources(sources));
        auto find = [](const QVector<PulseDeviceInfo> &l, const QByteArray &name) {
            for (const PulseDeviceInfo &d : l)
                if (d.name == name)
                    return d;
            return PulseDeviceInfo();
        };
        QCOMPARE(find(sinks, "system_sound").description, QString("System Sound"));
        QCOMPARE(find(sinks, "system_sound").monitorOf, QByteArray("system_sound.monitor"));
        QVERIFY(find(sources, "system_sound.monitor").isMonitor);
        QCOMPARE(find(sources, "system_sound.monitor").monitorOf, QByteArray("system_sound"));
        QVERIFY(!find(sources, "test_microphone").isMonitor);
        QCOMPARE(find(sources, "test_microphone").channels, 2);
    }

    void reportsChangesAndLoadsModules()
    {
        PulseContext ctx;
        QVERIFY(ctx.connectToServer());
        // Reported on the loop thread, read here.
        TestSupport::QueuedSpy changes(&ctx, &PulseContext::serverChanged);
        PulseServer server(&ctx);
        const quint32 module = server.loadModule(
            "module-null-sink",
            "sink_name=probe_sink norewinds=1 "
                + PulseServer::descriptionArgument("sink_properties", "Probe Sink"));
        QVERIFY2(module != 0xffffffffu, qPrintable(server.errorString()));
        // The module's report may come before the sink's.
        auto sinkReported = [&](int type) {
            for (const QVariantList &c : changes.calls()) {
                if (c.at(0).toInt() == PulseContext::SinkFacility && c.at(1).toInt() == type)
                    return true;
            }
            return false;
        };
        QTRY_VERIFY(sinkReported(PulseContext::Added));

        QVector<PulseDeviceInfo> sinks;
        QVERIFY(server.sinks(sinks));
        bool found = false;
        for (const PulseDeviceInfo &d : sinks)
            found |= d.name == "probe_sink" && d.description == "Probe Sink" && d.ownerModule == module;
        QVERIFY(found);

        changes.clear();
        QVERIFY(server.unloadModule(module));
        QTRY_VERIFY(sinkReported(PulseContext::Removed));
        QVERIFY(server.sinks(sinks));
        for (const PulseDeviceInfo &d : sinks)
            QVERIFY(d.name != "probe_sink");
        // A module that does not exist is refused with a reason.
        QCOMPARE(server.loadModule("module-does-not-exist", ""), 0xffffffffu);
        QVERIFY(!server.errorString().isEmpty());
        QVERIFY(!server.setDefaultSink("no_such_sink"));
    }

    void timesOutWhenTheServerStopsAnswering()
    {
        PulseContext ctx;
        QVERIFY(ctx.connectToServer());
        const pid_t pid = daemonPid();
        QVERIFY(pid > 0);
        PulseServer slow(&ctx, 300);
        PulseServerInfo info;
        QVERIFY(::kill(pid, SIGSTOP) == 0);
        QElapsedTimer t;
        t.start();
        const bool answered = slow.serverInfo(info);
        const qint64 waited = t.elapsed();
        ::kill(pid, SIGCONT);
        QVERIFY(!answered);
        QVERIFY2(waited >= 250 && waited < 2000, qPrintable(QString::number(waited)));
        QVERIFY(slow.errorString().contains("300"));
        // The connection survives the pause.
        PulseServer server(&ctx);
        QVERIFY2(server.serverInfo(info), qPrintable(server.errorString()));
    }

    void failsCleanlyWithoutServer()
    {
        PulseContext ctx;
        QElapsedTimer t;
        t.start();
        QVERIFY(!ctx.connectToServer("unix:/nonexistent/velmora/native", 2000));
        QVERIFY(t.elapsed() < 3000);
        QVERIFY(!ctx.errorString().isEmpty());
        QVERIFY(!ctx.isConnected());
        PulseCaptureStream capture(&ctx);
        QVERIFY(!capture.start("system_sound.monitor", 44100, 2, 1024, 500));
    }

    void survivesARestartOfTheServer()
    {
        PulseContext ctx;
        QVERIFY(ctx.connectToServer());
        TestSupport::QueuedSpy lost(&ctx, &PulseContext::connectionLost);
        PulseCaptureStream capture(&ctx);
        QVERIFY(capture.start("system_sound.monitor"));

        QVERIFY(TestSupport::controlSoundServer("stop"));
        QTRY_COMPARE(lost.count(), 1);
        QTRY_VERIFY(!capture.isRunning());
        QVERIFY(!ctx.isConnected());
        QVERIFY(TestSupport::controlSoundServer("start"));

        // A new connection; the stream of the old one still ends safely.
        QVERIFY2(ctx.ensureConnected(), qPrintable(ctx.errorString()));
        capture.stop();
        std::vector<float> rest;
        capture.take(rest, 0);
        PulseCaptureStream again(&ctx);
        QVERIFY2(again.start("system_sound.monitor"), qPrintable(again.errorString()));
        std::vector<float> got;
        QTRY_VERIFY(again.take(got, 20) > 0 || !got.empty());
    }

    void waitingReaderIsWokenByAnInterrupt()
    {
        PulseContext ctx;
        QVERIFY(ctx.connectToServer());
        // A reader waits for a whole fragment, here three seconds; an
        // interrupt from another thread, before or during the wait, ends the
        // wait long before.
        PulseCaptureStream slow(&ctx);
        QVERIFY2(slow.start("system_sound.monitor", 44100, 2, 3 * 44100), qPrintable(slow.errorString()));
        for (bool before : {true, false}) {
            std::atomic<bool> returned{false};
            std::atomic<int> frames{-1};
            if (before)
                slow.interrupt();
            std::thread reader([&] {
                std::vector<float> got;
                frames = slow.take(got, 60000);
                returned = true;
            });
            if (!before)
                slow.interrupt();
            QTRY_VERIFY_WITH_TIMEOUT(returned, 20000);
            reader.join();
            QVERIFY2(frames < 3 * 44100, qPrintable(QString::number(frames)));
        }
    }

    void threadsOutliveTwentyRestarts()
    {
        PulseContext ctx;
        QVERIFY(ctx.connectToServer());
        std::atomic<bool> stop{false};
        std::atomic<int> answers{0}, recorded{0}, played{0};
        // Device queries, capture and playback from three threads while the
        // server goes away and comes back; each either waits for the new
        // connection or fails. A busy server links a new stream late, and
        // now and then not at all: a stream without sound after three
        // seconds is replaced.
        constexpr int attemptMs = 3000;
        std::thread queries([&] {
            PulseServer server(&ctx, attemptMs);
            while (!stop) {
                QVector<PulseDeviceInfo> sinks;
                if (server.sinks(sinks))
                    answers++;
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
        std::thread capture([&] {
            while (!stop) {
                PulseCaptureStream c(&ctx);
                std::vector<float> got;
                if (c.start("system_sound.monitor", 44100, 2, 1024, attemptMs)) {
                    // Sound comes once the server has linked the stream.
                    QElapsedTimer waited;
                    waited.start();
                    while (!stop && c.isRunning() && got.empty() && waited.elapsed() < attemptMs)
                        c.take(got, 50);
                    if (!got.empty())
                        recorded++;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
        std::thread playback([&] {
            const QVector<float> tone = TestSupport::sineTone(440, 0.05);
            while (!stop) {
                PulsePlaybackStream p(&ctx);
                if (p.open("system_sound", 44100, 2, 50, attemptMs)
                    && p.write(tone.constData(), tone.size() / 2, attemptMs) && p.drain(attemptMs))
                    played++;
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
        bool restarted = true;
        {
            // A failed check leaves through here too.
            auto joined = qScopeGuard([&] {
                stop = true;
                queries.join();
                capture.join();
                playback.join();
            });
            for (int i = 0; i < 20 && restarted; ++i) {
                // Counted once the old server is gone: what comes after is the new one's.
                restarted = TestSupport::controlSoundServer("stop");
                const int a = answers, r = recorded, p = played;
                restarted = restarted && TestSupport::controlSoundServer("start");
                QTRY_VERIFY2_WITH_TIMEOUT(answers > a && recorded > r && played > p,
                                          qPrintable(QString("restart %1: %2 answers, %3 recordings, %4 plays")
                                                         .arg(i + 1).arg(answers - a).arg(recorded - r).arg(played - p)),
                                          20000);
            }
        }
        QVERIFY(restarted);
        PulseServer server(&ctx);
        PulseServerInfo info;
        QVERIFY2(server.serverInfo(info), qPrintable(server.errorString()));
    }

    void playedToneComesBackOnOneConnection()
    {
        PulseContext ctx;
        QVERIFY(ctx.connectToServer());
        PulseCaptureStream capture(&ctx);
        QVERIFY2(capture.start("system_sound.monitor"), qPrintable(capture.errorString()));
        PulsePlaybackStream play(&ctx);
        QVERIFY2(play.open("system_sound"), qPrintable(play.errorString()));
        const QVector<float> tone = TestSupport::sineTone(440, 1.0);
        QVERIFY2(play.write(tone.constData(), tone.size() / 2), qPrintable(play.errorString()));
        QVERIFY2(play.drain(), qPrintable(play.errorString()));
        QVERIFY(play.playedMicroseconds() >= 900000);

        std::vector<float> got;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 500)
            capture.take(got, 20);
        capture.stop();
        QVERIFY(!capture.isRunning());
        QCOMPARE(quint64(got.size() / 2), capture.framesReceived());
        QCOMPARE(capture.overflows(), 0);
        QVector<float> samples(int(got.size()));
        std::copy(got.begin(), got.end(), samples.begin());
        const double p440 = TestSupport::goertzelPowerInterleaved(samples, 2, 440, 44100);
        const double p1000 = TestSupport::goertzelPowerInterleaved(samples, 2, 1000, 44100);
        QVERIFY2(p440 > 100 * p1000, qPrintable(QString("%1 %2").arg(p440).arg(p1000)));
        // Nearly the whole second of tone arrived.
        int loud = 0;
        for (size_t i = 0; i < got.size(); i += 2)
            loud += std::fabs(got[i]) > 0.05f;
        QVERIFY2(loud > 0.9 * 44100 * 0.9, qPrintable(QString::number(loud)));
    }

    // A busy server tells a connection of a new default after a new
    // connection already reads it; that is no sign that it stopped telling.
    void aDefaultToldLateIsSetOnATrustedConnection_data()
    {
        QTest::addColumn<int>("lagMs");
        QTest::newRow("told at once") << 0;
        QTest::newRow("told 0.8 s late") << 800;
    }
    void aDefaultToldLateIsSetOnATrustedConnection()
    {
        QFETCH(int, lagMs);
        PulseContext ctx;
        QVERIFY(ctx.connectToServer());
        PulseServer server(&ctx);
        const quint32 module = server.loadModule("module-null-sink", "sink_name=late_told_output norewinds=1");
        QVERIFY2(module != 0xffffffffu, qPrintable(server.errorString()));
        auto cleanup = qScopeGuard([&] {
            server.setDefaultSink("system_sound");
            server.unloadModule(module);
        });
        LateToldServer late(&ctx, lagMs);
        QVERIFY2(late.setDefaultSink("late_told_output"), qPrintable(late.errorString()));
        QVERIFY(!ctx.defaultsUnreported());
        QCOMPARE(TestSupport::serverDefault(), QByteArray("late_told_output"));
        cleanup.dismiss();
        QVERIFY2(server.setDefaultSink("system_sound"), qPrintable(server.errorString()));
        QVERIFY2(server.unloadModule(module), qPrintable(server.errorString()));
    }

    // Last: the connection of this process stays untold afterwards.
    // A user who chooses another output while the session manager has yet
    // to apply ours, on a connection the server no longer tells of changes:
    // ours was taken and the user's came after, so setting ours did not fail.
    void aDefaultChosenRightAfterOursCountsAsSet()
    {
        if (!TestSupport::soundServerIsPipeWire())
            QSKIP("PulseAudio applies a default before it answers");
        const qint64 manager = TestSupport::soundServerProcess(QStringLiteral("wireplumber"));
        QVERIFY(manager > 0);
        PulseServer server;
        const quint32 asked = server.loadModule("module-null-sink", "sink_name=asked_output");
        const quint32 chosen = server.loadModule("module-null-sink", "sink_name=chosen_output");
        QVERIFY2(asked != 0xffffffffu && chosen != 0xffffffffu, qPrintable(server.errorString()));
        QVERIFY(TestSupport::stopDefaultReports());
        QVERIFY(!PulseContext::shared()->defaultsUnreported());

        QVERIFY(::kill(pid_t(manager), SIGSTOP) == 0);
        std::atomic<int> made{-1};
        std::thread asker([&made] { made = PulseServer(nullptr, 8000).setDefaultSink("asked_output") ? 1 : 0; });
        // The user's choice goes in after ours, and both wait for the manager.
        QTest::qWait(500);
        QProcess user;
        user.start(QStringLiteral("pactl"), {QStringLiteral("set-default-sink"), QStringLiteral("chosen_output")});
        QVERIFY(user.waitForStarted(5000));
        QTest::qWait(500);
        QVERIFY(::kill(pid_t(manager), SIGCONT) == 0);
        QVERIFY(user.waitForFinished(10000));
        QTRY_VERIFY_WITH_TIMEOUT(made >= 0, 15000);
        asker.join();
        QCOMPARE(TestSupport::serverDefault(), QByteArray("chosen_output"));
        QCOMPARE(made.load(), 1);

        QVERIFY(server.setDefaultSink("system_sound"));
        QVERIFY(server.unloadModule(asked));
        QVERIFY(server.unloadModule(chosen));
    }
};

QTEST_GUILESS_MAIN(PulseContextTest)
#include "tst_pulsecontext.moc"
