// The real program records on a display of the test's own when the session
// ends it: the display goes away before any signal (Qt's X11 platform then
// ends the process), or Ctrl+C sends SIGINT. Either way it ends within the
// ten seconds a signal gives it, the recording is completed and listed in
// History.xml, its mark is gone, and the sound server holds nothing of the
// program: the default output is back and the loop-back device removed.

#include "mediaprobe.h"
#include "owndisplay.h"
#include "recordingtools.h"
#include "serverobjects.h"
#include "testsupport.h"

#include "app/qterminationwatcher.h"
#include "common/qianyutil.h"
#include "common/qrecordingmarker.h"
#include "common/qvideosettingxml.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <signal.h>

namespace {

using TestSupport::OwnDisplay;

// The program's main window on the display, or an empty rectangle.
QRect windowOf(const OwnDisplay &display, qint64 pid)
{
    const QByteArray ids = display.run(QStringLiteral("xdotool"),
                                       {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                        QStringLiteral("--pid"), QString::number(pid)});
    if (ids.trimmed().isEmpty())
        return QRect();
    const QByteArray shell = display.run(QStringLiteral("xdotool"),
                                         {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"),
                                          QString::fromLatin1(ids.trimmed().split('\n').first())});
    QHash<QByteArray, int> values;
    for (const QByteArray &line : shell.split('\n')) {
        const int eq = line.indexOf('=');
        if (eq > 0)
            values.insert(line.left(eq), line.mid(eq + 1).toInt());
    }
    return QRect(values.value("X"), values.value("Y"), values.value("WIDTH"), values.value("HEIGHT"));
}

// The centre of the orange Start button, found in the right end of the
// window's bottom band; a null point when it is not drawn there.
QPoint startButtonOf(const OwnDisplay &display, const QRect &window)
{
    const QRect band(window.right() - 220, window.bottom() - 100, 220, 100);
    const QByteArray rgb = display.grab(band);
    if (rgb.size() != band.width() * band.height() * 3)
        return QPoint();
    qint64 sx = 0, sy = 0, n = 0;
    for (int y = 0; y < band.height(); ++y) {
        for (int x = 0; x < band.width(); ++x) {
            const uchar *p = reinterpret_cast<const uchar *>(rgb.constData()) + (y * band.width() + x) * 3;
            if (p[0] > 220 && p[1] > 100 && p[1] < 180 && p[2] < 130) {
                sx += x;
                sy += y;
                ++n;
            }
        }
    }
    return n < 500 ? QPoint() : band.topLeft() + QPoint(int(sx / n), int(sy / n));
}

QStringList recordings(const QString &folder)
{
    QStringList paths;
    for (const QFileInfo &f : QDir(folder).entryInfoList({QStringLiteral("REC_*")}, QDir::Files))
        paths << f.absoluteFilePath();
    return paths;
}

} // namespace

class TestSessionEnd : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void endsAsExitDoesWhileRecording_data();
    void endsAsExitDoesWhileRecording();

private:
    QTemporaryDir m_dir;
    QString m_tone;
};

void TestSessionEnd::initTestCase()
{
    m_tone = m_dir.filePath("tone.wav");
    QVERIFY(TestSupport::writeToneWav(m_tone, 440, 10.0));
}

void TestSessionEnd::endsAsExitDoesWhileRecording_data()
{
    QTest::addColumn<bool>("displayGoes");
    QTest::newRow("the display goes away") << true;
    QTest::newRow("Ctrl+C") << false;
}

