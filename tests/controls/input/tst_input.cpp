// The input selector against the private sound server: it makes the
// loop-back device the default output and gives the previous output back,
// writes the source masks of the chosen input, lists the microphones by the
// device-name rules, follows devices that come and go from the server's
// reports without ever holding up the GUI thread, leaves an output the user
// chose while it ran as the default, and reads and sets the
// recording volume on the source that is actually recorded. A server that
// answers late delays the set-up, never leaves it undone without a word.

#include "common/qvideosettingxml.h"
#include "controls/selectrecordinputwgt.h"
#include "platform/audio/loopbackdevice.h"
#include "platform/audio/loopbackusers.h"
#include "platform/audio/pulsecontext.h"
#include "platform/audio/pulseserver.h"
#include "recorder/audiodeviceagent.h"
#include "recorder/qrecordaudioobject.h"
#include "recorder/qrecordareainfo.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxbaseslider.h"
#include "widgetkit/qjxcombobox.h"
#include "widgetkit/qjxmenu.h"

#include "testsupport.h"

#include <QAction>
#include <QDomDocument>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>

namespace {

constexpr quint32 kNoModule = 0xffffffffu;

QRecordAreaInfo *options()
{
    return QRecordAreaInfo::getAreaInfo();
}

bool findDevice(bool source, const QByteArray &name, PulseDeviceInfo &out)
{
    PulseServer server;
    QVector<PulseDeviceInfo> list;
    if (!(source ? server.sources(list) : server.sinks(list)))
        return false;
    for (const PulseDeviceInfo &d : list) {
        if (d.name == name) {
            out = d;
            return true;
        }
    }
    return false;
}

int volumeOf(bool source, const QByteArray &name)
{
    PulseDeviceInfo d;
    return findDevice(source, name, d) ? d.volumePercent : -1;
}

bool mutedOf(bool source, const QByteArray &name)
{
    PulseDeviceInfo d;
    return findDevice(source, name, d) && d.muted;
}

// The loop-back device's sink and the monitor recorded for system sound.
QByteArray loopSink()
{
    return LoopbackDevice::instance()->sinkName();
}

QByteArray loopMonitor()
{
    return loopSink() + ".monitor";
}

QStringList menuTexts(SelectRecordInputWgt &selector)
{
    QStringList texts;
    for (QAction *a : selector.deviceMenu()->actions())
        texts << a->text();
    return texts;
}

QAction *menuEntry(SelectRecordInputWgt &selector, const QString &text)
{
    for (QAction *a : selector.deviceMenu()->actions()) {
        if (a->text() == text)
            return a;
    }
    return nullptr;
}

QString storedFlag(const QString &key)
{
    QFile file(QVideoSettingXml::preferencesFilePath());
    QDomDocument doc;
    if (!file.open(QIODevice::ReadOnly) || !doc.setContent(&file))
        return QString();
    return doc.documentElement().firstChildElement(QStringLiteral("XML_AUDIO_RECORD_TYPE")).attribute(key);
}

// Runs this thread's event loop until ready() holds; false after timeoutMs,
// which only bounds a failure: the device thread's round trips to the sound
// server take seconds on a busy machine. QTest's own waits sleep 10 ms
// between passes over the events, which a stall probe would count against
// the code under test. ready() is asked every 10 ms, not every 1: woken a
// thousand times a second, this thread starves the device thread and the
// sound connection's thread on a busy machine, until their round trips pass
// the requests' time-out and count as unanswered.
constexpr int kCheckMs = 10;

template<class Pred>
bool waitFor(Pred ready, int timeoutMs = 30000)
{
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (ready())
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    check.start(kCheckMs);
    if (!ready())
        loop.exec();
    return ready();
}

// The selector has set up the loop-back device and shows its reading.
bool ready(SelectRecordInputWgt &selector)
{
    return waitFor([&] { return selector.devicesReady(); });
}

// Waits until the selector has been handed a reading made after everything
// asked of its device thread so far.
bool settled(SelectRecordInputWgt &selector)
{
    auto *agent = selector.findChild<AudioDeviceAgent *>();
    if (!agent)
        return false;
    QSignalSpy readings(agent, &AudioDeviceAgent::devicesChanged);
    const int job = agent->refresh();
    return waitFor([&] {
        for (const QList<QVariant> &r : readings) {
            if (r.at(1).toInt() >= job)
                return true;
        }
        return false;
    });
}

bool listsOutput(SelectRecordInputWgt &selector, const QByteArray &uid)
{
    return selector.devices().indexOfUid(false, uid) >= 0;
}

QByteArray defaultOutputOf(SelectRecordInputWgt &selector)
{
    const AudioDeviceInfo *d = selector.devices().info(false, selector.devices().defaultIndex(false));
    return d ? d->uid : QByteArray();
}

// pactl as another client of the server, run without blocking this thread:
// the event loop goes on while it runs. Its output, trimmed; "failed" when
// it did not succeed.
QByteArray pactl(const QStringList &args)
{
    QProcess process;
    process.start(QStringLiteral("pactl"), args);
    if (!waitFor([&] { return process.state() == QProcess::NotRunning; })
        || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QByteArray("failed");
    return process.readAllStandardOutput().trimmed();
}

// Counts the requests the sound server did not answer in time, by what is
// logged of them, while it lives, and keeps the warnings logged meanwhile.
class UnansweredRequests
{
public:
    UnansweredRequests()
    {
        s_count = 0;
        s_warnings.clear();
        s_previous = qInstallMessageHandler(keep);
    }
    ~UnansweredRequests() { qInstallMessageHandler(s_previous); }
    int count() const { return s_count; }
    // The warnings logged that contain part.
    QStringList warnings(const QString &part) const
    {
        std::lock_guard<std::mutex> guard(s_mutex);
        return s_warnings.filter(part);
    }

private:
    static void keep(QtMsgType type, const QMessageLogContext &context, const QString &text)
    {
        if (text.contains(QLatin1String("did not answer within")))
            ++s_count;
        if (type == QtWarningMsg) {
            std::lock_guard<std::mutex> guard(s_mutex);
            s_warnings << text;
        }
        s_previous(type, context, text);
    }
    static inline QtMessageHandler s_previous = nullptr;
    static inline std::atomic<int> s_count{0};
    static inline std::mutex s_mutex;
    static inline QStringList s_warnings;
};

// The sinks that are the loop-back device: more than one is a device loaded
// twice; -1 when the server cannot be asked.
int loopSinks()
{
    QVector<PulseDeviceInfo> sinks;
    if (!PulseServer().sinks(sinks))
        return -1;
    int count = 0;
    for (const PulseDeviceInfo &s : qAsConst(sinks))
        count += s.name.startsWith(LoopbackDevice::SinkName) ? 1 : 0;
    return count;
}

// The longest gap between the ticks of a 5 ms timer on this thread's event
// loop, less the time the thread waited on the kernel's run queue within it:
// how long the thread was kept from its events by its own work or a wait.
// A loaded machine that keeps the runnable thread from a processor is not
// the thread's stall.
class StallProbe
{
public:
    StallProbe()
        : m_schedstat(::open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC))
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
        m_clock.start();
        m_last = 0;
        m_lastWait = runQueueWaitNs();
        m_timer.start(5);
    }
    ~StallProbe()
    {
        if (m_schedstat >= 0)
            ::close(m_schedstat);
    }
    StallProbe(const StallProbe &) = delete;
    StallProbe &operator=(const StallProbe &) = delete;
    qint64 longestMs()
    {
        tick();
        return m_longest / 1000000;
    }
    qint64 waitedMs() const { return m_waited / 1000000; }

private:
    // The second field: nanoseconds this thread spent runnable but not running.
    qint64 runQueueWaitNs() const
    {
        char text[128];
        const ssize_t n = m_schedstat >= 0 ? ::pread(m_schedstat, text, sizeof text - 1, 0) : -1;
        if (n <= 0)
            return 0;
        text[n] = '\0';
        unsigned long long ran = 0, waited = 0;
        return std::sscanf(text, "%llu %llu", &ran, &waited) == 2 ? qint64(waited) : 0;
    }
    void tick()
    {
        const qint64 now = m_clock.nsecsElapsed();
        const qint64 wait = runQueueWaitNs();
        m_longest = qMax(m_longest, now - m_last - (wait - m_lastWait));
        m_waited += wait - m_lastWait;
        m_last = now;
        m_lastWait = wait;
    }
    QTimer m_timer;
    QElapsedTimer m_clock;
    const int m_schedstat;
    qint64 m_last = 0;
    qint64 m_lastWait = 0;
    qint64 m_longest = 0;
    qint64 m_waited = 0;
};

