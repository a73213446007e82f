// System sound follows the user's choice of output: a recording of what
// plays on the computer goes on with what plays on the output another client
// makes the default, the user hears it there, and the gaps are short; the
// next recording starts on the chosen output, also when the user chose it
// while no recording ran. When
// the program gives the device up, the output the user chose last stays the
// default.

#include "mediaprobe.h"
#include "recordformats.h"
#include "recordingchecks.h"
#include "recordingsetup.h"
#include "recordingtools.h"
#include "testsupport.h"

#include "common/qconvertersetting.h"
#include "platform/audio/loopbackdevice.h"
#include "platform/audio/pulsecapturestream.h"
#include "platform/audio/pulsecontext.h"
#include "platform/audio/pulseserver.h"
#include "recorder/qrecordobject.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

// Runs of silence (10 ms windows without sound) between the first and the
// last sound, longest first, in seconds.
QVector<double> silentRuns(const QVector<float> &mono)
{
    constexpr int window = 441;
    QVector<bool> loud;
    for (int at = 0; at + window <= mono.size(); at += window) {
        float peak = 0;
        for (int i = at; i < at + window; ++i)
            peak = std::max(peak, std::fabs(mono[i]));
        loud << (peak > 0.05f);
    }
    const int first = loud.indexOf(true);
    const int last = loud.lastIndexOf(true);
    QVector<double> runs;
    int run = 0;
    for (int i = first; first >= 0 && i <= last; ++i) {
        if (!loud[i]) {
            ++run;
        } else if (run > 0) {
            runs << run * 0.01;
            run = 0;
        }
    }
    std::sort(runs.begin(), runs.end(), std::greater<double>());
    return runs;
}

// Share of the 100 ms windows that hold the tone and little else; with
// Sounding, of those windows only that are not silent.
enum class Windows { All, Sounding };
double toneWindows(const QVector<float> &mono, double frequency, Windows of = Windows::All)
{
    constexpr int window = 4410;
    int windows = 0, clean = 0;
    for (int at = 0; at + window <= mono.size(); at += window) {
        const float *s = mono.constData() + at;
        if (of == Windows::Sounding && *std::max_element(s, s + window) <= 0.05f)
            continue;
        ++windows;
        const double total = TestSupport::rms(s, window);
        const double share = total > 0 ? 2.0 * TestSupport::goertzelPower(s, window, frequency, 44100) / (total * total) : 0;
        clean += share > 0.8;
    }
    return windows ? double(clean) / windows : 0.0;
}

// Another client sets the default output; true once the server reports it
// (the session manager applies it a moment after the server answered).
bool setDefault(const QByteArray &sink)
{
    return TestSupport::runProgram("pactl", {"set-default-sink", QString::fromLatin1(sink)}) == 0
           && QTest::qWaitFor([&] { return TestSupport::serverDefault() == sink; }, 10000);
}

} // namespace

using namespace RecordingChecks;
using TestSupport::Playback;

class TestFollowOutput : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void recordingFollowsTheChosenOutput();
    void anOutputChosenWhileIdleIsRecorded();
    // Last: the connection of this process stays untold afterwards.
    void followsAChoiceTheServerNoLongerReports();

private:
    QTemporaryDir m_dir;
    QString m_tone;
    quint32 m_headphones = 0xffffffffu;
};

void TestFollowOutput::initTestCase()
{
    QConverterSetting::InitSetting();
    QConverterSetting::m_attributeSetting = QConverterSetting::m_audioSetting;
    m_tone = m_dir.filePath("440.wav");
    QVERIFY(TestSupport::writeToneWav(m_tone, 440, 60.0, 44100, 2, 0.5));
    PulseServer server;
    m_headphones = server.loadModule(
        "module-null-sink",
        "sink_name=headphones format=float32le rate=44100 channels=2 norewinds=1 "
            + PulseServer::descriptionArgument("sink_properties", "Headphones"));
    QVERIFY2(m_headphones != 0xffffffffu, qPrintable(server.errorString()));
}

