// A recording whose sound server goes away: the file is completed with what
// was recorded before the loss and stored in the history, one error says so,
// and once the server is back the next recording holds the sound again. A
// source that goes away while the server stays ends the recording the same way.

#include "mediaprobe.h"
#include "recordformats.h"
#include "recordingchecks.h"
#include "recordingsetup.h"
#include "recordingtools.h"
#include "testsupport.h"

#include "common/qconvertersetting.h"
#include "platform/audio/loopbackdevice.h"
#include "recorder/qrecordobject.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

struct Heard {
    double seconds = 0;
    double tone = 0;        // seconds in which a tone is clearly present
    double share440 = 0, share1000 = 0;
};

Heard hear(const QString &path)
{
    const MediaProbe::Decoded d = MediaProbe::decode(path);
    Heard h;
    h.seconds = d.seconds();
    h.tone = MediaProbe::toneSeconds(d.mono);
    h.share440 = MediaProbe::toneShareOfTenths(d.mono, 440);
    h.share1000 = MediaProbe::toneShareOfTenths(d.mono, 1000);
    qInfo("%s: %.3f s decoded, tone in %.3f s, 440 Hz %.2f, 1000 Hz %.2f", qPrintable(QFileInfo(path).fileName()),
          h.seconds, h.tone, h.share440, h.share1000);
    return h;
}

} // namespace

using namespace RecordingChecks;
using TestSupport::historyEntries;
using TestSupport::Playback;
using TestSupport::useSources;

class TestRecordRestart : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void recordingAcrossARestart_data();
    void recordingAcrossARestart();
    void lostSourceEndsTheRecording();

private:
    QTemporaryDir m_dir;
    QString m_tone440, m_tone1000;
    bool m_serverStopped = false;
};

void TestRecordRestart::initTestCase()
{
    QConverterSetting::InitSetting();
    QConverterSetting::m_attributeSetting = QConverterSetting::m_audioSetting;
    QVERIFY2(LoopbackDevice::instance()->install(), qPrintable(LoopbackDevice::instance()->errorString()));
    m_tone440 = m_dir.filePath("440.wav");
    m_tone1000 = m_dir.filePath("1000.wav");
    QVERIFY(TestSupport::writeToneWav(m_tone440, 440, 30.0, 44100, 2, 0.5));
    QVERIFY(TestSupport::writeToneWav(m_tone1000, 1000, 30.0, 44100, 2, 0.5));
}

void TestRecordRestart::cleanupTestCase()
{
    LoopbackDevice::instance()->restore();
}

// A row that failed while the server was away brings it back, so that the
// rows after it test what they say.
void TestRecordRestart::cleanup()
{
    if (m_serverStopped)
        QVERIFY(TestSupport::controlSoundServer("start"));
    m_serverStopped = false;
}

void TestRecordRestart::recordingAcrossARestart_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("mixed");
    QTest::newRow("mp3, system sound") << "mp3" << false;
    QTest::newRow("m4a, system sound and microphone") << "aac-m4a" << true;
}

