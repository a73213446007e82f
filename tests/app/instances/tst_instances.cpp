// The program binary as users run it, on a virtual display with the private
// sound server. A second copy started and ended while the first records
// leaves the first's recording, device, loop and default output alone; the
// first records on to the end and the last one out gives the default back.
// A sound server frozen mid-recording does not hold a termination up: the
// recording is completed within ten seconds, and the next start gives the
// default output back and says so in its log. An output the user chooses
// while recording is what the recording goes on with, and stays the default;
// one chosen while idle is what the next recording records, and the next
// start makes the device the default again.

#include "mediaprobe.h"
#include "recordingtools.h"
#include "serverobjects.h"
#include "testsupport.h"

#include "app/qterminationwatcher.h"
#include "common/qrecordingmarker.h"
#include "common/qvideosettingxml.h"
#include "platform/audio/pulseserver.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <signal.h>

using TestSupport::modulesNamed;
using TestSupport::sinksNamed;

namespace {

// One copy of the program, its output kept for the checks.
class Program
{
public:
    Program()
    {
        m_proc.setProcessChannelMode(QProcess::MergedChannels);
        m_proc.start(QStringLiteral(VELMORA_PROGRAM), QStringList());
    }
    ~Program()
    {
        if (m_proc.state() != QProcess::NotRunning) {
            m_proc.kill();
            m_proc.waitForFinished(5000);
        }
    }
    qint64 pid() const { return m_proc.processId(); }
    QProcess &process() { return m_proc; }
    QByteArray output()
    {
        m_said += m_proc.readAll();
        return m_said;
    }
    bool said(const QByteArray &text, int ms)
    {
        return QTest::qWaitFor([&] { return output().contains(text); }, ms);
    }
    // Its main window on the display, found by its process.
    QString window()
    {
        QProcess search;
        search.start(QStringLiteral("xdotool"), {"search", "--onlyvisible", "--pid", QString::number(pid())});
        search.waitForFinished(5000);
        return QString::fromLatin1(search.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts).value(0);
    }
    // Clicks the Start Recording button, at its place near the bottom right.
    bool clickStart()
    {
        QString id;
        if (!QTest::qWaitFor([&] { return !(id = window()).isEmpty(); }, 20000))
            return false;
        QProcess geometry;
        geometry.start(QStringLiteral("xdotool"), {"getwindowgeometry", "--shell", id});
        geometry.waitForFinished(5000);
        QMap<QString, int> g;
        for (const QByteArray &line : geometry.readAllStandardOutput().split('\n')) {
            const QList<QByteArray> kv = line.split('=');
            if (kv.size() == 2)
                g[QString::fromLatin1(kv[0])] = kv[1].toInt();
        }
        const int x = g.value("X") + g.value("WIDTH") - 109;
        const int y = g.value("Y") + g.value("HEIGHT") - 48;
        return TestSupport::runProgram("xdotool", {"mousemove", QString::number(x), QString::number(y),
                                                   "click", "1"}) == 0;
    }
    bool terminate(int ms)
    {
        ::kill(pid_t(pid()), SIGTERM);
        return m_proc.waitForFinished(ms);
    }

private:
    QProcess m_proc;
    QByteArray m_said;
};

// The recordings in progress, by the marks in the application data.
QStringList markedPaths()
{
    QStringList paths;
    const QDir dir(QRecordingMarker::folder());
    for (const QString &name : dir.entryList({"*.recording"}, QDir::Files)) {
        QFile f(dir.filePath(name));
        if (f.open(QIODevice::ReadOnly))
            paths << QJsonDocument::fromJson(f.readAll()).object().value("path").toString();
    }
    return paths;
}

int historyEntries(const QString &path)
{
    int n = 0;
    for (const convertedInfo &info : QVideoSettingXml::analysisConvertedInfo())
        n += info.convertedPath == path;
    return n;
}

// The process of the server the program talks to (PulseAudio daemonizes and
// keeps its id in its runtime folder).
qint64 pulseServerProcess()
{
    if (TestSupport::soundServerIsPipeWire())
        return TestSupport::soundServerProcess(QStringLiteral("pipewire-pulse"));
    QFile pid(qEnvironmentVariable("PULSE_RUNTIME_PATH") + QStringLiteral("/pid"));
    return pid.open(QIODevice::ReadOnly) ? pid.readAll().trimmed().toLongLong() : 0;
}

qint64 fileSize(const QString &path)
{
    return QFileInfo(path).size();
}

} // namespace