void TestFollowOutput::cleanupTestCase()
{
    LoopbackDevice::instance()->restore();
    PulseServer().unloadModule(m_headphones);
    setDefault("system_sound");
}

void TestFollowOutput::recordingFollowsTheChosenOutput()
{
    useFormat(formatNamed("wav"));
    TestSupport::useSources(true, false);
    LoopbackDevice *device = LoopbackDevice::instance();
    QVERIFY2(device->makeDefault(), qPrintable(device->errorString()));
    QCOMPARE(TestSupport::serverDefault(), QByteArray("rzaudio_device"));

    // What the user hears on the headphones, all along.
    PulseCaptureStream heard;
    QVERIFY2(heard.start("headphones.monitor"), qPrintable(heard.errorString()));

    QRecordObject rec;
    QSignalSpy errors(&rec, &QRecordObject::emitRecordError);
    const QString path = m_dir.filePath("followed.wav");
    // Whatever plays on the computer: a player that goes where the default goes.
    Playback music(m_tone);
    QVERIFY(music.waitPlaying());
    QVERIFY2(rec.startRecorder(path, 100.0f, false), qPrintable(rec.errorString()));
    auto recordFor = [&](double seconds) {
        const quint64 until = rec.recordedTime() + quint64(seconds * 1e6);
        return QTest::qWaitFor([&] { return rec.recordedTime() >= until; }, int(seconds * 1000) + 10000);
    };
    QVERIFY(recordFor(2.0));
    // The user picks the headphones in the desktop's sound settings.
    QVERIFY(setDefault("headphones"));
    QVERIFY(recordFor(2.0));
    // Back to the program's device: heard through its loop on the headphones.
    QVERIFY(setDefault("rzaudio_device"));
    QVERIFY(recordFor(2.0));
    // And the headphones again, the last choice.
    QVERIFY(setDefault("headphones"));
    QVERIFY(recordFor(2.0));
    QVERIFY(TestSupport::stopRecording(rec));
    QCOMPARE(errors.size(), 0);

    const MediaProbe::Decoded d = MediaProbe::decode(path);
    const QVector<double> gaps = silentRuns(d.mono);
    const double tone = MediaProbe::toneSeconds(d.mono);
    // The gaps are judged above: the sound between them is the tone alone.
    const double clean = toneWindows(d.mono, 440, Windows::Sounding);
    qInfo("recorded %.3f s, tone in %.3f s, clean in %.0f %% of it; longest gaps %.3f s, %.3f s, %.3f s",
          d.seconds(), tone, clean * 100, gaps.value(0), gaps.value(1), gaps.value(2));
    QVERIFY(d.seconds() >= 7.5);
    // It followed: its last second came from the headphones. Only the three
    // switches may lose sound, each up to 1.5 s: the new output's capture
    // starts once the server has told the program, and the player is moved
    // there once the session manager did it, both later on a busy machine.
    const double lastSecond = MediaProbe::toneSeconds(d.mono.mid(d.mono.size() - 44100));
    QVERIFY2(lastSecond >= 0.9, qPrintable(QString("tone in %1 s of the last second").arg(lastSecond)));
    QVERIFY2(gaps.value(0) <= 1.5, qPrintable(QString("a gap of %1 s").arg(gaps.value(0))));
    QVERIFY(tone >= d.seconds() - 3 * 1.5);
    QVERIFY(clean > 0.8);

    // The user heard the sound on the headphones from the first switch on.
    std::vector<float> samples;
    heard.take(samples, 0);
    heard.stop();
    QVector<float> mono;
    for (size_t i = 0; i + 1 < samples.size(); i += 2)
        mono << samples[i];
    const double heardTone = MediaProbe::toneSeconds(mono);
    qInfo("heard on the headphones: tone in %.3f s of %.3f s", heardTone, mono.size() / 44100.0);
    QVERIFY(heardTone >= 5.0);

    // The next recording, with nothing changed since, records what plays on
    // the headphones from its start.
    const QString next = m_dir.filePath("next.wav");
    QVERIFY2(rec.startRecorder(next, 100.0f, false), qPrintable(rec.errorString()));
    QVERIFY(recordFor(2.0));
    QVERIFY(TestSupport::stopRecording(rec));
    QCOMPARE(errors.size(), 0);
    const MediaProbe::Decoded n = MediaProbe::decode(next);
    qInfo("next recording: %.3f s, tone in %.3f s", n.seconds(), MediaProbe::toneSeconds(n.mono));
    QVERIFY(MediaProbe::toneSeconds(n.mono) >= n.seconds() - 0.5);

    // The program gives the device up: the user's last choice stays the default.
    QVERIFY2(device->restore(), qPrintable(device->errorString()));
    QCOMPARE(TestSupport::serverDefault(), QByteArray("headphones"));
}