// Modules a test loads, unloaded when it ends.
class Modules
{
public:
    ~Modules()
    {
        PulseServer server;
        for (quint32 m : m_loaded)
            server.unloadModule(m);
    }
    quint32 load(const QByteArray &name, const QByteArray &args)
    {
        PulseServer server;
        const quint32 m = server.loadModule(name, args);
        if (m != kNoModule)
            m_loaded.prepend(m);
        return m;
    }
    bool unload(quint32 module)
    {
        m_loaded.removeAll(module);
        return PulseServer().unloadModule(module);
    }
    // Loaded by another client; unloaded here if the test ends early.
    void adopt(quint32 module) { m_loaded.prepend(module); }
    void forget(quint32 module) { m_loaded.removeAll(module); }
    quint32 microphone(const QByteArray &sourceName, const QString &description)
    {
        return load("module-remap-source",
                    "master=mic_feed.monitor source_name=" + sourceName + ' '
                        + PulseServer::descriptionArgument("source_properties", description));
    }
    quint32 output(const QByteArray &sinkName, const QByteArray &properties)
    {
        return load("module-null-sink", "sink_name=" + sinkName + " sink_properties=\"" + properties
                                            + "\" format=float32le rate=44100 channels=2 norewinds=1");
    }

private:
    QList<quint32> m_loaded;
};

} // namespace

