// The loop-back device across processes: a run that crashes with the default
// output on the device is repaired by the next one, and a run ended by SIGINT
// or SIGTERM gives the default output back itself; a run that still lives is
// never repaired, nor its device unloaded, by another. Across a restart of the
// server it comes back when asked, and never unloads another's module by an
// index of the server that went away. On a PipeWire server that no longer
// reports default changes to a connection, defaults are still read right.
#include "platform/audio/loopbackdevice.h"
#include "platform/audio/pulsecontext.h"
#include "platform/audio/pulseserver.h"
#include "testsupport.h"

#include <QProcess>
#include <QtTest>

#include <csignal>

class LoopbackDeviceTest : public QObject
{
    Q_OBJECT
private:
    struct State
    {
        QByteArray defaultSink;
        int loops = 0;
        int deviceSinks = 0;
        QByteArray loopTarget;
        QStringList descriptions;   // of our sinks
    };
    static State state()
    {
        State s;
        s.defaultSink = TestSupport::serverDefault();
        PulseServer server;
        QVector<PulseModuleInfo> modules;
        server.modules(modules);
        for (const PulseModuleInfo &m : modules) {
            if (m.name == "module-loopback") {
                s.loops++;
                for (const QByteArray &a : m.argument.split(' '))
                    if (a.startsWith("sink="))
                        s.loopTarget = a.mid(5);
            }
        }
        QVector<PulseDeviceInfo> sinks;
        server.sinks(sinks);
        for (const PulseDeviceInfo &d : sinks) {
            if (d.name == LoopbackDevice::SinkName) {
                s.deviceSinks++;
                s.descriptions << d.description;
            }
        }
        return s;
    }
    // Modules that load a sink under the device's name: a second one would
    // be listed as "rzaudio_device.2".
    static int deviceModules()
    {
        QVector<PulseModuleInfo> modules;
        if (!PulseServer().modules(modules))
            return -1;
        int n = 0;
        for (const PulseModuleInfo &m : modules)
            n += m.name == "module-null-sink"
                 && m.argument.startsWith(QByteArray("sink_name=") + LoopbackDevice::SinkName + ' ');
        return n;
    }
    // The server acknowledges an unload before it has carried it out.
    static int loops() { return state().loops; }
    static int deviceSinks() { return state().deviceSinks; }
    static QString holder() { return qEnvironmentVariable("VELMORA_BUILD_DIR") + "/bin/loopback_holder"; }

    // Starts a holder and waits until the default output is on the device.
    static bool startHolder(QProcess &p, bool guard)
    {
        p.start(holder(), guard ? QStringList{"--guard"} : QStringList());
        if (!p.waitForStarted(10000) || !p.waitForReadyRead(30000))
            return false;
        return p.readAll().contains("ready");
    }

private slots:
    void crashedRunIsRepaired()
    {
        QProcess p;
        QVERIFY(startHolder(p, false));
        State s = state();
        QCOMPARE(s.defaultSink, QByteArray("rzaudio_device"));
        QCOMPARE(s.loops, 1);
        QCOMPARE(s.loopTarget, QByteArray("system_sound"));
        p.kill();   // no chance to restore anything
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(state().defaultSink, QByteArray("rzaudio_device"));

        // The next run starts: the device must never count as the previous output.
        LoopbackDevice device;
        QVERIFY(device.repairAfterCrash());
        s = state();
        QCOMPARE(s.defaultSink, QByteArray("system_sound"));
        QTRY_COMPARE(loops(), 0);
        QCOMPARE(device.previousOutput(), QByteArray("system_sound"));
        // The crashed run's sink is adopted: installing loads no second one,
        // restoring removes it.
        QVERIFY(device.install());
        QCOMPARE(state().deviceSinks, 1);
        QCOMPARE(state().descriptions, QStringList{"RZAudio Device"});
        QVERIFY(device.makeDefault());
        s = state();
        QCOMPARE(s.defaultSink, QByteArray("rzaudio_device"));
        QCOMPARE(s.loopTarget, QByteArray("system_sound"));
        QVERIFY(device.restore());
        QCOMPARE(state().defaultSink, QByteArray("system_sound"));
        QTRY_COMPARE(loops(), 0);
        QTRY_COMPARE(deviceSinks(), 0);
        QVERIFY(device.restore());   // twice is harmless
    }