void TestFollowOutput::anOutputChosenWhileIdleIsRecorded()
{
    useFormat(formatNamed("wav"));
    TestSupport::useSources(true, false);
    QVERIFY(setDefault("system_sound"));
    LoopbackDevice *device = LoopbackDevice::instance();
    QVERIFY2(device->makeDefault(), qPrintable(device->errorString()));
    QCOMPARE(TestSupport::serverDefault(), QByteArray("rzaudio_device"));

    QRecordObject rec;
    QSignalSpy errors(&rec, &QRecordObject::emitRecordError);
    auto recordFor = [&](double seconds) {
        const quint64 until = rec.recordedTime() + quint64(seconds * 1e6);
        return QTest::qWaitFor([&] { return rec.recordedTime() >= until; }, int(seconds * 1000) + 10000);
    };
    // A recording while the device is the default, then none while the user
    // picks the headphones in the desktop's sound settings.
    QVERIFY2(rec.startRecorder(m_dir.filePath("before.wav"), 100.0f, false), qPrintable(rec.errorString()));
    QVERIFY(recordFor(0.5));
    QVERIFY(TestSupport::stopRecording(rec));
    QVERIFY(setDefault("headphones"));

    // The first Start since records what plays on the headphones.
    const QString path = m_dir.filePath("idle-chosen.wav");
    QVERIFY2(rec.startRecorder(path, 100.0f, false), qPrintable(rec.errorString()));
    {
        Playback music(m_tone, "headphones");
        QVERIFY(music.waitPlaying());
        QVERIFY(recordFor(2.5));
        QVERIFY(TestSupport::stopRecording(rec));
    }
    QCOMPARE(errors.size(), 0);
    const MediaProbe::Decoded d = MediaProbe::decode(path);
    const double tone = MediaProbe::toneSeconds(d.mono);
    qInfo("chosen while idle: recorded %.3f s, tone in %.3f s", d.seconds(), tone);
    QVERIFY(d.seconds() >= 2.0);
    QVERIFY2(tone >= 1.5, qPrintable(QString("tone in %1 s").arg(tone)));
    QVERIFY(toneWindows(d.mono, 440) > 0.5);
    // The user's choice stays the default.
    QCOMPARE(TestSupport::serverDefault(), QByteArray("headphones"));

    // The device chosen again while idle: recorded from, and heard through
    // its loop on the output the user chose last.
    QVERIFY(setDefault("rzaudio_device"));
    PulseCaptureStream heard;
    QVERIFY2(heard.start("headphones.monitor"), qPrintable(heard.errorString()));
    const QString back = m_dir.filePath("device-again.wav");
    QVERIFY2(rec.startRecorder(back, 100.0f, false), qPrintable(rec.errorString()));
    {
        Playback music(m_tone, "rzaudio_device");
        QVERIFY(music.waitPlaying());
        QVERIFY(recordFor(2.5));
        QVERIFY(TestSupport::stopRecording(rec));
    }
    QCOMPARE(errors.size(), 0);
    const MediaProbe::Decoded b = MediaProbe::decode(back);
    qInfo("the device again: recorded %.3f s, tone in %.3f s", b.seconds(), MediaProbe::toneSeconds(b.mono));
    QVERIFY(MediaProbe::toneSeconds(b.mono) >= 1.5);
    std::vector<float> samples;
    heard.take(samples, 0);
    heard.stop();
    QVector<float> mono;
    for (size_t i = 0; i + 1 < samples.size(); i += 2)
        mono << samples[i];
    qInfo("heard on the headphones: tone in %.3f s", MediaProbe::toneSeconds(mono));
    QVERIFY(MediaProbe::toneSeconds(mono) >= 1.0);
    QCOMPARE(TestSupport::serverDefault(), QByteArray("rzaudio_device"));
}

