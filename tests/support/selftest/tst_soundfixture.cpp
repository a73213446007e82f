// The private sound server must carry a played tone to a recorder of its
// monitor, tell a client that stays connected when the defaults change, and
// run in the test's own session.
#include "testsupport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <unistd.h>

namespace {
// Over a second of loud frames, followed by a tenth of a second of silence.
bool endsInSilenceAfterTone(const QVector<float> &s)
{
    const int frames = s.size() / 2, quiet = 4410;
    if (frames < quiet)
        return false;
    int loud = 0;
    for (int i = 0; i < frames - quiet; ++i)
        loud += std::fabs(s[2 * i]) > 0.05f;
    return loud > 44100 && TestSupport::rms(s.constData() + 2 * (frames - quiet), 2 * quiet) < 0.001;
}
} // namespace

class SoundFixtureTest : public QObject
{
    Q_OBJECT
private slots:
    void serverHasTheTestDevices()
    {
        QByteArray out;
        QCOMPARE(TestSupport::runProgram("pactl", {"list", "short", "sinks"}, 10000, &out), 0);
        QVERIFY(out.contains("system_sound"));
        QVERIFY(out.contains("mic_feed"));
        QCOMPARE(TestSupport::runProgram("pactl", {"list", "short", "sources"}, 10000, &out), 0);
        QVERIFY(out.contains("test_microphone"));
    }
    // Scheduled with the test, not as a session of its own (see spawn() in
    // pulse-fixture.sh): each process of the server is in the test's session.
    void serverRunsInTheTestsSession()
    {
        QStringList names{"pipewire", "wireplumber", "pipewire-pulse"};
        if (!TestSupport::soundServerIsPipeWire())
            names = QStringList{"pulseaudio"};
        for (const QString &name : names) {
            const qint64 pid = name == "pulseaudio" ? TestSupport::pulseServerProcess()
                                                    : TestSupport::soundServerProcess(name);
            QVERIFY2(pid > 0, qPrintable(name));
            QCOMPARE(::getsid(pid_t(pid)), ::getsid(0));
        }
    }
    void connectedClientHearsOfDefaultChanges()
    {
        TestSupport::ServerEvents events;
        QVERIFY(events.listen());
        QCOMPARE(TestSupport::runProgram("pactl", {"set-default-sink", "mic_feed"}), 0);
        // A loaded server may report it seconds later.
        QTRY_VERIFY_WITH_TIMEOUT(events.heard("on server"), 30000);
        QCOMPARE(TestSupport::runProgram("pactl", {"set-default-sink", "system_sound"}), 0);
    }
    void toneIntoMicFeedReachesTheMicrophone()
    {
        QTemporaryDir dir;
        const QString tone = dir.filePath("tone.wav");
        QVERIFY(TestSupport::writeToneWav(tone, 1000, 1.5));
        QProcess rec;
        rec.start("parec", {"--device=test_microphone", "--format=float32le", "--rate=44100",
                            "--channels=2", "--latency-msec=20"});
        QVERIFY(rec.waitForStarted());
        QByteArray raw;
        auto collected = [&] {
            raw += rec.readAllStandardOutput();
            QVector<float> s(raw.size() / int(sizeof(float)) / 2 * 2);
            memcpy(s.data(), raw.constData(), size_t(s.size()) * sizeof(float));
            return s;
        };
        // The recorder runs once it hands over sound (silence at first)...
        QTRY_VERIFY_WITH_TIMEOUT(!collected().isEmpty(), 10000);
        QCOMPARE(TestSupport::runProgram("paplay", {"--device=mic_feed", tone}), 0);
        // ...and has taken the whole tone once it hands over silence after it.
        QTRY_VERIFY_WITH_TIMEOUT(endsInSilenceAfterTone(collected()), 10000);
        rec.terminate();
        rec.waitForFinished(3000);
        const QVector<float> samples = collected();
        QVERIFY2(samples.size() > 44100 * 2, qPrintable(QString::number(samples.size())));
        const double p1000 = TestSupport::goertzelPowerInterleaved(samples, 2, 1000, 44100);
        const double p440 = TestSupport::goertzelPowerInterleaved(samples, 2, 440, 44100);
        QVERIFY2(p1000 > 100 * p440, qPrintable(QString("%1 %2").arg(p1000).arg(p440)));
    }
};

QTEST_GUILESS_MAIN(SoundFixtureTest)
#include "tst_soundfixture.moc"