    void aLiveUserKeepsItsDeviceUntilTheLastLeaves()
    {
        QProcess p;
        QVERIFY(startHolder(p, false));
        State s = state();
        QCOMPARE(s.defaultSink, QByteArray("rzaudio_device"));
        QCOMPARE(s.loops, 1);
        {
            // A second program starts and ends while the first lives: its
            // device, default and loop are no leftovers, and stay.
            LoopbackDevice second;
            QVERIFY(second.repairAfterCrash());
            QVERIFY(second.install());
            QVERIFY(second.makeDefault());
            QCOMPARE(second.previousOutput(), QByteArray("system_sound"));
            s = state();
            QCOMPARE(s.defaultSink, QByteArray("rzaudio_device"));
            QCOMPARE(s.loops, 1);   // heard once, through the first's loop
            QCOMPARE(s.deviceSinks, 1);
            QVERIFY(second.restore());
            s = state();
            QCOMPARE(s.defaultSink, QByteArray("rzaudio_device"));
            QCOMPARE(s.loops, 1);
            QCOMPARE(s.deviceSinks, 1);
        }
        // The first one is gone (a crash): now the leftovers are repaired.
        p.kill();
        QVERIFY(p.waitForFinished(5000));
        LoopbackDevice next;
        QVERIFY(next.repairAfterCrash());
        QCOMPARE(state().defaultSink, QByteArray("system_sound"));
        QTRY_COMPARE(loops(), 0);
        QVERIFY(next.install());
        QVERIFY(next.restore());   // the last user removes the device
        QTRY_COMPARE(deviceSinks(), 0);
    }

    void theLastUserGivesTheDefaultBackWhenTheFirstCrashed()
    {
        QProcess p;
        QVERIFY(startHolder(p, false));
        LoopbackDevice second;
        QVERIFY(second.repairAfterCrash());
        QVERIFY(second.makeDefault());
        // The first crashes; the second is now the last user.
        p.kill();
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(state().defaultSink, QByteArray("rzaudio_device"));
        QVERIFY(second.restore());
        QCOMPARE(state().defaultSink, QByteArray("system_sound"));
        QTRY_COMPARE(loops(), 0);   // the crashed one's loop too
        QTRY_COMPARE(deviceSinks(), 0);
    }

    void crashLeftoverWithoutRepairStillFindsTheRealOutput()
    {
        QProcess p;
        QVERIFY(startHolder(p, false));
        p.kill();
        QVERIFY(p.waitForFinished(5000));
        // Switching again without a repair: the device, still the default,
        // is not taken for the output to go back to.
        LoopbackDevice device;
        QVERIFY(device.makeDefault());
        QCOMPARE(device.previousOutput(), QByteArray("system_sound"));
        // Its own loop replaced the crashed run's: the sound is heard once.
        QTRY_COMPARE(loops(), 1);
        QCOMPARE(state().loopTarget, QByteArray("system_sound"));
        QVERIFY(device.restore());
        QCOMPARE(state().defaultSink, QByteArray("system_sound"));
        QTRY_COMPARE(loops(), 0);
        QTRY_COMPARE(deviceSinks(), 0);
    }

    void installsOnceAndRestoresEverything()
    {
        LoopbackDevice first, second;
        QVERIFY(first.install());
        QVERIFY(first.install());
        QVERIFY(second.install());   // adopts, loads nothing
        State s = state();
        QCOMPARE(s.deviceSinks, 1);
        // Read back without escapes on either server.
        QCOMPARE(s.descriptions, QStringList{"RZAudio Device"});
        QVERIFY(first.isCurrent());
        QCOMPARE(first.sinkName(), QByteArray("rzaudio_device"));
        QVERIFY(second.makeDefault());
        QCOMPARE(state().defaultSink, QByteArray("rzaudio_device"));
        QVERIFY(second.restore());
        QCOMPARE(state().defaultSink, QByteArray("system_sound"));
        QTRY_COMPARE(deviceSinks(), 0);
        QTRY_COMPARE(loops(), 0);
        QVERIFY(first.restore());   // its module is gone already: no failure
        QVERIFY(!first.isCurrent());
    }

    // A server kept from running (a busy machine) answers the set-up late:
    // its sinks listed late are no proof that the device is missing, and a
    // load it answered late is carried out all the same once it runs.
    // Asked again meanwhile, and once it answers, the device is there once.
    void aServerThatAnswersLateGetsTheDeviceOnce_data()
    {
        QTest::addColumn<bool>("loadedBefore");
        QTest::newRow("no device yet") << false;
        QTest::newRow("the device there already") << true;
    }
    void aServerThatAnswersLateGetsTheDeviceOnce()
    {
        QFETCH(bool, loadedBefore);
        LoopbackDevice first, device;
        if (loadedBefore)
            QVERIFY2(first.install(), qPrintable(first.errorString()));
        {
            TestSupport::StoppedServer stalled;
            QVERIFY(stalled.stop());
            QVERIFY(!device.install());
            QVERIFY(!device.install());
        }
        QVERIFY2(device.install(), qPrintable(device.errorString()));
        // Listed on the connection that asked, after whatever it asked before.
        QCOMPARE(deviceModules(), 1);
        QVERIFY2(device.restore(), qPrintable(device.errorString()));
        QVERIFY(first.restore());
        QTRY_COMPARE(deviceModules(), 0);
    }