void TestFollowOutput::followsAChoiceTheServerNoLongerReports()
{
    if (!TestSupport::soundServerIsPipeWire())
        QSKIP("PulseAudio reports every change of the defaults");
    // A report an earlier function got late (on a busy machine) may have left
    // the connection untold already: this one starts on a connection that is told.
    PulseContext *ctx = PulseContext::shared();
    if (ctx->defaultsUnreported())
        QVERIFY2(ctx->connectToServer(ctx->serverAddress()), qPrintable(ctx->errorString()));
    useFormat(formatNamed("wav"));
    TestSupport::useSources(true, false);
    QVERIFY(setDefault("system_sound"));
    LoopbackDevice *device = LoopbackDevice::instance();
    QVERIFY2(device->makeDefault(), qPrintable(device->errorString()));
    // Another client leaves at the wrong moment: from now on the server
    // tells this process of no change of the defaults, and says nothing of it.
    QVERIFY(TestSupport::stopDefaultReports());
    // The recording starts on the output this process was told last, so that
    // nothing differs yet when it starts.
    PulseServerInfo told;
    QVERIFY(PulseServer().serverInfo(told));
    QVERIFY(!PulseContext::shared()->defaultsUnreported());
    QVERIFY(setDefault(told.defaultSink));

    QRecordObject rec;
    QSignalSpy errors(&rec, &QRecordObject::emitRecordError);
    auto recordFor = [&](double seconds) {
        const quint64 until = rec.recordedTime() + quint64(seconds * 1e6);
        return QTest::qWaitFor([&] { return rec.recordedTime() >= until; }, int(seconds * 1000) + 10000);
    };
    const QString path = m_dir.filePath("untold.wav");
    {
        // A player that goes where the default goes.
        Playback music(m_tone);
        QVERIFY(music.waitPlaying());
        // A listed stream may still be on its way to the output (on two busy
        // cores PipeWire once left it silent for the whole recording): heard first.
        TestSupport::SourceWitness played(told.defaultSink + ".monitor");
        QVERIFY(played.listening() && MediaProbe::waitHeard(played, 0.3));
        QVERIFY2(rec.startRecorder(path, 100.0f, false), qPrintable(rec.errorString()));
        QVERIFY(recordFor(2.0));
        // The user picks the headphones; the music moves there.
        QVERIFY(setDefault("headphones"));
        QVERIFY(recordFor(5.0));
        QVERIFY(TestSupport::stopRecording(rec));
    }
    QCOMPARE(errors.size(), 0);
    const MediaProbe::Decoded d = MediaProbe::decode(path);
    const double tone = MediaProbe::toneSeconds(d.mono);
    const QVector<float> lastTwo = d.mono.mid(qMax(0, d.mono.size() - 2 * 44100));
    const double toneAtEnd = MediaProbe::toneSeconds(lastTwo);
    qInfo("untold change: recorded %.3f s, tone in %.3f s, in %.3f s of the last two", d.seconds(), tone,
          toneAtEnd);
    QVERIFY(d.seconds() >= 6.5);
    // The recording went on with the headphones within a few seconds.
    QVERIFY2(toneAtEnd >= 1.8, qPrintable(QString("tone in %1 s of the last two").arg(toneAtEnd)));
    QVERIFY2(tone >= d.seconds() - 3.5, qPrintable(QString("tone in %1 s of %2").arg(tone).arg(d.seconds())));
    QCOMPARE(TestSupport::serverDefault(), QByteArray("headphones"));
}

QTEST_MAIN(TestFollowOutput)
#include "tst_followoutput.moc"
