// The device model against the private sound server: both lists with the
// loop-back device, switching the default output and back, volume and mute,
// and change detection.
#include "platform/audio/loopbackdevice.h"
#include "platform/audio/pulsecapturestream.h"
#include "platform/audio/pulseplaybackstream.h"
#include "platform/audio/pulseserver.h"
#include "recorder/macaudiodevice.h"
#include "recorder/qaudiodriverinstaller.h"
#include "serverobjects.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QtTest>

class MacAudioDeviceTest : public QObject
{
    Q_OBJECT
private:
    static int indexOf(const MacAudioDevice &d, bool isInput, const QByteArray &uid)
    {
        for (int i = 0; i < d.getDeviceCount(isInput); ++i)
            if (d.getDeviceUID(isInput, i) == uid)
                return i;
        return -1;
    }

private slots:
    void initTestCase()
    {
        // A run that crashed left the default output on its device.
        PulseServer server;
        const quint32 stale = server.loadModule(
            "module-null-sink",
            "sink_name=rzaudio_device norewinds=1 "
                + PulseServer::descriptionArgument("sink_properties", "RZAudio Device"));
        QVERIFY(stale != 0xffffffffu);
        QVERIFY(server.setDefaultSink("rzaudio_device"));
        QVERIFY(QAudioDriverInstaller::installAudioDriverWithPath("/opt//driver/RZAudio Device.driver"));
        QCOMPARE(TestSupport::serverDefault(), QByteArray("system_sound"));
        QVERIFY(QAudioDriverInstaller::installAudioDriverWithPath(QString()));   // no second sink
        QVector<PulseDeviceInfo> sinks;
        QVERIFY(server.sinks(sinks));
        int devices = 0;
        for (const PulseDeviceInfo &d : sinks)
            devices += d.name == "rzaudio_device";
        QCOMPARE(devices, 1);
    }

    void listsShowTheLoopbackDevice()
    {
        MacAudioDevice dev;
        QCOMPARE(dev.getDeviceCount(false), 3);
        QStringList outputs, inputs;
        for (int i = 0; i < dev.getDeviceCount(false); ++i)
            outputs << dev.getDeviceName(false, i);
        for (int i = 0; i < dev.getDeviceCount(true); ++i)
            inputs << dev.getDeviceName(true, i);
        QVERIFY(outputs.contains("RZAudio Device"));
        QVERIFY(outputs.contains("System Sound"));
        QVERIFY(outputs.contains("Microphone Feed"));
        // Inputs: the microphone and the loop-back device's monitor, no other monitor.
        QCOMPARE(inputs.size(), 2);
        QVERIFY(inputs.contains("Test Microphone"));
        QVERIFY(inputs.contains("RZAudio Device"));
        const int loopIn = indexOf(dev, true, "rzaudio_device.monitor");
        QVERIFY(loopIn >= 0);
        QCOMPARE(QByteArray(dev.getDeviceName(true, loopIn)), QByteArray("RZAudio Device"));

        QCOMPARE(QByteArray(dev.getDeviceUID(false, dev.getDefaultIndex(false))),
                 QByteArray("system_sound"));
        QCOMPARE(QByteArray(dev.getDeviceUID(true, dev.getDefaultIndex(true))),
                 QByteArray("test_microphone"));
        QVERIFY(dev.getDeviceName(true, -1) == nullptr);
        QVERIFY(dev.getDeviceName(false, 3) == nullptr);
        QVERIFY(dev.getDeviceInfo(true, 2) == nullptr);
        QVERIFY(!dev.isValid(true, 2));
        QVERIFY(!dev.getDeviceBuiltIn(false, 0));   // null sinks are not part of the computer
        QVERIFY(!dev.isNeedRefresh());
    }

    void switchesTheDefaultOutputAndBack()
    {
        MacAudioDevice dev;
        const int loop = indexOf(dev, false, "rzaudio_device");
        const int speakers = indexOf(dev, false, "system_sound");
        QVERIFY(loop >= 0 && speakers >= 0);
        QVERIFY(!dev.setDefaultDevice(false, 7));
        QCOMPARE(dev.getDefaultIndex(false), speakers);

        QVERIFY(dev.setDefaultDevice(false, loop));
        QCOMPARE(dev.getDefaultIndex(false), loop);
        QCOMPARE(TestSupport::serverDefault(), QByteArray("rzaudio_device"));
        QCOMPARE(TestSupport::modulesNamed("module-loopback"), 1);
        QCOMPARE(LoopbackDevice::instance()->previousOutput(), QByteArray("system_sound"));
        QVERIFY(dev.isNeedRefresh() == false);

        // What plays into the default output is still heard on the speakers.
        PulseCaptureStream speakersHear;
        QVERIFY(speakersHear.start("system_sound.monitor"));
        PulsePlaybackStream play;
        QVERIFY(play.open(QByteArray()));
        const QVector<float> tone = TestSupport::sineTone(440, 0.6);
        QVERIFY(play.write(tone.constData(), tone.size() / 2));
        QVERIFY(play.drain());
        std::vector<float> heard;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 400)
            speakersHear.take(heard, 20);
        speakersHear.stop();
        QVector<float> samples(int(heard.size()));
        std::copy(heard.begin(), heard.end(), samples.begin());
        QVERIFY(TestSupport::rms(samples.constData(), samples.size()) > 0.1);
        QVERIFY(TestSupport::goertzelPowerInterleaved(samples, 2, 440, 44100)
                > 100 * TestSupport::goertzelPowerInterleaved(samples, 2, 1000, 44100));