class TestInputSelector : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void startsOnSystemSoundWithTheLoopbackAsOutput();
    void microphonesFollowTheNameRules();
    void choosingAnInputWritesTheMasks();
    void systemVolumeIsTheRecordedMonitors();
    void microphoneVolumeAndMute();
    void followsTheServerWithoutStallingTheGuiThread();
    void realOutputIsGivenBackAfterAnUnrestoredRun_data();
    void realOutputIsGivenBackAfterAnUnrestoredRun();
    void theDeviceIsSetUpOnceTheServerAnswers_data();
    void theDeviceIsSetUpOnceTheServerAnswers();
    void aRemovedOutputFallsBackToARealOne();
    void theOutputTheUserChoseStaysTheDefault();
    void aCaptureAfterAnIdleChoiceLeavesTheSelectorRight();
    void emptyMicrophoneListTouchesNoDevice();
    void theButtonShowsTheChosenSourceAtOnce();
    void screenshots();
};

void TestInputSelector::init()
{
    QFile::remove(QVideoSettingXml::preferencesFilePath());
    PulseServer server;
    QVERIFY(server.setDefaultSink("system_sound"));
    QVERIFY(server.setDefaultSource("test_microphone"));
    QVERIFY(server.setVolume(true, "test_microphone", 100));
    QVERIFY(server.setMute(true, "test_microphone", false));
}

void TestInputSelector::startsOnSystemSoundWithTheLoopbackAsOutput()
{
    // Flags stored by an earlier run only decide the hidden toggles.
    QVERIFY(QVideoSettingXml::SetItemValue(QStringLiteral("XML_AUDIO_RECORD_TYPE"),
                                           QStringLiteral("BOOL_SYSTEM_AUDIO_"), QStringLiteral("N")));
    QVERIFY(QVideoSettingXml::SetItemValue(QStringLiteral("XML_AUDIO_RECORD_TYPE"),
                                           QStringLiteral("BOOL_MIC_AUDIO_"), QStringLiteral("Y")));
    auto selector = std::make_unique<SelectRecordInputWgt>();
    // System sound is chosen at once; the devices follow from the device thread.
    QVERIFY(options()->getRecordAudioType(QRecordAreaInfo::SystemSound));
    QVERIFY(ready(*selector));
    QVERIFY(!loopSink().isEmpty());
    QCOMPARE(TestSupport::serverDefault(), loopSink());
    QCOMPARE(defaultOutputOf(*selector), loopSink());
    QCOMPARE(selector->previousOutputName(), QStringLiteral("System Sound"));
    QVERIFY(options()->getRecordAudioType(QRecordAreaInfo::SystemSound));
    QVERIFY(options()->getAudioRecordValid(QRecordAreaInfo::SystemSound));
    QVERIFY(!options()->getRecordAudioType(QRecordAreaInfo::Microphone));
    QVERIFY(!options()->getAudioRecordValid(QRecordAreaInfo::Microphone));
    QCOMPARE(selector->deviceIndex(), -1);
    QCOMPARE(selector->deviceButtonImage(), QStringLiteral("/image/btn_device_system.png"));
    // Only the device button shows; the selector has its size.
    auto *button = selector->findChild<QJXBaseButton *>(QStringLiteral("m_btnDevice"));
    QCOMPARE(selector->size(), button->size());

    selector.reset();
    QCOMPARE(TestSupport::serverDefault(), QByteArray("system_sound"));
    QCOMPARE(storedFlag(QStringLiteral("BOOL_SYSTEM_AUDIO_")), QStringLiteral("Y"));
    QCOMPARE(storedFlag(QStringLiteral("BOOL_MIC_AUDIO_")), QStringLiteral("N"));
}

