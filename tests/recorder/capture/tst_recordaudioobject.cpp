// The capture threads against the private sound server: system sound and
// microphone on threads of their own, each holding its own tone; gap-free
// time stamps; the tail of a sound after stop; gain; a missing source; and
// the second-input stream object across a restart of the microphone.
#include "keepingsink.h"
#include "platform/audio/loopbackdevice.h"
#include "platform/audio/pulseplaybackstream.h"
#include "platform/audio/pulseserver.h"
#include "recorder/qrecordareainfo.h"
#include "recorder/qrecordaudioobject.h"
#include "testsupport.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <thread>

namespace {

// Plays a tone into a sink on a thread of its own and waits until it was heard.
class TonePlayer
{
public:
    TonePlayer(const QByteArray &sink, double frequency, double seconds, double amplitude = 0.5)
    {
        m_thread = std::thread([=] {
            PulsePlaybackStream play;
            const QVector<float> tone = TestSupport::sineTone(frequency, seconds, 44100, 2, amplitude);
            // The whole tone fits the server's buffer: a busy machine cannot
            // starve the player into gaps. A busy server may stall for
            // seconds, to every client alike: the player waits it out.
            m_ok = play.open(sink, 44100, 2, int(seconds * 1000) + 500, kServerWaitMs)
                   && play.write(tone.constData(), tone.size() / 2, kServerWaitMs) && play.drain(kServerWaitMs);
            if (!m_ok)
                m_error = play.errorString();
        });
    }
    bool wait()
    {
        m_thread.join();
        if (!m_ok)
            qWarning("the tone was not played: %s", qPrintable(m_error));
        return m_ok;
    }

private:
    static constexpr int kServerWaitMs = 20000;
    std::thread m_thread;
    bool m_ok = false;
    QString m_error;
};

double power(const QVector<float> &s, double f)
{
    return TestSupport::goertzelPowerInterleaved(s, 2, f, 44100);
}

// Frames of the first channel louder than the threshold.
int loudFrames(const QVector<float> &s, float threshold)
{
    int count = 0;
    for (int i = 0; i < s.size(); i += 2)
        count += std::fabs(s[i]) > threshold;
    return count;
}

// The level of a tone's steady middle: the median of the peaks of its 10 ms
// pieces. A short break in the tone on a loaded machine, which PipeWire's
// resampling turns into a ring above the tone's level, moves a piece or two.
double steadyPeak(const QVector<float> &interleaved)
{
    const int piece = 441 * 2;
    int first = -1, last = -1;
    for (int i = 0; i < interleaved.size(); ++i) {
        if (std::fabs(interleaved[i]) > 0.05f) {
            first = first < 0 ? i : first;
            last = i;
        }
    }
    QVector<double> peaks;
    for (int at = first + 10 * piece; first >= 0 && at + piece <= last - 10 * piece; at += piece) {
        double peak = 0;
        for (int i = at; i < at + piece; ++i)
            peak = std::max(peak, double(std::fabs(interleaved[i])));
        peaks << peak;
    }
    if (peaks.isEmpty())
        return 0;
    std::nth_element(peaks.begin(), peaks.begin() + peaks.size() / 2, peaks.end());
    return peaks[peaks.size() / 2];
}

} // namespace

class RecordAudioObjectTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(LoopbackDevice::instance()->makeDefault(),
                 qPrintable(LoopbackDevice::instance()->errorString()));
    }

    void eachSourceOnItsOwnThreadHoldsItsTone()
    {
        KeepingSink systemSound, microphone;
        QRecordAudioObject track1(QRecordAudioObject::SystemSoundTrack);
        QRecordAudioObject track2(QRecordAudioObject::MicrophoneTrack);
        track1.setRecorder(&systemSound);
        track2.setRecorder(&microphone);
        QVERIFY2(track2.setStart(), qPrintable(track2.errorString()));
        QVERIFY2(track1.setStart(), qPrintable(track1.errorString()));
        QCOMPARE(track1.sourceName(), QByteArray("rzaudio_device.monitor"));
        QCOMPARE(track2.sourceName(), QByteArray("test_microphone"));
        // Nothing is taken before the recorder runs, though blocks are captured.
        int levels = 0;
        QObject here;
        connect(&track1, &QRecordAudioObject::emitVolume, &here, [&](int level) { levels += level >= 0; });
        track1.setListend(true);
        QTRY_VERIFY_WITH_TIMEOUT(levels >= 6, 10000);
        QCOMPARE(systemSound.blockCount(), size_t(0));
        track1.setListend(false);
        track1.setStartRecorder(true);
        track2.setStartRecorder(true);

        TonePlayer speakers(QByteArray(), 440, 1.5);   // whatever plays on the computer
        TonePlayer voice("mic_feed", 1000, 1.5);
        QVERIFY(speakers.wait());
        QVERIFY(voice.wait());
        QVERIFY(track1.setStop());
        QVERIFY(track2.setStop());

        const QVector<float> sys = systemSound.copy();
        const QVector<float> mic = microphone.copy();
        QVERIFY2(sys.size() > 2 * 44100, qPrintable(QString::number(sys.size())));
        QVERIFY2(mic.size() > 2 * 44100, qPrintable(QString::number(mic.size())));
        QVERIFY2(power(sys, 440) > 1000 * power(sys, 1000),
                 qPrintable(QString("%1 %2").arg(power(sys, 440)).arg(power(sys, 1000))));
        QVERIFY2(power(mic, 1000) > 1000 * power(mic, 440),
                 qPrintable(QString("%1 %2").arg(power(mic, 1000)).arg(power(mic, 440))));

        QString why;
        QVERIFY2(systemSound.stampsRunWithoutGaps(&why), qPrintable(why));
        QVERIFY2(microphone.stampsRunWithoutGaps(&why), qPrintable(why));
        // One pushing thread each, neither of them this one.
        QCOMPARE(systemSound.threads.size(), size_t(1));
        QCOMPARE(microphone.threads.size(), size_t(1));
        QVERIFY(*systemSound.threads.begin() != *microphone.threads.begin());
        QVERIFY(*systemSound.threads.begin() != std::this_thread::get_id());
        QCOMPARE(track1.overflows(), 0);
    }

    // The pull side hands the captured samples on in order: a 441 Hz tone
    // repeats every 100 frames, so what follows a chunk continues its phase,
    // and a seek of 25 frames shifts it by a quarter period.
    void pullSideReadsTheCapturedToneInOrder()
    {
        constexpr int kFrames = 100;
        constexpr uint32_t kBytes = kFrames * 2 * sizeof(float);
        QRecordAudioObject track1(QRecordAudioObject::SystemSoundTrack);
        track1.setPullBuffer(4 * 44100 * 2 * int(sizeof(float)));
        QCOMPARE(AudioStreamGetLength(&track1), 0xFFFFFFFFu);
        QVERIFY2(track1.setStart(), qPrintable(track1.errorString()));
        track1.setStartRecorder(true);
        TonePlayer speakers(QByteArray(), 441, 1.5);

        auto read = [&](QVector<float> &chunk) {
            chunk.resize(kFrames * 2);
            return AudioStreamRead(&track1, reinterpret_cast<unsigned char *>(chunk.data()), kBytes);
        };
        // A loaded server hands the capture over late: a read before it came
        // would get silence in its place.
        auto arrived = [&] {
            return QTest::qWaitFor([&] { return track1.pullStoredBytes() >= int(kBytes); }, 10000);
        };
        QVector<float> a, c, b;
        float peak = 0;
        // Past the silence before the tone and its first chunk.
        for (int i = 0; i < 44100 * 3 / kFrames && peak < 0.45f; ++i) {
            QCOMPARE(read(a), kBytes);
            peak = *std::max_element(a.begin(), a.end());
        }
        QVERIFY2(peak >= 0.45f, "the tone never arrived");
        QVERIFY(arrived());
        QCOMPARE(read(a), kBytes);
        QVERIFY(arrived());
        QCOMPARE(read(c), kBytes);
        const quint64 at = track1.readPosition();
        QCOMPARE(AudioStreamSeek(&track1, at + 25 * 2 * sizeof(float)), 1);
        QCOMPARE(track1.readPosition(), at + 25 * 2 * sizeof(float));
        QVERIFY(arrived());
        QCOMPARE(read(b), kBytes);
        // A seek past what has arrived lands where it asked all the same:
        // what is skipped before it arrives is dropped as it comes.
        const quint64 ahead = track1.readPosition() + (20 * kFrames + 25) * 2 * sizeof(float);
        QCOMPARE(AudioStreamSeek(&track1, ahead), 1);
        QVector<float> d;
        QVERIFY(arrived());
        QCOMPARE(read(d), kBytes);
        QVERIFY(speakers.wait());
        QVERIFY(track1.setStop());

        float straight = 0, shifted = 0, far = 0;
        for (int i = 0; i < 50; ++i) {
            straight = std::max(straight, std::fabs(c[2 * i] - a[2 * i]));
            shifted = std::max(shifted, std::fabs(b[2 * i] - a[2 * (i + 25)]));
            far = std::max(far, std::fabs(d[2 * i] - a[2 * (i + 50)]));
        }
        QVERIFY2(straight < 0.03f && shifted < 0.03f && far < 0.03f,
                 qPrintable(QString("%1 %2 %3").arg(straight).arg(shifted).arg(far)));
        // Without the seek the chunk would have matched the unshifted one.
        float unshifted = 0;
        for (int i = 0; i < 75; ++i)
            unshifted = std::max(unshifted, std::fabs(b[2 * i] - a[2 * i]));
        QVERIFY(unshifted > 0.3f);
    }

    void tailOfASoundIsPresentAfterStop()
    {
        for (int round = 0; round < 3; ++round) {
            KeepingSink recorder;
            QRecordAudioObject track1(QRecordAudioObject::SystemSoundTrack);
            track1.setRecorder(&recorder);
            QVERIFY(track1.setStart());
            track1.setStartRecorder(true);
            // The recorder is fed before the sound begins.
            QTRY_VERIFY_WITH_TIMEOUT(recorder.blockCount() > 0, 10000);
            TestSupport::SourceWitness device(LoopbackDevice::instance()->sinkName() + ".monitor");
            QVERIFY(device.listening());
            TonePlayer speakers(QByteArray(), 440, 0.5);
            QVERIFY(speakers.wait());
            // A sine of amplitude 0.5 is above 0.05 for all but 2·asin(0.1)/π of its frames.
            const int expected = int(22050 * (1.0 - 2.0 * std::asin(0.1) / M_PI));
            // Stop the moment the whole sound has come out of the device, as
            // another client hears it (the server's drain answers before then
            // on PipeWire, the sooner the busier the machine): the queued
            // blocks and what the server still held must all arrive.
            QTRY_VERIFY_WITH_TIMEOUT(loudFrames(device.heard(), 0.05f) >= expected - 40, 10000);
            QVERIFY(track1.setStop());
            const QVector<float> got = recorder.copy();
            const int loud = loudFrames(got, 0.05f);
            QVERIFY2(std::abs(loud - expected) <= 40,
                     qPrintable(QString("round %1: %2 loud frames of %3").arg(round).arg(loud).arg(expected)));
            QString why;
            QVERIFY2(recorder.stampsRunWithoutGaps(&why), qPrintable(why));
        }
    }

    // A cut: the run goes on; the first recorder gets what was taken up to
    // the hold, the next one all that followed, on a clock of its own.
    void heldRunHandsEverySampleToTheNextRecorder()
    {
        KeepingSink before, after;
        QRecordAudioObject track1(QRecordAudioObject::SystemSoundTrack);
        int levels = 0;
        QObject here;
        connect(&track1, &QRecordAudioObject::emitVolume, &here, [&](int level) { levels += level >= 0; });
        track1.setListend(true);
        track1.setRecorder(&before);
        QVERIFY(!track1.holdForNextRecording());   // nothing runs
        QVERIFY(track1.setStart());
        track1.setStartRecorder(true);
        TonePlayer speakers(QByteArray(), 440, 3.0);
        QTRY_VERIFY_WITH_TIMEOUT(loudFrames(before.copy(), 0.05f) > 11025, 10000);
        QVERIFY(track1.holdForNextRecording());
        QVERIFY(track1.isHolding());
        const size_t handed = before.blockCount();
        // The tone goes on while held: a fifth of a second of blocks is captured.
        const int heard = levels;
        QTRY_VERIFY_WITH_TIMEOUT(levels >= heard + 10, 10000);
        QCOMPARE(before.blockCount(), handed);
        QCOMPARE(after.blockCount(), size_t(0));
        track1.setRecorder(&after);
        track1.setStartRecorder(true);
        QVERIFY(!track1.isHolding());
        // Stopped while the tone still plays: what is judged is the hold, not a stop's tail.
        QTRY_VERIFY_WITH_TIMEOUT(loudFrames(after.copy(), 0.05f) > 11025, 10000);
        QVERIFY(track1.setStop());
        QVERIFY(speakers.wait());

        QString why;
        QVERIFY2(after.stampsRunWithoutGaps(&why), qPrintable(why));
        QCOMPARE(after.stamps.front(), quint64(0));
        const QVector<float> a = before.copy(), b = after.copy();
        // The first recorder's sound ends inside the tone, the next one's begins inside it...
        QVERIFY(TestSupport::rms(a.constData() + a.size() - 882, 882) > 0.3);
        QVERIFY(TestSupport::rms(b.constData(), 882) > 0.3);
        // ...and together they are one seamless tone: not one frame lost or doubled.
        QVector<float> joint = a + b;
        int first = 0;
        while (first < joint.size() / 2 && std::fabs(joint[2 * first]) < 0.05f)
            ++first;
        const int from = 2 * (first + 200);
        QVERIFY(joint.size() - from > 44100);
        QCOMPARE(TestSupport::sineBreaks(joint.constData() + from, joint.size() - from, 2, 440), 0);
    }

    void gainScalesDownOnly()
    {
        auto levelAt = [](float volume) {
            KeepingSink recorder;
            QRecordAudioObject track1(QRecordAudioObject::SystemSoundTrack);
            track1.setRecorder(&recorder);
            track1.setVolume(volume);
            if (!track1.setStart()) {
                qWarning("the capture did not start: %s", qPrintable(track1.errorString()));
                return -1.0;
            }
            track1.setStartRecorder(true);
            TonePlayer speakers(QByteArray(), 440, 0.8);
            if (!speakers.wait())
                return -1.0;
            track1.setStop();
            return steadyPeak(recorder.copy());
        };
        const double full = levelAt(100.0f);
        const double half = levelAt(50.0f);
        const double above = levelAt(150.0f);
        const double nearlyFull = levelAt(99.6f);
        QVERIFY2(std::fabs(full - 0.5) < 0.02, qPrintable(QString::number(full)));
        QVERIFY2(std::fabs(half - 0.25) < 0.01, qPrintable(QString::number(half)));
        QVERIFY2(std::fabs(above - full) < 0.01, qPrintable(QString::number(above)));
        QVERIFY2(std::fabs(nearlyFull - full) < 0.01, qPrintable(QString::number(nearlyFull)));
    }

    void secondInputStreamLivesThroughARestart()
    {
        QRecordAreaInfo::getAreaInfo()->setAudioRecordValid(QRecordAreaInfo::Microphone, true);
        auto stream = std::make_shared<KeepingSink>();
        std::weak_ptr<KeepingSink> watch = stream;
        QRecordAudioObject track2(QRecordAudioObject::MicrophoneTrack);
        track2.setRecorder(nullptr);   // mixed in as the recorder's second input
        track2.setInputStream(stream);
        QCOMPARE(track2.getTrack().get(), static_cast<IAudioFrameSink *>(stream.get()));
        KeepingSink *raw = stream.get();
        stream.reset();   // the recording holds it through the capture object only

        QVERIFY(track2.setStart());
        track2.setStartRecorder(true);
        TonePlayer first("mic_feed", 1000, 0.4);
        QVERIFY(first.wait());
        QTRY_VERIFY(raw->blockCount() > 10);
        const size_t before = raw->blockCount();
        const quint64 lastStamp = raw->lastStamp(); // the capture thread goes on pushing

        // The default input changes: the microphone starts again on it and
        // keeps feeding the same stream object, its clock going on.
        track2.resetRecorder();
        QVERIFY(!watch.expired());
        QVERIFY(track2.isCapturing());
        QCOMPARE(track2.getTrack().get(), static_cast<IAudioFrameSink *>(raw));
        TonePlayer second("mic_feed", 1000, 0.4);
        QVERIFY(second.wait());
        QTRY_VERIFY(raw->blockCount() > before + 10);
        {
            std::lock_guard<std::mutex> guard(raw->mutex);
            QVERIFY(raw->stamps[before] > lastStamp);
            for (size_t i = 1; i < raw->stamps.size(); ++i)
                QVERIFY(raw->stamps[i] > raw->stamps[i - 1]);
        }
        QVERIFY(power(raw->copy(), 1000) > 100 * power(raw->copy(), 440));
        QVERIFY(track2.setStop());
        QVERIFY(!watch.expired());
        track2.setInputStream(nullptr);
        QVERIFY(watch.expired());
        QRecordAreaInfo::getAreaInfo()->setAudioRecordValid(QRecordAreaInfo::Microphone, false);
    }

    void listeningReportsTheLevel()
    {
        KeepingSink recorder;
        QRecordAudioObject track1(QRecordAudioObject::SystemSoundTrack);
        QSignalSpy levels(&track1, &QRecordAudioObject::emitVolume);
        track1.setRecorder(&recorder);
        track1.setListend(true);
        QVERIFY(track1.setStart());
        TonePlayer speakers(QByteArray(), 440, 0.5);
        QVERIFY(speakers.wait());
        QVERIFY(track1.setStop());
        int loudest = 0;
        for (const QList<QVariant> &l : levels)
            loudest = std::max(loudest, l.at(0).toInt());
        // A sine of amplitude 0.5 averages 0.5 × 2/π of full scale.
        QVERIFY2(loudest > 9000 && loudest < 11500, qPrintable(QString::number(loudest)));
        QCOMPARE(levels.last().at(0).toInt(), -10000);
    }

    void recognisedTagsOnceARun()
    {
        QTemporaryDir dir;
        const QString tone = dir.filePath("tone.wav");
        QVERIFY(TestSupport::writeToneWav(tone, 440, 1.5));
        QRecordAudioObject track1(QRecordAudioObject::SystemSoundTrack);
        QSignalSpy tags(&track1, &QRecordAudioObject::emitRecognizedAudioTagInfo);
        KeepingSink recorder;
        track1.setRecorder(&recorder);
        for (int run = 1; run <= 2; ++run) {
            QVERIFY(track1.setStart());
            track1.setStartRecorder(true);
            // A player that names what it plays.
            QCOMPARE(TestSupport::runProgram("paplay", {"--property=media.title=Morning Tune",
                                                        "--property=media.artist=The Testers",
                                                        tone}),
                     0);
            QVERIFY(track1.setStop());
            QCOMPARE(tags.size(), run);
            const auto info = tags.last().at(0).value<JXRecognizerAudioTagInfo>();
            QCOMPARE(info.title, QByteArray("Morning Tune"));
            QCOMPARE(info.artist, QByteArray("The Testers"));
        }
    }

    void missingSourceFailsTheStart()
    {
        QVERIFY(LoopbackDevice::instance()->restore());
        KeepingSink recorder;
        QRecordAudioObject track1(QRecordAudioObject::SystemSoundTrack);
        QSignalSpy levels(&track1, &QRecordAudioObject::emitVolume);
        track1.setRecorder(&recorder);
        QVERIFY(!track1.setStart());
        QVERIFY(track1.errorString().contains("RZAudio Device"));
        QVERIFY(!track1.isCapturing());
        // The run reported its end once, before it counted as finished.
        QCOMPARE(levels.size(), 1);
        QCOMPARE(levels.at(0).at(0).toInt(), -10000);
        QVERIFY(track1.setStop());
        QCOMPARE(levels.size(), 1);
        QCOMPARE(recorder.blockCount(), size_t(0));

        // Only the exact name counts: not another letter case, not a longer name.
        PulseServer server;
        const quint32 lower = server.loadModule(
            "module-null-sink", "sink_name=lower " + PulseServer::descriptionArgument("sink_properties", "rzaudio device"));
        const quint32 longer = server.loadModule(
            "module-null-sink", "sink_name=longer " + PulseServer::descriptionArgument("sink_properties", "RZAudio Device 2"));
        QVERIFY(lower != 0xffffffffu && longer != 0xffffffffu);
        QVERIFY(!track1.setStart());
        QVERIFY(track1.sourceName().isEmpty());
        QVERIFY(server.unloadModule(lower));
        QVERIFY(server.unloadModule(longer));

        QVERIFY(LoopbackDevice::instance()->makeDefault());
        QVERIFY(track1.setStart());
        QVERIFY(track1.setStop());
    }

    void stoppingRightAfterStartingEndsCleanly()
    {
        QRecordAudioObject track2(QRecordAudioObject::MicrophoneTrack);
        QSignalSpy levels(&track2, &QRecordAudioObject::emitVolume);
        // PipeWire's pulse server refuses now and then a stream made the
        // moment the last one went, when its session manager, busy on a
        // loaded machine, fails to link it ("Input/Output error"): that run
        // never captured, and another is made. Each run ends with its last
        // report, refused or not.
        int runs = 0, captured = 0;
        while (captured < 5 && runs < 20) {
            ++runs;
            if (track2.setStart())
                ++captured;
            else
                QVERIFY2(track2.errorString().contains(QLatin1String("Input/Output error"), Qt::CaseInsensitive),
                         qPrintable(track2.errorString()));
            QVERIFY(track2.setStop());
        }
        QCOMPARE(captured, 5);
        QCOMPARE(levels.size(), runs);
    }

    void cleanupTestCase()
    {
        QVERIFY(LoopbackDevice::instance()->restore());
    }
};

QTEST_GUILESS_MAIN(RecordAudioObjectTest)
#include "tst_recordaudioobject.moc"