class TestInstances : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void secondCopyLeavesTheFirstsRecordingAlone();
    void frozenServerDoesNotHoldTheExitUp();
    void recordingFollowsTheOutputTheUserChooses();
    void anOutputChosenWhileIdleIsRecorded();

private:
    // Starts a copy, waits for the device to be the default and starts a
    // recording in it; the recording's path. When chooseFirst is set, the
    // user makes that output the default before clicking Start.
    QString startRecording(Program &program, const QByteArray &chooseFirst = QByteArray());

    QTemporaryDir m_dir;
    QString m_tone;
};

void TestInstances::initTestCase()
{
    m_tone = m_dir.filePath("440.wav");
    QVERIFY(TestSupport::writeToneWav(m_tone, 440, 120.0, 44100, 2, 0.5));
}

QString TestInstances::startRecording(Program &program, const QByteArray &chooseFirst)
{
    if (!program.process().waitForStarted(10000))
        return QString();
    if (!QTest::qWaitFor([] { return TestSupport::serverDefault() == "rzaudio_device"; }, 20000))
        return QString();
    if (!chooseFirst.isEmpty()) {
        // Clicked once the server has it: the session manager applies a
        // choice a moment after the server answered it.
        if (!QTest::qWaitFor([&] { return !program.window().isEmpty(); }, 20000)
            || TestSupport::runProgram("pactl", {"set-default-sink", QString::fromLatin1(chooseFirst)}) != 0
            || !QTest::qWaitFor([&] { return TestSupport::serverDefault() == chooseFirst; }, 10000))
            return QString();
    }
    // The window's devices are set up once the device is the default.
    if (!program.clickStart())
        return QString();
    QStringList marked;
    if (!QTest::qWaitFor([&] { return !(marked = markedPaths()).isEmpty(); }, 10000))
        return QString();
    return marked.first();
}

