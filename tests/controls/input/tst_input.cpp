// The input selector against the private sound server: it makes the
// loop-back device the default output and gives the previous output back,
// writes the source masks of the chosen input, lists the microphones by the
// device-name rules, follows devices that come and go, and reads and sets
// the recording volume on the source that is actually recorded.

#include "common/qvideosettingxml.h"
#include "controls/selectrecordinputwgt.h"
#include "platform/audio/loopbackdevice.h"
#include "platform/audio/pulseserver.h"
#include "recorder/qrecordareainfo.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxbaseslider.h"
#include "widgetkit/qjxcombobox.h"
#include "widgetkit/qjxmenu.h"

#include "testsupport.h"

#include <QAction>
#include <QDomDocument>
#include <QFile>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

constexpr quint32 kNoModule = 0xffffffffu;

QRecordAreaInfo *options()
{
    return QRecordAreaInfo::getAreaInfo();
}

QByteArray defaultSink()
{
    PulseServer server;
    PulseServerInfo info;
    return server.serverInfo(info) ? info.defaultSink : QByteArray("?");
}

QByteArray defaultSource()
{
    PulseServer server;
    PulseServerInfo info;
    return server.serverInfo(info) ? info.defaultSource : QByteArray("?");
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
    void devicesThatComeAreListed();
    void realOutputIsGivenBackAfterAnUnrestoredRun();
    void aRemovedOutputFallsBackToARealOne();
    void emptyMicrophoneListTouchesNoDevice();
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
    QVERIFY(!loopSink().isEmpty());
    QCOMPARE(defaultSink(), loopSink());
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
    QCOMPARE(defaultSink(), QByteArray("system_sound"));
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
    QTRY_VERIFY_WITH_TIMEOUT(list->currentIndex() == -1, 2000);
    QVERIFY(!options()->getAudioRecordValid(QRecordAreaInfo::Microphone));
}

void TestInputSelector::choosingAnInputWritesTheMasks()
{
    Modules modules;
    QVERIFY(modules.microphone("second_mic", "Second Microphone") != kNoModule);
    auto selector = std::make_unique<SelectRecordInputWgt>();
    QSignalSpy changed(selector.get(), &SelectRecordInputWgt::emitMicDeviceChange);
    QAction *second = menuEntry(*selector, QStringLiteral("Second Microphone"));
    QVERIFY(second);
    second->trigger();
    QCOMPARE(defaultSource(), QByteArray("second_mic"));
    QVERIFY(!options()->getRecordAudioType(QRecordAreaInfo::SystemSound));
    QVERIFY(!options()->getAudioRecordValid(QRecordAreaInfo::SystemSound));
    QVERIFY(options()->getRecordAudioType(QRecordAreaInfo::Microphone));
    QVERIFY(options()->getAudioRecordValid(QRecordAreaInfo::Microphone));
    QCOMPARE(selector->deviceIndex(), second->data().toInt());
    QCOMPARE(selector->deviceButtonImage(), QStringLiteral("/image/btn_device_mic.png"));
    QCOMPARE(changed.count(), 1);
    auto *list = selector->findChild<QJXComboBox *>(QStringLiteral("m_cmbMicDevice"));
    QCOMPARE(list->currentText(), QStringLiteral("Second Microphone"));

    // Back to system sound: the default input stays.
    menuEntry(*selector, QStringLiteral("System Audio"))->trigger();
    QCOMPARE(defaultSource(), QByteArray("second_mic"));
    QVERIFY(options()->getRecordAudioType(QRecordAreaInfo::SystemSound));
    QVERIFY(!options()->getRecordAudioType(QRecordAreaInfo::Microphone));
    QCOMPARE(selector->deviceIndex(), -1);

    // A microphone chosen last is what the next run finds stored.
    menuEntry(*selector, QStringLiteral("Test Microphone"))->trigger();
    QCOMPARE(defaultSource(), QByteArray("test_microphone"));
    selector.reset();
    QCOMPARE(storedFlag(QStringLiteral("BOOL_SYSTEM_AUDIO_")), QStringLiteral("N"));
    QCOMPARE(storedFlag(QStringLiteral("BOOL_MIC_AUDIO_")), QStringLiteral("Y"));
}

void TestInputSelector::systemVolumeIsTheRecordedMonitors()
{
    SelectRecordInputWgt selector;
    QSignalSpy reported(&selector, &SelectRecordInputWgt::emitSetVolumeValue);
    PulseServer server;
    QVERIFY(server.setMute(true, loopMonitor(), true));
    const int speakers = volumeOf(false, "system_sound");
    selector.OnRecorderVolumeChange(0.3);
    QCOMPARE(volumeOf(true, loopMonitor()), 30);
    QVERIFY(!mutedOf(true, loopMonitor()));
    // What the user hears is left alone.
    QCOMPARE(volumeOf(false, "system_sound"), speakers);
    QTRY_VERIFY_WITH_TIMEOUT(!reported.isEmpty() && reported.last().at(0).toInt() == 30, 1500);
    auto *slider = selector.findChild<QJXBaseSlider *>(QStringLiteral("m_sliderSysVolume"));
    QCOMPARE(slider->value(), 30.0);

    // Fractions become whole percents, kept within the device's range.
    selector.OnRecorderVolumeChange(0.005);
    QCOMPARE(volumeOf(true, loopMonitor()), 1);
    selector.OnRecorderVolumeChange(1.01);
    QCOMPARE(volumeOf(true, loopMonitor()), 100);
    selector.OnRecorderVolumeChange(-0.2);
    QCOMPARE(volumeOf(true, loopMonitor()), 0);
    QCOMPARE(SelectRecordInputWgt::percentOfFraction(0.004), 0);
    QCOMPARE(SelectRecordInputWgt::percentOfFraction(0.5), 50);
    selector.OnRecorderVolumeChange(1.0);
}