void TestInputSelector::microphonesFollowTheNameRules()
{
    Modules modules;
    QVERIFY(modules.microphone("second_mic", "Second Microphone") != kNoModule);
    QVERIFY(modules.microphone("mirror_mic", "RZAudio Device Mirror") != kNoModule);
    QVERIFY(modules.microphone("lower_mic", "rzaudio device") != kNoModule);
    SelectRecordInputWgt selector;
    QVERIFY(ready(selector));
    const QStringList entries = menuTexts(selector);
    QCOMPARE(entries.first(), QStringLiteral("System Audio"));
    QVERIFY(entries.contains(QStringLiteral("Test Microphone")));
    QVERIFY(entries.contains(QStringLiteral("Second Microphone")));
    // Letter case makes another device; a name that carries the device's never is one.
    QVERIFY(entries.contains(QStringLiteral("rzaudio device")));
    QVERIFY(!entries.contains(QStringLiteral("RZAudio Device Mirror")));
    QVERIFY(!entries.contains(QStringLiteral("RZAudio Device")));
    QCOMPARE(entries.size(), 4);

    auto *list = selector.findChild<QJXComboBox *>(QStringLiteral("m_cmbMicDevice"));
    QCOMPARE(list->count(), 3);
    QCOMPARE(list->currentText(), QStringLiteral("Test Microphone"));

    // The loop-back device's input as the default input is no microphone.
    QVERIFY(PulseServer().setDefaultSource(loopMonitor()));
    QTRY_VERIFY(list->currentIndex() == -1);
    QVERIFY(!options()->getAudioRecordValid(QRecordAreaInfo::Microphone));
}

void TestInputSelector::choosingAnInputWritesTheMasks()
{
    Modules modules;
    QVERIFY(modules.microphone("second_mic", "Second Microphone") != kNoModule);
    auto selector = std::make_unique<SelectRecordInputWgt>();
    QVERIFY(ready(*selector));
    QSignalSpy changed(selector.get(), &SelectRecordInputWgt::emitMicDeviceChange);
    QAction *second = menuEntry(*selector, QStringLiteral("Second Microphone"));
    QVERIFY(second);
    second->trigger();
    QCOMPARE(TestSupport::serverDefaultBecomes("second_mic", 5000, true), QByteArray("second_mic"));
    QVERIFY(!options()->getRecordAudioType(QRecordAreaInfo::SystemSound));
    QVERIFY(!options()->getAudioRecordValid(QRecordAreaInfo::SystemSound));
    QVERIFY(options()->getRecordAudioType(QRecordAreaInfo::Microphone));
    QVERIFY(options()->getAudioRecordValid(QRecordAreaInfo::Microphone));
    QCOMPARE(selector->deviceIndex(), second->data().toInt());
    QCOMPARE(selector->deviceButtonImage(), QStringLiteral("/image/btn_device_mic.png"));
    QCOMPARE(changed.count(), 1);
    auto *list = selector->findChild<QJXComboBox *>(QStringLiteral("m_cmbMicDevice"));
    QCOMPARE(list->currentText(), QStringLiteral("Second Microphone"));

    // The reading after the change keeps the choice and is no device change.
    QVERIFY(settled(*selector));
    QCOMPARE(list->currentText(), QStringLiteral("Second Microphone"));
    QCOMPARE(changed.count(), 1);

    // Back to system sound: the default input stays.
    menuEntry(*selector, QStringLiteral("System Audio"))->trigger();
    QVERIFY(settled(*selector));
    QCOMPARE(TestSupport::serverDefault(true), QByteArray("second_mic"));
    QVERIFY(options()->getRecordAudioType(QRecordAreaInfo::SystemSound));
    QVERIFY(!options()->getRecordAudioType(QRecordAreaInfo::Microphone));
    QCOMPARE(selector->deviceIndex(), -1);

    // A microphone chosen last is what the next run finds stored.
    menuEntry(*selector, QStringLiteral("Test Microphone"))->trigger();
    QCOMPARE(TestSupport::serverDefaultBecomes("test_microphone", 5000, true), QByteArray("test_microphone"));
    selector.reset();
    QCOMPARE(storedFlag(QStringLiteral("BOOL_SYSTEM_AUDIO_")), QStringLiteral("N"));
    QCOMPARE(storedFlag(QStringLiteral("BOOL_MIC_AUDIO_")), QStringLiteral("Y"));
}