void TestInstances::secondCopyLeavesTheFirstsRecordingAlone()
{
    QCOMPARE(TestSupport::serverDefault(), QByteArray("system_sound"));
    // Whatever plays on the computer, wherever the default output is.
    TestSupport::Playback music(m_tone);
    QVERIFY(music.waitPlaying());

    Program first;
    const QString path = startRecording(first);
    QVERIFY2(!path.isEmpty(), first.output().constData());
    QElapsedTimer recording;
    recording.start();
    QTRY_VERIFY_WITH_TIMEOUT(fileSize(path) > 100000, 10000);

    {
        Program second;
        QVERIFY(second.process().waitForStarted(10000));
        // It has looked for leftovers and set up its devices.
        QVERIFY2(second.said("in use by another running program; nothing to repair", 20000),
                 second.output().constData());
        QTRY_VERIFY_WITH_TIMEOUT(!second.window().isEmpty(), 20000);
        QCOMPARE(markedPaths(), QStringList{path});
        QVERIFY(!second.output().contains("repaired"));
        QVERIFY(second.terminate(10000));
        QCOMPARE(second.process().exitCode(), 0);
        QVERIFY2(second.output().contains("left as it is for the other program that uses it"),
                 second.output().constData());
    }
    // The first's device, loop and default output stay, and it records on.
    QCOMPARE(TestSupport::serverDefault(), QByteArray("rzaudio_device"));
    QCOMPARE(sinksNamed("rzaudio_device"), 1);
    QCOMPARE(modulesNamed("module-loopback"), 1);
    QCOMPARE(first.process().state(), QProcess::Running);
    QCOMPARE(markedPaths(), QStringList{path});
    const qint64 sizeThen = fileSize(path);
    QTRY_VERIFY_WITH_TIMEOUT(fileSize(path) > sizeThen + 100000, 10000);
    QVERIFY(!first.output().contains("went away"));

    // The last one out completes its recording and gives the default back.
    const double recorded = recording.elapsed() / 1000.0;
    QVERIFY(first.terminate(10000));
    QCOMPARE(first.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(TestSupport::serverDefault(), QByteArray("system_sound"));
    QTRY_COMPARE(sinksNamed("rzaudio_device"), 0);
    QTRY_COMPARE(modulesNamed("module-loopback"), 0);
    QVERIFY(markedPaths().isEmpty());
    QCOMPARE(historyEntries(path), 1);
    const MediaProbe::Decoded d = MediaProbe::decode(path);
    const double tone = MediaProbe::toneSeconds(d.mono);
    qInfo("recorded for %.2f s with a second copy coming and going: %.2f s in the file, tone in %.2f s",
          recorded, d.seconds(), tone);
    QVERIFY(d.seconds() >= recorded - 1.5);
    QVERIFY(tone >= d.seconds() - 1.0);
}

void TestInstances::frozenServerDoesNotHoldTheExitUp()
{
    const QByteArray before = TestSupport::serverDefault();
    QCOMPARE(before, QByteArray("system_sound"));
    const qint64 server = pulseServerProcess();
    QVERIFY(server > 0);
    QString path;
    {
        TestSupport::Playback music(m_tone);
        QVERIFY(music.waitPlaying());
        Program program;
        path = startRecording(program);
        QVERIFY2(!path.isEmpty(), program.output().constData());
        QTRY_VERIFY_WITH_TIMEOUT(fileSize(path) > 200000, 10000);

        QVERIFY(::kill(pid_t(server), SIGSTOP) == 0);
        QElapsedTimer exit;
        exit.start();
        const bool ended = program.terminate(15000);
        const qint64 took = exit.elapsed();
        ::kill(pid_t(server), SIGCONT);
        qInfo("ended %.2f s after SIGTERM with the server frozen", took / 1000.0);
        QVERIFY2(ended, program.output().constData());
        // Ten seconds are promised; the program stops asking the server well before.
        QVERIFY2(took < QTerminationWatcher::kServerWaitMs + 3000, qPrintable(QString::number(took)));
        // Completed and kept, not left to a repair.
        QVERIFY(markedPaths().isEmpty());
        QCOMPARE(historyEntries(path), 1);
        QVERIFY(MediaProbe::decode(path).seconds() >= 1.0);
    }
    // The default output was left on the device; the next start gives it
    // back, says so, and takes it again as its own.
    QCOMPARE(TestSupport::serverDefault(), QByteArray("rzaudio_device"));
    Program next;
    QVERIFY(next.process().waitForStarted(10000));
    QVERIFY2(next.said("ended without giving the default output back", 20000), next.output().constData());
    QVERIFY(next.output().contains(QByteArray("back to ") + '"' + before + '"'));
    QTRY_VERIFY_WITH_TIMEOUT(!next.window().isEmpty(), 20000);
    QCOMPARE(TestSupport::serverDefaultBecomes("rzaudio_device", 20000), QByteArray("rzaudio_device"));
    QVERIFY(next.terminate(10000));
    QCOMPARE(TestSupport::serverDefault(), before);
    QTRY_COMPARE(sinksNamed("rzaudio_device"), 0);
}

void TestInstances::recordingFollowsTheOutputTheUserChooses()
{
    QCOMPARE(TestSupport::serverDefault(), QByteArray("system_sound"));
    PulseServer server;
    const quint32 headphones = server.loadModule(
        "module-null-sink", "sink_name=headphones format=float32le rate=44100 channels=2 norewinds=1");
    QVERIFY2(headphones != 0xffffffffu, qPrintable(server.errorString()));
    // However this case ends, the next one starts on the usual output.
    const auto restore = qScopeGuard([&] {
        server.setDefaultSink("system_sound");
        server.unloadModule(headphones);
    });
    QString path;
    {
        TestSupport::Playback music(m_tone);
        QVERIFY(music.waitPlaying());
        Program program;
        path = startRecording(program);
        QVERIFY2(!path.isEmpty(), program.output().constData());
        QTRY_VERIFY_WITH_TIMEOUT(fileSize(path) > 100000, 10000);
        // A stretch of the first output in the file before the switch.
        const qint64 beforeSwitch = fileSize(path);
        QTRY_VERIFY_WITH_TIMEOUT(fileSize(path) >= beforeSwitch * 3 / 2, 15000);
        // The user picks the headphones in the desktop's sound settings.
        QCOMPARE(TestSupport::runProgram("pactl", {"set-default-sink", "headphones"}), 0);
        QVERIFY2(program.said("the default output is now \"headphones\"", 5000), program.output().constData());
        // And a stretch of the chosen one after it.
        const qint64 afterSwitch = fileSize(path);
        QTRY_VERIFY_WITH_TIMEOUT(fileSize(path) >= afterSwitch + beforeSwitch / 2, 15000);
        QVERIFY(program.terminate(10000));
        QCOMPARE(program.process().exitStatus(), QProcess::NormalExit);
    }
    // The user's choice stays; the device is gone.
    QCOMPARE(TestSupport::serverDefault(), QByteArray("headphones"));
    QTRY_COMPARE(sinksNamed("rzaudio_device"), 0);
    QCOMPARE(historyEntries(path), 1);
    const MediaProbe::Decoded d = MediaProbe::decode(path);
    const double tone = MediaProbe::toneSeconds(d.mono);
    qInfo("the program recorded %.2f s across the change of output, tone in %.2f s", d.seconds(), tone);
    QVERIFY(d.seconds() >= 3.5);
    // It followed: its last second came from the headphones. Only the switch
    // may lose sound: the new output's capture starts once the server has
    // told the program, later on a busy machine.
    const double lastSecond = MediaProbe::toneSeconds(d.mono.mid(d.mono.size() - 44100));
    QVERIFY2(lastSecond >= 0.9, qPrintable(QString::number(lastSecond)));
    QVERIFY(tone >= d.seconds() - 1.5);
}

void TestInstances::anOutputChosenWhileIdleIsRecorded()
{
    QCOMPARE(TestSupport::serverDefault(), QByteArray("system_sound"));
    PulseServer server;
    const quint32 headphones = server.loadModule(
        "module-null-sink", "sink_name=headphones format=float32le rate=44100 channels=2 norewinds=1");
    QVERIFY2(headphones != 0xffffffffu, qPrintable(server.errorString()));
    // However this case ends, the next one starts on the usual output.
    const auto restore = qScopeGuard([&] {
        server.setDefaultSink("system_sound");
        server.unloadModule(headphones);
    });
    QString path;
    QByteArray said;
    {
        // Sound that plays on the headphones only.
        TestSupport::Playback music(m_tone, QStringLiteral("headphones"));
        QVERIFY(music.waitPlaying());
        Program program;
        // The user picks the headphones while the program is idle, then Starts.
        path = startRecording(program, "headphones");
        QVERIFY2(!path.isEmpty(), program.output().constData());
        QTRY_VERIFY_WITH_TIMEOUT(fileSize(path) > 100000, 10000);
        const qint64 sizeThen = fileSize(path);
        QTRY_VERIFY_WITH_TIMEOUT(fileSize(path) > sizeThen + 100000, 10000);
        QVERIFY(program.terminate(10000));
        QCOMPARE(program.process().exitStatus(), QProcess::NormalExit);
        said = program.output();
    }
    QCOMPARE(TestSupport::serverDefault(), QByteArray("headphones"));
    QTRY_COMPARE(sinksNamed("rzaudio_device"), 0);
    QCOMPARE(historyEntries(path), 1);
    const MediaProbe::Decoded d = MediaProbe::decode(path);
    const double tone = MediaProbe::toneSeconds(d.mono);
    qInfo("the program recorded %.2f s after the output was chosen while idle, tone in %.2f s", d.seconds(), tone);
    QVERIFY(d.seconds() >= 1.0);
    QVERIFY2(tone >= d.seconds() - 0.7, said.constData());
    QVERIFY2(said.contains("the default output is now \"headphones\""), said.constData());

    // The next start makes the device the default again, and its exit gives
    // the default back to the headphones the user chose.
    {
        Program next;
        QVERIFY(next.process().waitForStarted(10000));
        QCOMPARE(TestSupport::serverDefaultBecomes("rzaudio_device", 20000), QByteArray("rzaudio_device"));
        QTRY_VERIFY_WITH_TIMEOUT(!next.window().isEmpty(), 20000);
        QVERIFY(next.terminate(10000));
    }
    QCOMPARE(TestSupport::serverDefault(), QByteArray("headphones"));
}

QTEST_MAIN(TestInstances)
#include "tst_instances.moc"