    void restartOfTheServer()
    {
        LoopbackDevice device;
        QVERIFY2(device.makeDefault(), qPrintable(device.errorString()));
        QVERIFY(TestSupport::controlSoundServer("stop"));
        QVERIFY(TestSupport::controlSoundServer("start"));
        // Back when asked: our sink, the default output on it, its loop.
        QVERIFY2(device.recover(), qPrintable(device.errorString()));
        State s = state();
        QCOMPARE(s.deviceSinks, 1);
        QCOMPARE(s.defaultSink, QByteArray("rzaudio_device"));
        QCOMPARE(s.loops, 1);
        QCOMPARE(s.loopTarget, QByteArray("system_sound"));
        QVERIFY(!device.recover());   // nothing more to bring back
        quint32 ours = 0xffffffffu;
        {
            QVector<PulseDeviceInfo> sinks;
            PulseServer before;
            QVERIFY(before.sinks(sinks));
            for (const PulseDeviceInfo &d : sinks)
                if (d.name == LoopbackDevice::SinkName)
                    ours = d.ownerModule;
        }

        // Gone again; a module of someone else's now has the index our sink had.
        QVERIFY(TestSupport::controlSoundServer("stop"));
        QVERIFY(TestSupport::controlSoundServer("start"));
        PulseServer server;
        const quint32 other = server.loadModule("module-null-sink", "sink_name=bystander norewinds=1");
        QVERIFY2(other != 0xffffffffu, qPrintable(server.errorString()));
        qInfo("our sink's module was %u before the restart; the bystander's is %u", ours, other);
        QVERIFY(device.restore());
        QVector<PulseModuleInfo> modules;
        QVERIFY(server.modules(modules));
        bool bystanderLoaded = false;
        for (const PulseModuleInfo &m : modules)
            bystanderLoaded |= m.index == other;
        QVERIFY(bystanderLoaded);
        QCOMPARE(state().defaultSink, QByteArray("system_sound"));
        QVERIFY(!device.recover());   // taken away on purpose
        QVERIFY(server.unloadModule(other));
    }

    void defaultsReadRightWhenTheServerStopsReportingThem()
    {
        if (!TestSupport::soundServerIsPipeWire())
            QSKIP("PulseAudio reports every change of the defaults");
        QVERIFY(TestSupport::stopDefaultReports());
        LoopbackDevice device;
        QVERIFY2(device.makeDefault(), qPrintable(device.errorString()));
        QVERIFY(PulseContext::shared()->defaultsUnreported());
        QCOMPARE(TestSupport::serverDefault(), QByteArray("rzaudio_device"));
        QCOMPARE(state().defaultSink, QByteArray("rzaudio_device"));

        // A change made by another client is read as it is.
        QCOMPARE(TestSupport::runProgram("pactl", {"set-default-sink", "mic_feed"}), 0);
        QTRY_COMPARE(state().defaultSink, QByteArray("mic_feed"));
        device.defaultOutputChanged("mic_feed");
        QVERIFY2(device.makeDefault(), qPrintable(device.errorString()));
        QCOMPARE(state().loopTarget, QByteArray("mic_feed"));

        // Restore gives back the output the device took over.
        QVERIFY2(device.restore(), qPrintable(device.errorString()));
        QCOMPARE(TestSupport::serverDefault(), QByteArray("mic_feed"));
        QTRY_COMPARE(deviceSinks(), 0);
        QTRY_COMPARE(loops(), 0);
        QCOMPARE(TestSupport::runProgram("pactl", {"set-default-sink", "system_sound"}), 0);

        // A server started again reports changes again, and a new connection
        // trusts its own reports.
        QVERIFY(TestSupport::controlSoundServer("stop"));
        QVERIFY(TestSupport::controlSoundServer("start"));
        QCOMPARE(state().defaultSink, QByteArray("system_sound"));
        QVERIFY(!PulseContext::shared()->defaultsUnreported());
    }

    void signalsRestoreThePreviousOutput_data()
    {
        QTest::addColumn<int>("sig");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void signalsRestoreThePreviousOutput()
    {
        QFETCH(int, sig);
        QProcess p;
        QVERIFY(startHolder(p, true));
        QCOMPARE(state().defaultSink, QByteArray("rzaudio_device"));
        ::kill(pid_t(p.processId()), sig);
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(p.exitStatus(), QProcess::CrashExit);   // it still ends by the signal
        QCOMPARE(state().defaultSink, QByteArray("system_sound"));
        QTRY_COMPARE(loops(), 0);
        QTRY_COMPARE(deviceSinks(), 0);
    }
};

QTEST_GUILESS_MAIN(LoopbackDeviceTest)
#include "tst_loopbackdevice.moc"