void TestInputSelector::systemVolumeIsTheRecordedMonitors()
{
    SelectRecordInputWgt selector;
    QVERIFY(ready(selector));
    QSignalSpy reported(&selector, &SelectRecordInputWgt::emitSetVolumeValue);
    PulseServer server;
    QVERIFY(server.setMute(true, loopMonitor(), true));
    const int speakers = volumeOf(false, "system_sound");
    selector.OnRecorderVolumeChange(0.3);
    QTRY_COMPARE(volumeOf(true, loopMonitor()), 30);
    QTRY_VERIFY(!mutedOf(true, loopMonitor()));
    // What the user hears is left alone.
    QCOMPARE(volumeOf(false, "system_sound"), speakers);
    QTRY_VERIFY(!reported.isEmpty() && reported.last().at(0).toInt() == 30);
    auto *slider = selector.findChild<QJXBaseSlider *>(QStringLiteral("m_sliderSysVolume"));
    QTRY_COMPARE(slider->value(), 30.0);

    // Fractions become whole percents, kept within the device's range.
    selector.OnRecorderVolumeChange(0.005);
    QTRY_COMPARE(volumeOf(true, loopMonitor()), 1);
    selector.OnRecorderVolumeChange(1.01);
    QTRY_COMPARE(volumeOf(true, loopMonitor()), 100);
    selector.OnRecorderVolumeChange(-0.2);
    QTRY_COMPARE(volumeOf(true, loopMonitor()), 0);
    QCOMPARE(SelectRecordInputWgt::percentOfFraction(0.004), 0);
    QCOMPARE(SelectRecordInputWgt::percentOfFraction(0.5), 50);
    selector.OnRecorderVolumeChange(1.0);
    QTRY_COMPARE(volumeOf(true, loopMonitor()), 100);
}

void TestInputSelector::microphoneVolumeAndMute()
{
    SelectRecordInputWgt selector;
    QVERIFY(ready(selector));
    menuEntry(selector, QStringLiteral("Test Microphone"))->trigger();
    QVERIFY(settled(selector));
    QSignalSpy reported(&selector, &SelectRecordInputWgt::emitSetVolumeValue);
    // Changed by another program: the server's report brings the volume back.
    QCOMPARE(pactl({QStringLiteral("set-source-volume"), QStringLiteral("test_microphone"), QStringLiteral("70%")}),
             QByteArray());
    QCOMPARE(pactl({QStringLiteral("set-source-mute"), QStringLiteral("test_microphone"), QStringLiteral("1")}),
             QByteArray());
    auto *slider = selector.findChild<QJXBaseSlider *>(QStringLiteral("m_sliderVolume"));
    // A muted microphone shows 0 but reports its volume.
    QTRY_VERIFY(!reported.isEmpty() && reported.last().at(0).toInt() == 70);
    QTRY_COMPARE(slider->value(), 0.0);
    const int monitor = volumeOf(true, loopMonitor());
    selector.OnRecorderVolumeChange(0.5);
    QTRY_COMPARE(volumeOf(true, "test_microphone"), 50);
    QTRY_VERIFY(!mutedOf(true, "test_microphone"));
    QTRY_COMPARE(slider->value(), 50.0);
    QCOMPARE(volumeOf(true, loopMonitor()), monitor);
}

void TestInputSelector::followsTheServerWithoutStallingTheGuiThread()
{
    Modules modules;
    // Asking the server from here would stall this thread itself: the
    // device is known by the name it is loaded under.
    const QByteArray loop(LoopbackDevice::SinkName);
    StallProbe probe;
    auto selector = std::make_unique<SelectRecordInputWgt>();
    QSignalSpy changed(selector.get(), &SelectRecordInputWgt::emitMicDeviceChange);
    QVERIFY(ready(*selector));
    QCOMPARE(defaultOutputOf(*selector), loop);

    // A headset comes, from another client: an output and its microphone.
    const QByteArray out = pactl({QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                                  QStringLiteral("sink_name=probe_headset"),
                                  QStringLiteral("format=float32le"), QStringLiteral("rate=44100"),
                                  QStringLiteral("channels=2"), QStringLiteral("norewinds=1")});
    QVERIFY2(out.toUInt() > 0, out.constData());
    modules.adopt(out.toUInt());
    const QByteArray mic = pactl({QStringLiteral("load-module"), QStringLiteral("module-remap-source"),
                                  QStringLiteral("master=probe_headset.monitor"),
                                  QStringLiteral("source_name=probe_mic"),
                                  QString::fromLatin1(PulseServer::descriptionArgument(
                                      "source_properties", QStringLiteral("Headset Microphone")))});
    QVERIFY2(mic.toUInt() > 0, mic.constData());
    modules.adopt(mic.toUInt());
    QVERIFY(waitFor([&] { return menuTexts(*selector).contains(QStringLiteral("Headset Microphone")); }));
    QVERIFY(waitFor([&] { return listsOutput(*selector, "probe_headset"); }));
    QVERIFY(changed.count() >= 1);

    // The default output switched away and back.
    QCOMPARE(pactl({QStringLiteral("set-default-sink"), QStringLiteral("system_sound")}), QByteArray());
    QVERIFY(waitFor([&] { return defaultOutputOf(*selector) == QByteArray("system_sound"); }));
    QCOMPARE(pactl({QStringLiteral("set-default-sink"), QString::fromLatin1(loop)}), QByteArray());
    QVERIFY(waitFor([&] { return defaultOutputOf(*selector) == loop; }));

    // The headset goes.
    modules.forget(mic.toUInt());
    QCOMPARE(pactl({QStringLiteral("unload-module"), QString::fromLatin1(mic)}), QByteArray());
    modules.forget(out.toUInt());
    QCOMPARE(pactl({QStringLiteral("unload-module"), QString::fromLatin1(out)}), QByteArray());
    QVERIFY(waitFor([&] { return !menuTexts(*selector).contains(QStringLiteral("Headset Microphone")); }));
    QVERIFY(waitFor([&] { return !listsOutput(*selector, "probe_headset"); }));

    // Clicking the device button opens the menu built from the last reading.
    auto *button = selector->findChild<QJXBaseButton *>(QStringLiteral("m_btnDevice"));
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(waitFor([&] { return selector->deviceMenu()->isVisible(); }));
    selector->deviceMenu()->hide();

    const qint64 longest = probe.longestMs();
    qInfo("longest stall of the GUI thread: %lld ms (it waited %lld ms on the run queue in all)", longest,
          probe.waitedMs());
    QVERIFY2(longest < 50, qPrintable(QStringLiteral("the GUI thread stalled for %1 ms").arg(longest)));
    // Giving the output back at the end is the one wait, and it is done by then.
    selector.reset();
    QCOMPARE(TestSupport::serverDefault(), QByteArray("system_sound"));
}