void TestSessionEnd::endsAsExitDoesWhileRecording()
{
    QFETCH(bool, displayGoes);
    const QByteArray before = TestSupport::serverDefault();
    QCOMPARE(before, QByteArray("system_sound"));
    const QString folder = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_'));
    QVERIFY(QDir().mkpath(folder));
    QVideoSettingXml::SetItemValue(QStringLiteral("OutPut_path"), QStringLiteral("path_value"), folder,
                                   QString());

    OwnDisplay display;
    QVERIFY2(!display.name().isEmpty(), "Xvfb did not start");
    QProcess program;
    program.setProcessEnvironment(display.environment());
    program.setProcessChannelMode(QProcess::MergedChannels);
    // A program started in the background of a shell ignores SIGINT: started
    // as from a terminal, where Ctrl+C reaches it.
    program.start(QStringLiteral("env"),
                  {QStringLiteral("--default-signal=INT,QUIT"), QStringLiteral(VELMORA_PROGRAM)});
    QVERIFY(program.waitForStarted(10000));
    QCOMPARE(TestSupport::serverDefaultBecomes("rzaudio_device", 20000), QByteArray("rzaudio_device"));
    QRect window;
    QPoint start;
    QTRY_VERIFY_WITH_TIMEOUT(!(window = windowOf(display, program.processId())).isEmpty()
                                 && !(start = startButtonOf(display, window)).isNull(),
                             20000);

    TestSupport::Playback play(m_tone);
    // Recording starts once another listener of the device hears the tone,
    // and the file is judged by what that listener heard of the server.
    TestSupport::SourceWitness server("rzaudio_device.monitor");
    QVERIFY(play.waitPlaying() && server.listening() && MediaProbe::waitHeard(server, 0.3));
    const auto started = std::chrono::steady_clock::now();
    QVERIFY(!display
                 .run(QStringLiteral("xdotool"),
                      {QStringLiteral("mousemove"), QString::number(start.x()), QString::number(start.y()),
                       QStringLiteral("click"), QStringLiteral("1")})
                 .isNull());
    // Written as it goes: the file holds a second and a half before the end comes.
    QString path;
    QTRY_VERIFY_WITH_TIMEOUT(recordings(folder).size() == 1, 20000);
    path = recordings(folder).first();
    QTRY_VERIFY_WITH_TIMEOUT(MediaProbe::decode(path).seconds() >= 1.5, 20000);
    display.grab(QRect(window.topLeft(), window.size()),
                 TestSupport::screenshotDir() + QStringLiteral("/app_sessionend_recording.png"));

    QElapsedTimer clock;
    clock.start();
    if (displayGoes)
        display.goAway();
    else
        ::kill(pid_t(program.processId()), SIGINT);
    QVERIFY(program.waitForFinished(10000));
    const int serverBreaks = server.breaks(440, started, std::chrono::steady_clock::now());
    const QByteArray said = program.readAll();
    qInfo("ended %.2f s after the session ended it", clock.elapsed() / 1000.0);
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    if (displayGoes) {
        QCOMPARE(program.exitCode(), 1); // as Qt ends a program whose display broke
        QVERIFY2(said.contains("ending the program without its event loop"), said.constData());
        // The way out's own lines reach the log too, with their category.
        const QByteArray log = TestSupport::readBytes(QIAnyUtil::getAppDataPath() + QStringLiteral("/log.txt"));
        QVERIFY2(log.contains(" velmora.app: ending the program without its event loop\n"),
                 log.right(2000).constData());
    } else {
        QCOMPARE(program.exitCode(), 0);
    }

    // Completed and listed, nothing left for a repair.
    const MediaProbe::Decoded decoded = MediaProbe::decode(path);
    QVERIFY2(decoded.seconds() >= 1.0, qPrintable(QString::number(decoded.seconds())));
    const QString holds = MediaProbe::holdsTheTone(decoded, serverBreaks);
    QVERIFY2(holds.isEmpty(), qPrintable(holds));
    QCOMPARE(TestSupport::historyEntries(path).size(), 1);
    QVERIFY(QRecordingMarker::pending().isEmpty());
    // Nothing of the program stays on the server.
    QCOMPARE(TestSupport::serverDefault(), before);
    QCOMPARE(TestSupport::sinksNamed("rzaudio_device"), 0);
    QCOMPARE(TestSupport::modulesNamed("module-loopback"), 0);
}

QTEST_GUILESS_MAIN(TestSessionEnd)
#include "tst_sessionend.moc"