void TestRecordRestart::recordingAcrossARestart()
{
    QFETCH(QString, format);
    QFETCH(bool, mixed);
    const RecordFormat f = formatNamed(format);
    QVERIFY(!f.name.isEmpty());
    useFormat(f);
    useSources(true, mixed);
    const QByteArray sink = LoopbackDevice::SinkName;
    QRecordObject rec;
    QSignalSpy errors(&rec, &QRecordObject::emitRecordError);
    QSignalSpy stored(&rec, &QRecordObject::emitFinishRecordFile);
    const QString before = m_dir.filePath(QString("before-%1.%2").arg(f.name, f.extension));
    double recordedBeforeLoss = 0;
    {
        std::unique_ptr<Playback> mic(mixed ? new Playback(m_tone1000, "mic_feed") : nullptr);
        Playback system(m_tone440, sink);
        QVERIFY(system.waitPlaying() && (!mic || mic->waitPlaying()));
        QVERIFY(rec.startRecorder(before, 100.0f, false));
        QTRY_VERIFY_WITH_TIMEOUT(rec.recordedTime() >= 2000000, 10000);
        recordedBeforeLoss = rec.recordedTime() / 1e6;
        m_serverStopped = true;
        QVERIFY(TestSupport::controlSoundServer("stop"));
        QTRY_COMPARE_WITH_TIMEOUT(errors.size(), 1, 10000);
    }
    const QString message = errors.first().at(0).toString();
    QCOMPARE(message, QString("Recording stopped: the sound server went away. "
                              "What was recorded so far is saved."));
    QCOMPARE(rec.errorString(), message);
    QVERIFY(!rec.isRecording());
    // Stored as after a stop: completed, in the history once, no longer marked.
    QCOMPARE(stored.size(), 1);
    QCOMPARE(historyEntries(before).size(), 1);
    QVERIFY(!markedInProgress(before));
    const Heard lost = hear(before);
    QVERIFY2(lost.seconds >= recordedBeforeLoss - 0.1 && lost.seconds <= recordedBeforeLoss + 2.0,
             qPrintable(QString("%1 s decoded, %2 s recorded before the loss")
                            .arg(lost.seconds).arg(recordedBeforeLoss)));
    QVERIFY(lost.tone >= lost.seconds - 0.5);
    QVERIFY(lost.share440 > (mixed ? 0.3 : 0.8));
    if (mixed)
        QVERIFY(lost.share1000 > 0.3);
    QVERIFY(qAbs(rec.recordedTime() / 1e6 - lost.seconds) <= 0.15);

    // The server comes back without our device; the next recording brings it back.
    m_serverStopped = false;
    QVERIFY(TestSupport::controlSoundServer("start"));
    const QString after = m_dir.filePath(QString("after-%1.%2").arg(f.name, f.extension));
    QVERIFY2(rec.startRecorder(after, 100.0f, false), qPrintable(rec.errorString()));
    {
        std::unique_ptr<Playback> mic(mixed ? new Playback(m_tone1000, "mic_feed") : nullptr);
        Playback system(m_tone440, sink);
        QVERIFY(system.waitPlaying() && (!mic || mic->waitPlaying()));
        const quint64 from = rec.recordedTime();
        QTRY_VERIFY_WITH_TIMEOUT(rec.recordedTime() >= from + 2000000, 10000);
        QVERIFY(TestSupport::stopRecording(rec));
    }
    QCOMPARE(errors.size(), 1);
    QCOMPARE(historyEntries(after).size(), 1);
    const Heard again = hear(after);
    QVERIFY(again.tone >= 1.0);
    QVERIFY(again.share440 > (mixed ? 0.3 : 0.6));
    if (mixed)
        QVERIFY(again.share1000 > 0.3);
}

void TestRecordRestart::lostSourceEndsTheRecording()
{
    useFormat(formatNamed("flac"));
    useSources(true, false);
    LoopbackDevice *loop = LoopbackDevice::instance();
    QVERIFY(loop->install());
    QRecordObject rec;
    QSignalSpy errors(&rec, &QRecordObject::emitRecordError);
    const QString path = m_dir.filePath("device-gone.flac");
    {
        Playback system(m_tone440, LoopbackDevice::SinkName);
        QVERIFY(system.waitPlaying());
        QVERIFY(rec.startRecorder(path, 100.0f, false));
        QTRY_VERIFY_WITH_TIMEOUT(rec.recordedTime() >= 1000000, 10000);
        QVERIFY(loop->restore());
        QTRY_COMPARE_WITH_TIMEOUT(errors.size(), 1, 10000);
    }
    QCOMPARE(errors.first().at(0).toString(),
             QString("Recording stopped: the system sound device went away. "
                     "What was recorded so far is saved."));
    QVERIFY(!rec.isRecording());
    QCOMPARE(historyEntries(path).size(), 1);
    const Heard h = hear(path);
    QVERIFY(h.seconds >= 0.9 && h.share440 > 0.8);
    // Taken away on purpose, the device is not brought back behind the user's back.
    QVERIFY(!rec.startRecorder(m_dir.filePath("no-device.flac"), 100.0f, false));
    QVERIFY(!loop->isCurrent());
    QCOMPARE(errors.size(), 1);
}

QTEST_MAIN(TestRecordRestart)
#include "tst_recordrestart.moc"