void TestInputSelector::realOutputIsGivenBackAfterAnUnrestoredRun_data()
{
    QTest::addColumn<bool>("answersLate");
    QTest::newRow("server answers at once") << false;
    // Kept from running for longer than a request waits, as on a busy machine.
    QTest::newRow("server answers late at the start") << true;
}

void TestInputSelector::realOutputIsGivenBackAfterAnUnrestoredRun()
{
    QFETCH(bool, answersLate);
    Modules modules;
    QVERIFY(modules.output("usb_out", "device.description=Headphones") != kNoModule);
    QVERIFY(modules.output("speakers", "device.description=Speakers device.form_factor=internal")
            != kNoModule);
    // An earlier run left the default output on the loop-back device.
    QVERIFY(LoopbackDevice::instance()->install());
    QVERIFY(PulseServer().setDefaultSink(loopSink()));
    {
        UnansweredRequests unanswered;
        TestSupport::StoppedServer stalled;
        if (answersLate)
            QVERIFY(stalled.stop());
        SelectRecordInputWgt selector;
        if (answersLate) {
            // The device thread's first reading, then the one of the outputs found at the start.
            QVERIFY(waitFor([&] { return unanswered.count() >= 2; }));
            stalled.resume();
        }
        QVERIFY(ready(selector));
        // Built-in beats plugged-in; the virtual device is never remembered.
        QCOMPARE(selector.realOutputName(), QStringLiteral("Speakers"));
        QCOMPARE(selector.previousOutputName(), QStringLiteral("Speakers"));
        QCOMPARE(TestSupport::serverDefault(), loopSink());
    }
    QCOMPARE(TestSupport::serverDefault(), QByteArray("speakers"));
}

void TestInputSelector::theDeviceIsSetUpOnceTheServerAnswers_data()
{
    // Requests the server leaves unanswered past their time-out, kept from
    // running as on a busy machine, from the start of the device's set-up.
    QTest::addColumn<int>("lateAnswers");
    // The defaults read to repair an earlier run's, the search for the
    // device and its loading.
    QTest::newRow("late while installing") << 3;
    // And the reading that finds the device to make it the default output.
    QTest::newRow("late until it is made the default") << 4;
}

void TestInputSelector::theDeviceIsSetUpOnceTheServerAnswers()
{
    QFETCH(int, lateAnswers);
    const QByteArray device(LoopbackDevice::SinkName);
    UnansweredRequests log;
    // The set-up waits for this decision; the outputs are read meanwhile.
    LoopbackUsers users(PulseContext::shared());
    auto deciding = std::make_unique<LoopbackUsers::Decision>(users);
    TestSupport::StoppedServer stalled;
    {
        SelectRecordInputWgt selector;
        QVERIFY(waitFor([&] { return !selector.realOutputName().isEmpty(); }));
        QVERIFY(stalled.stop());
        const quint64 before = PulseContext::lateAnswers();
        deciding.reset();
        QVERIFY(waitFor([&] { return PulseContext::lateAnswers() >= before + quint64(lateAnswers); }, 60000));
        stalled.resume();
        QVERIFY(ready(selector));
        QCOMPARE(TestSupport::serverDefaultBecomes(device, 10000), device);
        QCOMPARE(defaultOutputOf(selector), device);
        // Adopted, not loaded a second time, where a late answer loaded it.
        QCOMPARE(loopSinks(), 1);
        QCOMPARE(selector.previousOutputName(), QStringLiteral("System Sound"));
        // Done once the server answered: nothing failed to tell.
        QVERIFY2(log.warnings(QStringLiteral("input selector:")).isEmpty(),
                 qPrintable(log.warnings(QStringLiteral("input selector:")).join(u'\n')));
    }
    QCOMPARE(TestSupport::serverDefaultBecomes("system_sound", 10000), QByteArray("system_sound"));
    QCOMPARE(loopSinks(), 0);
}

