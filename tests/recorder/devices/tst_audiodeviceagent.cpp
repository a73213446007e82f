// The device agent against the private sound server: jobs run in order on
// a thread of its own, readings are signalled on the agent's thread and the
// reading after a job carries its number, changes another client makes
// arrive as readings without being asked for, also after the server went
// away and came back, and finish() has carried out its job when it returns.
// A server that stops reporting default changes is read now and then
// instead; one that answers late is read again.
#include "platform/audio/pulsecontext.h"
#include "platform/audio/pulseserver.h"
#include "recorder/audiodeviceagent.h"
#include "recorder/macaudiodevice.h"
#include "testsupport.h"

#include <QFileInfo>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QtTest>

#include <mutex>

namespace {

// The latest reading the spy holds whose job number is at least job; null when none.
const AudioDeviceList *readingAfter(const QSignalSpy &spy, int job)
{
    for (int i = spy.size() - 1; i >= 0; --i) {
        if (spy.at(i).at(1).toInt() >= job)
            return static_cast<const AudioDeviceList *>(spy.at(i).at(0).constData());
    }
    return nullptr;
}

const AudioDeviceList *latest(const QSignalSpy &spy)
{
    return spy.isEmpty() ? nullptr : static_cast<const AudioDeviceList *>(spy.last().at(0).constData());
}

QByteArray pactl(const QStringList &args)
{
    QByteArray out;
    if (TestSupport::runProgram(QStringLiteral("pactl"), args, 10000, &out) != 0)
        return QByteArray("failed");
    return out.trimmed();
}

} // namespace

class AudioDeviceAgentTest : public QObject
{
    Q_OBJECT
private slots:
    void jobsRunInOrderOffTheCallingThread()
    {
        AudioDeviceAgent agent;
        QSignalSpy readings(&agent, &AudioDeviceAgent::devicesChanged);
        std::mutex mutex;
        QList<int> order;
        QSet<QThread *> threads;
        auto job = [&](int n) {
            return [&, n](MacAudioDevice &) {
                std::lock_guard<std::mutex> guard(mutex);
                order << n;
                threads << QThread::currentThread();
            };
        };
        // Readings are signalled on the agent's thread, also to a receiver
        // connected directly: not on the device thread, which may change
        // its model meanwhile.
        QSet<QThread *> signalled;
        connect(&agent, &AudioDeviceAgent::devicesChanged, this,
                [&signalled] { signalled << QThread::currentThread(); }, Qt::DirectConnection);
        const int first = agent.post(job(1));
        agent.post(job(2));
        const int last = agent.post(job(3));
        QVERIFY(last > first);
        QTRY_VERIFY(readingAfter(readings, last));
        {
            std::lock_guard<std::mutex> guard(mutex);
            QCOMPARE(order, (QList<int>{1, 2, 3}));
            QCOMPARE(threads.size(), 1);
            QVERIFY(!threads.contains(QThread::currentThread()));
        }
        QCOMPARE(signalled, QSet<QThread *>{QThread::currentThread()});
        // Readings reach this thread, with both sides and their defaults.
        const AudioDeviceList &devices = *readingAfter(readings, last);
        const int speakers = devices.indexOfUid(false, "system_sound");
        const int mic = devices.indexOfUid(true, "test_microphone");
        QVERIFY(speakers >= 0 && mic >= 0);
        QCOMPARE(devices.defaultIndex(false), speakers);
        QCOMPARE(devices.defaultIndex(true), mic);
        QCOMPARE(QByteArray(devices.name(true, mic)), QByteArray("Test Microphone"));
        QVERIFY(devices.info(true, mic)->volume >= 0);
    }

    void changesByAnotherClientArrive()
    {
        AudioDeviceAgent agent;
        QSignalSpy readings(&agent, &AudioDeviceAgent::devicesChanged);
        const int asked = agent.refresh();
        QTRY_VERIFY(readingAfter(readings, asked));
        auto lists = [&](const QByteArray &uid) {
            const AudioDeviceList *l = latest(readings);
            return l && l->indexOfUid(false, uid) >= 0;
        };
        // Nothing is asked for from here on: the server's reports bring the readings.
        const QByteArray module = pactl({QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                                         QStringLiteral("sink_name=agent_probe"), QStringLiteral("norewinds=1")});
        bool ok = false;
        module.toUInt(&ok);
        QVERIFY2(ok, module.constData());
        QTRY_VERIFY(lists("agent_probe"));
        QCOMPARE(pactl({QStringLiteral("unload-module"), QString::fromLatin1(module)}), QByteArray());
        QTRY_VERIFY(!lists("agent_probe"));

        QCOMPARE(pactl({QStringLiteral("set-source-volume"), QStringLiteral("test_microphone"), QStringLiteral("42%")}),
                 QByteArray());
        auto micVolume = [&] {
            const AudioDeviceList *l = latest(readings);
            const AudioDeviceInfo *mic = l ? l->info(true, l->indexOfUid(true, "test_microphone")) : nullptr;
            return mic ? mic->volume : -2;
        };
        QTRY_COMPARE(micVolume(), 42);
        QCOMPARE(pactl({QStringLiteral("set-source-volume"), QStringLiteral("test_microphone"), QStringLiteral("100%")}),
                 QByteArray());
        QTRY_COMPARE(micVolume(), 100);
    }