void TestInputSelector::microphoneVolumeAndMute()
{
    SelectRecordInputWgt selector;
    menuEntry(selector, QStringLiteral("Test Microphone"))->trigger();
    QSignalSpy reported(&selector, &SelectRecordInputWgt::emitSetVolumeValue);
    PulseServer server;
    QVERIFY(server.setVolume(true, "test_microphone", 70));
    QVERIFY(server.setMute(true, "test_microphone", true));
    auto *slider = selector.findChild<QJXBaseSlider *>(QStringLiteral("m_sliderVolume"));
    // A muted microphone shows 0 but reports its volume.
    QTRY_VERIFY_WITH_TIMEOUT(!reported.isEmpty() && reported.last().at(0).toInt() == 70, 1500);
    QTRY_COMPARE_WITH_TIMEOUT(slider->value(), 0.0, 1000);
    const int monitor = volumeOf(true, loopMonitor());
    selector.OnRecorderVolumeChange(0.5);
    QCOMPARE(volumeOf(true, "test_microphone"), 50);
    QVERIFY(!mutedOf(true, "test_microphone"));
    QCOMPARE(volumeOf(true, loopMonitor()), monitor);
}

void TestInputSelector::devicesThatComeAreListed()
{
    SelectRecordInputWgt selector;
    QSignalSpy changed(&selector, &SelectRecordInputWgt::emitMicDeviceChange);
    Modules modules;
    const quint32 module = modules.microphone("usb_mic", "USB Microphone");
    QVERIFY(module != kNoModule);
    QTRY_VERIFY_WITH_TIMEOUT(changed.count() >= 1, 1500);
    QVERIFY(menuTexts(selector).contains(QStringLiteral("USB Microphone")));
    changed.clear();
    QVERIFY(modules.unload(module));
    QTRY_VERIFY_WITH_TIMEOUT(changed.count() >= 1, 1500);
    QVERIFY(!menuTexts(selector).contains(QStringLiteral("USB Microphone")));
    // Clicking the device button rebuilds and opens the menu.
    auto *button = selector.findChild<QJXBaseButton *>(QStringLiteral("m_btnDevice"));
    QTest::mouseClick(button, Qt::LeftButton);
    QTRY_VERIFY(selector.deviceMenu()->isVisible());
    selector.deviceMenu()->hide();
}

void TestInputSelector::realOutputIsGivenBackAfterAnUnrestoredRun()
{
    Modules modules;
    QVERIFY(modules.output("usb_out", "device.description=Headphones") != kNoModule);
    QVERIFY(modules.output("speakers", "device.description=Speakers device.form_factor=internal")
            != kNoModule);
    // An earlier run left the default output on the loop-back device.
    QVERIFY(LoopbackDevice::instance()->install());
    QVERIFY(PulseServer().setDefaultSink(loopSink()));
    {
        SelectRecordInputWgt selector;
        // Built-in beats plugged-in; the virtual device is never remembered.
        QCOMPARE(selector.realOutputName(), QStringLiteral("Speakers"));
        QCOMPARE(selector.previousOutputName(), QStringLiteral("Speakers"));
        QCOMPARE(defaultSink(), loopSink());
    }
    QCOMPARE(defaultSink(), QByteArray("speakers"));
}

void TestInputSelector::aRemovedOutputFallsBackToARealOne()
{
    Modules modules;
    const quint32 spare = modules.output("spare_out", "device.description=Spare");
    QVERIFY(spare != kNoModule);
    QVERIFY(PulseServer().setDefaultSink("spare_out"));
    {
        SelectRecordInputWgt selector;
        QCOMPARE(selector.previousOutputName(), QStringLiteral("Spare"));
        QCOMPARE(selector.realOutputName(), QStringLiteral("System Sound"));
        QCOMPARE(defaultSink(), loopSink());
        QVERIFY(modules.unload(spare));
    }
    // Not left on the virtual device: the first real output takes over.
    QCOMPARE(defaultSink(), QByteArray("system_sound"));
}

void TestInputSelector::emptyMicrophoneListTouchesNoDevice()
{
    SelectRecordInputWgt selector;
    menuEntry(selector, QStringLiteral("Test Microphone"))->trigger();
    QVERIFY(options()->getRecordAudioType(QRecordAreaInfo::Microphone));
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
    QTRY_VERIFY_WITH_TIMEOUT(changed.count() >= 1, 1500);
    auto *mics = selector.findChild<QJXComboBox *>(QStringLiteral("m_cmbMicDevice"));
    QCOMPARE(mics->count(), 0);
    QVERIFY(!options()->getAudioRecordValid(QRecordAreaInfo::Microphone));
    QVERIFY(options()->getRecordAudioType(QRecordAreaInfo::Microphone));

    QVector<PulseDeviceInfo> before;
    QVERIFY(server.sources(before));
    QVERIFY(server.setVolume(true, loopMonitor(), 80));
    selector.OnRecorderVolumeChange(0.2);
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

void TestInputSelector::screenshots()
{
    QWidget host;
    host.resize(200, 60);
    host.setAutoFillBackground(true);
    QPalette p = host.palette();
    p.setColor(QPalette::Window, QColor(50, 50, 50));
    host.setPalette(p);
    auto *selector = new SelectRecordInputWgt(&host);
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