void TestInputSelector::aRemovedOutputFallsBackToARealOne()
{
    Modules modules;
    const quint32 spare = modules.output("spare_out", "device.description=Spare");
    QVERIFY(spare != kNoModule);
    QVERIFY(PulseServer().setDefaultSink("spare_out"));
    UnansweredRequests log;
    {
        SelectRecordInputWgt selector;
        QVERIFY(ready(selector));
        QCOMPARE(selector.previousOutputName(), QStringLiteral("Spare"));
        QCOMPARE(selector.realOutputName(), QStringLiteral("System Sound"));
        QCOMPARE(TestSupport::serverDefault(), loopSink());
        QVERIFY(modules.unload(spare));
    }
    // Not left on the virtual device: the first real output takes over.
    QCOMPARE(TestSupport::serverDefault(), QByteArray("system_sound"));
    // The loop into the removed output went with it: removing the device
    // is no failure.
    QCOMPARE(loopSinks(), 0);
    QVERIFY2(log.warnings(QStringLiteral("input selector:")).isEmpty(),
             qPrintable(log.warnings(QStringLiteral("input selector:")).join(u'\n')));
}

void TestInputSelector::theOutputTheUserChoseStaysTheDefault()
{
    Modules modules;
    QVERIFY(modules.output("usb_out", "device.description=Headphones") != kNoModule);
    {
        SelectRecordInputWgt selector;
        QVERIFY(ready(selector));
        QCOMPARE(TestSupport::serverDefault(), loopSink());
        // The user picks the headphones in the desktop's sound settings.
        QCOMPARE(TestSupport::runProgram("pactl", {"set-default-sink", "usb_out"}), 0);
        QTRY_COMPARE(defaultOutputOf(selector), QByteArray("usb_out"));
    }
    // Not forced back to the output the program found at its start.
    QCOMPARE(TestSupport::serverDefault(), QByteArray("usb_out"));
    QVERIFY(LoopbackDevice::instance()->sinkName().isEmpty());
    QVERIFY(PulseServer().setDefaultSink("system_sound"));
}

void TestInputSelector::aCaptureAfterAnIdleChoiceLeavesTheSelectorRight()
{
    Modules modules;
    QVERIFY(modules.output("usb_out", "device.description=Headphones") != kNoModule);
    {
        SelectRecordInputWgt selector;
        QVERIFY(ready(selector));
        QCOMPARE(TestSupport::serverDefault(), loopSink());
        // The user picks the headphones while nothing is recorded.
        QCOMPARE(TestSupport::runProgram("pactl", {"set-default-sink", "usb_out"}), 0);
        QTRY_COMPARE(defaultOutputOf(selector), QByteArray("usb_out"));
        // System sound is then what plays on the headphones.
        QRecordAudioObject capture(QRecordAudioObject::SystemSoundTrack);
        QVERIFY2(capture.setStart(), qPrintable(capture.errorString()));
        QCOMPARE(capture.sourceName(), QByteArray("usb_out.monitor"));
        capture.setStop();
        // The device is still offered, and the user's choice is the default.
        QVERIFY(waitFor([&] { return listsOutput(selector, loopSink()); }));
        QCOMPARE(defaultOutputOf(selector), QByteArray("usb_out"));
        QCOMPARE(TestSupport::serverDefault(), QByteArray("usb_out"));
    }
    QCOMPARE(TestSupport::serverDefault(), QByteArray("usb_out"));
    {
        // The next start makes the device the default again.
        SelectRecordInputWgt selector;
        QVERIFY(ready(selector));
        QCOMPARE(TestSupport::serverDefault(), loopSink());
        QCOMPARE(defaultOutputOf(selector), loopSink());
        QCOMPARE(selector.previousOutputName(), QStringLiteral("Headphones"));
    }
    QCOMPARE(TestSupport::serverDefault(), QByteArray("usb_out"));
    QVERIFY(PulseServer().setDefaultSink("system_sound"));
}