    void readingsGoOnAfterTheServerCameBack()
    {
        PulseContext ctx;
        QVERIFY(ctx.connectToServer());
        AudioDeviceAgent agent(&ctx);
        QSignalSpy readings(&agent, &AudioDeviceAgent::devicesChanged);
        const int asked = agent.refresh();
        QTRY_VERIFY(readingAfter(readings, asked));

        const QString fixture = qEnvironmentVariable("VELMORA_SOURCE_DIR") + "/tests/support/pulse-fixture.sh";
        const QString dir = QFileInfo(qEnvironmentVariable("PULSE_RUNTIME_PATH")).path();
        QCOMPARE(TestSupport::runProgram(fixture, {"stop", dir}), 0);
        // The tests after this one need the server, whatever happens here.
        bool started = false;
        auto restart = qScopeGuard([&] {
            if (!started)
                TestSupport::runProgram(fixture, {"start", dir});
        });
        // Without a server there is nothing to list.
        QTRY_VERIFY(latest(readings) && latest(readings)->count(false) == 0);
        started = true;
        QCOMPARE(TestSupport::runProgram(fixture, {"start", dir}), 0);
        // Back without being asked, and the new connection's reports come in.
        QTRY_VERIFY_WITH_TIMEOUT(latest(readings) && latest(readings)->indexOfUid(false, "system_sound") >= 0,
                                 10000);
        const QByteArray module = pactl({QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                                         QStringLiteral("sink_name=agent_return"), QStringLiteral("norewinds=1")});
        QVERIFY2(module.toUInt() > 0, module.constData());
        QTRY_VERIFY(latest(readings)->indexOfUid(false, "agent_return") >= 0);
        QCOMPARE(pactl({QStringLiteral("unload-module"), QString::fromLatin1(module)}), QByteArray());
        QTRY_VERIFY(latest(readings)->indexOfUid(false, "agent_return") < 0);
    }

    void aServerThatAnswersLateIsReadAgain()
    {
        // Kept from running for longer than a request waits, as on a busy
        // machine, the server answers late: no reading without its devices
        // stands for it meanwhile, and the one asked for comes once it answers.
        PulseContext ctx;
        QVERIFY(ctx.connectToServer());
        AudioDeviceAgent agent(&ctx);
        QSignalSpy readings(&agent, &AudioDeviceAgent::devicesChanged);
        const int first = agent.refresh();
        QTRY_VERIFY(readingAfter(readings, first));
        const int before = readings.size();
        QVERIFY(!ctx.errorString().contains(QLatin1String("did not answer")));
        int asked = 0;
        {
            TestSupport::StoppedServer stalled;
            QVERIFY(stalled.stop());
            asked = agent.refresh();
            QTRY_VERIFY_WITH_TIMEOUT(ctx.errorString().contains(QLatin1String("did not answer")), 20000);
        }
        QTRY_VERIFY_WITH_TIMEOUT(readingAfter(readings, asked), 20000);
        for (int i = before; i < readings.size(); ++i) {
            const auto *reading = static_cast<const AudioDeviceList *>(readings.at(i).at(0).constData());
            QVERIFY2(reading->indexOfUid(false, "system_sound") >= 0, qPrintable(QString::number(i)));
        }
    }

    void defaultsFollowedWhereTheServerNoLongerReportsThem()
    {
        if (!TestSupport::soundServerIsPipeWire())
            QSKIP("PulseAudio reports every change of the defaults");
        PulseContext ctx;
        QVERIFY(ctx.connectToServer());
        // A server started again reports changes again, for the tests after this one.
        auto restart = qScopeGuard([] {
            TestSupport::controlSoundServer(QStringLiteral("stop"));
            TestSupport::controlSoundServer(QStringLiteral("start"));
        });
        QVERIFY(TestSupport::stopDefaultReports());
        AudioDeviceAgent agent(&ctx);
        QSignalSpy readings(&agent, &AudioDeviceAgent::devicesChanged);
        auto defaultOutput = [&] {
            const AudioDeviceList *l = latest(readings);
            const AudioDeviceInfo *d = l ? l->info(false, l->defaultIndex(false)) : nullptr;
            return d ? d->uid : QByteArray();
        };
        const int asked = agent.post([](MacAudioDevice &d) {
            d.refresh();
            d.setDefaultDevice(false, d.devices().indexOfUid(false, "mic_feed"));
        });
        QTRY_VERIFY(readingAfter(readings, asked));
        QVERIFY(ctx.defaultsUnreported());
        QCOMPARE(defaultOutput(), QByteArray("mic_feed"));
        QCOMPARE(TestSupport::serverDefault(), QByteArray("mic_feed"));
        // Another client's choice reaches the readings unasked.
        QCOMPARE(pactl({QStringLiteral("set-default-sink"), QStringLiteral("system_sound")}), QByteArray());
        QTRY_COMPARE(defaultOutput(), QByteArray("system_sound"));
    }

    void finishCarriesOutTheJobBeforeReturning()
    {
        bool ran = false;
        {
            AudioDeviceAgent agent;
            agent.post([](MacAudioDevice &d) {
                d.refresh();
                d.setDefaultDevice(false, d.devices().indexOfUid(false, "mic_feed"));
            });
            agent.finish([&ran](MacAudioDevice &d) {
                // Queued behind the job before it.
                ran = d.refresh() && d.devices().defaultIndex(false) == d.devices().indexOfUid(false, "mic_feed");
            });
            QVERIFY(ran);
            QCOMPARE(TestSupport::serverDefault(), QByteArray("mic_feed"));
            // After the end nothing more runs.
            ran = false;
            agent.post([&ran](MacAudioDevice &) { ran = true; });
        }
        QVERIFY(!ran);
        QVERIFY(PulseServer().setDefaultSink("system_sound"));
    }
};

QTEST_GUILESS_MAIN(AudioDeviceAgentTest)
#include "tst_audiodeviceagent.moc"