        // Back to the speakers: the loop goes, the device stays listed.
        QVERIFY(dev.setDefaultDevice(false, speakers));
        QCOMPARE(TestSupport::serverDefault(), QByteArray("system_sound"));
        QTRY_COMPARE(TestSupport::modulesNamed("module-loopback"), 0);
        QVERIFY(LoopbackDevice::instance()->isCurrent());

        // The input side switches too.
        const int loopIn = indexOf(dev, true, "rzaudio_device.monitor");
        const int mic = indexOf(dev, true, "test_microphone");
        QVERIFY(dev.setDefaultDevice(true, loopIn));
        PulseServerInfo info;
        QVERIFY(PulseServer().serverInfo(info));
        QCOMPARE(info.defaultSource, QByteArray("rzaudio_device.monitor"));
        QVERIFY(dev.setDefaultDevice(true, mic));
        QVERIFY(!dev.isNeedRefresh());
    }

    void volumeAndMuteRoundTrip()
    {
        MacAudioDevice dev;
        const int speakers = indexOf(dev, false, "system_sound");
        const int mic = indexOf(dev, true, "test_microphone");
        QVERIFY(dev.setDeviceVolume(false, speakers, 37));
        QCOMPARE(dev.getDeviceVolume(false, speakers), 37);
        QVERIFY(dev.setDeviceVolume(true, mic, 81));
        QCOMPARE(dev.getDeviceVolume(true, mic), 81);
        QCOMPARE(dev.getDeviceVolume(false, speakers), 37);   // sides stay apart
        QVERIFY(dev.setDeviceVolume(false, speakers, 100));
        QCOMPARE(dev.getDeviceVolume(false, speakers), 100);
        QVERIFY(dev.setDeviceVolume(true, mic, 0));
        QCOMPARE(dev.getDeviceVolume(true, mic), 0);
        QVERIFY(dev.setDeviceVolume(true, mic, 100));

        QVERIFY(dev.setDeviceMute(false, speakers, 1));
        QCOMPARE(dev.getDeviceMute(false, speakers), 1);
        QCOMPARE(dev.getDeviceMute(true, mic), 0);
        QVERIFY(dev.setDeviceMute(false, speakers, 0));
        QCOMPARE(dev.getDeviceMute(false, speakers), 0);

        // Out of range and out of scale: refused, nothing touched.
        QVERIFY(!dev.setDeviceVolume(false, speakers, 101));
        QVERIFY(!dev.setDeviceVolume(false, speakers, -1));
        QVERIFY(!dev.setDeviceVolume(false, -1, 50));
        QVERIFY(!dev.setDeviceVolume(true, 99, 50));
        QVERIFY(!dev.setDeviceMute(false, -1, 1));
        QVERIFY(!dev.setDeviceMute(true, 99, 1));
        QCOMPARE(dev.getDeviceVolume(false, 99), -1);
        QCOMPARE(dev.getDeviceMute(true, -1), -1);
        QCOMPARE(dev.getDeviceVolume(false, speakers), 100);
        QCOMPARE(dev.getDeviceMute(false, speakers), 0);
    }

    void noticesChangedAndSwappedDevices()
    {
        PulseServer server;
        const quint32 a = server.loadModule("module-null-sink", "sink_name=swap_a norewinds=1");
        QVERIFY(a != 0xffffffffu);
        MacAudioDevice dev;
        QVERIFY(!dev.isNeedRefresh());
        // Another device in the same place, with the same defaults and counts.
        QVERIFY(server.unloadModule(a));
        const quint32 b = server.loadModule("module-null-sink", "sink_name=swap_b norewinds=1");
        QVERIFY(b != 0xffffffffu);
        QVERIFY(dev.isNeedRefresh());
        QVERIFY(dev.refresh());
        QVERIFY(!dev.isNeedRefresh());
        QVERIFY(indexOf(dev, false, "swap_b") >= 0);
        // A device removed, and a default changed.
        QVERIFY(server.unloadModule(b));
        QVERIFY(dev.isNeedRefresh());
        QVERIFY(dev.refresh());
        QVERIFY(server.setDefaultSink("mic_feed"));
        QVERIFY(dev.isNeedRefresh());
        QVERIFY(server.setDefaultSink("system_sound"));
        QVERIFY(!dev.isNeedRefresh());
    }

    void cleanupTestCase()
    {
        QVERIFY(LoopbackDevice::instance()->restore());
        QTRY_VERIFY(!LoopbackDevice::instance()->isCurrent());
        QCOMPARE(TestSupport::serverDefault(), QByteArray("system_sound"));
    }
};

QTEST_GUILESS_MAIN(MacAudioDeviceTest)
#include "tst_macaudiodevice.moc"