void TestInputSelector::emptyMicrophoneListTouchesNoDevice()
{
    SelectRecordInputWgt selector;
    QVERIFY(ready(selector));
    menuEntry(selector, QStringLiteral("Test Microphone"))->trigger();
    QVERIFY(options()->getRecordAudioType(QRecordAreaInfo::Microphone));
    QVERIFY(settled(selector));
    QSignalSpy changed(&selector, &SelectRecordInputWgt::emitMicDeviceChange);

    // The only microphone goes away.
    PulseServer server;
    QVector<PulseModuleInfo> list;
    QVERIFY(server.modules(list));
    quint32 micModule = kNoModule;
    QByteArray micArgs;
    for (const PulseModuleInfo &m : list) {
        if (m.name == "module-remap-source" && m.argument.contains("source_name=test_microphone")) {
            micModule = m.index;
            micArgs = m.argument;
        }
    }
    QVERIFY(micModule != kNoModule);
    QVERIFY(server.unloadModule(micModule));
    QTRY_VERIFY(changed.count() >= 1);
    auto *mics = selector.findChild<QJXComboBox *>(QStringLiteral("m_cmbMicDevice"));
    QCOMPARE(mics->count(), 0);
    QVERIFY(!options()->getAudioRecordValid(QRecordAreaInfo::Microphone));
    QVERIFY(options()->getRecordAudioType(QRecordAreaInfo::Microphone));

    QVector<PulseDeviceInfo> before;
    QVERIFY(server.sources(before));
    QVERIFY(server.setVolume(true, loopMonitor(), 80));
    selector.OnRecorderVolumeChange(0.2);
    // Anything it had asked of the device thread is done by then.
    QVERIFY(settled(selector));
    QVector<PulseDeviceInfo> after;
    QVERIFY(server.sources(after));
    QCOMPARE(after.size(), before.size());
    for (int i = 0; i < after.size(); ++i) {
        const int expected = after[i].name == loopMonitor() ? 80 : before[i].volumePercent;
        QCOMPARE(after[i].volumePercent, expected);
    }
    // The microphone comes back for the tests that follow.
    QVERIFY(server.loadModule("module-remap-source", micArgs) != kNoModule);
    PulseDeviceInfo mic;
    QTRY_VERIFY(findDevice(true, "test_microphone", mic));   // PipeWire adds it a moment later
    QVERIFY(server.setDefaultSource("test_microphone"));
}

// What the window shows of the device button: the part of the window's last
// flushed picture under the button, not a fresh rendering of it.
static QImage shownButton(QWidget &window, QWidget *button)
{
    const QRect r(button->mapTo(&window, QPoint(0, 0)), button->size());
    return window.screen()->grabWindow(window.winId(), r.x(), r.y(), r.width(), r.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// The same part of the window painted afresh now.
static QImage renderedButton(QWidget &window, QWidget *button)
{
    const QRect r(button->mapTo(&window, QPoint(0, 0)), button->size());
    return window.grab(r).toImage().convertToFormat(QImage::Format_RGB32);
}

void TestInputSelector::theButtonShowsTheChosenSourceAtOnce()
{
    Modules modules;
    QVERIFY(modules.microphone("second_mic", "Second Microphone") != kNoModule);
    QWidget host;
    host.resize(120, 60);
    auto *selector = new SelectRecordInputWgt(&host);
    QVERIFY(ready(*selector));
    selector->move(20, 18);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    auto *button = selector->findChild<QJXBaseButton *>(QStringLiteral("m_btnDevice"));
    QTRY_COMPARE(shownButton(host, button), renderedButton(host, button));
    const QImage systemPicture = shownButton(host, button);

    // Chosen from the menu, without the pointer ever over the button.
    menuEntry(*selector, QStringLiteral("Second Microphone"))->trigger();
    QCOMPARE(selector->deviceButtonImage(), QStringLiteral("/image/btn_device_mic.png"));
    const QImage micPicture = renderedButton(host, button);
    QVERIFY(micPicture != systemPicture);
    QTRY_COMPARE(shownButton(host, button), micPicture);
    QVERIFY(!TestSupport::saveScreenshot(&host, QStringLiteral("controls_input_selector_microphone")).isEmpty());

    menuEntry(*selector, QStringLiteral("System Audio"))->trigger();
    QTRY_COMPARE(shownButton(host, button), systemPicture);
}

void TestInputSelector::screenshots()
{
    QWidget host;
    host.resize(200, 60);
    host.setAutoFillBackground(true);
    QPalette p = host.palette();
    p.setColor(QPalette::Window, QColor(50, 50, 50));
    host.setPalette(p);
    auto *selector = new SelectRecordInputWgt(&host);
    QVERIFY(ready(*selector));
    selector->move(20, 18);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    QVERIFY(!TestSupport::saveScreenshot(&host, QStringLiteral("controls_input_selector")).isEmpty());
    QJXMenu *menu = selector->deviceMenu();
    menu->popup(QPoint(40, 40));
    QTRY_VERIFY(menu->isVisible());
    QVERIFY(!TestSupport::saveScreenshot(menu, QStringLiteral("controls_input_selector_menu")).isEmpty());
    menu->hide();
}

QTEST_MAIN(TestInputSelector)
#include "tst_input.moc"
