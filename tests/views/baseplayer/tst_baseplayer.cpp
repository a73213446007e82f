// The minimal player widget playing a real video file through the codec
// layer's player: pictures through OpenGL on a virtual display, sound into
// the private sound server, its control bar driven by signals.

#include "testsupport.h"

#include "widgetkit/views/qbaseplaycontrol.h"
#include "widgetkit/views/qbaseplaywidget.h"
#include "widgetkit/views/qbasevideowindow.h"
#include "widgetkit/views/qjxvideoshowwidget.h"

#include <QOpenGLContext>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>

namespace {

const QColor kPicture(40, 170, 220);

bool within(const QColor &a, const QColor &b, int tolerance)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance
           && qAbs(a.blue() - b.blue()) <= tolerance;
}

// A control bar that remembers what the player showed on it.
class RecordingBar : public QBasePlayControl
{
public:
    QList<bool> playStates;
    double progress = -1;
    QList<uint64_t> positions;
    uint64_t duration = 0;
    quint32 volume = 0;
    int fullScreenCalls = 0;

    void showPlayOrPause(bool playing) override { playStates << playing; }
    void setProgress(double percent) override { progress = percent; }
    void showTime(uint64_t position, uint64_t length) override
    {
        positions << position;
        duration = length;
    }
    void setVolume(quint32 v) override { volume = v; }
    void showFullScreenState(bool) override { ++fullScreenCalls; }
};

// Counts the pictures the player hands over (on its own thread).
class CountingPlayer : public QBasePlayWidget
{
public:
    std::atomic<int> frames{0};
    void drawVideoFrame(void *frame) override
    {
        QBasePlayWidget::drawVideoFrame(frame);
        ++frames;
    }
};

} // namespace

class TestBasePlayer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void missingFileFailsAndShowsZero();
    void playsPicturesAndReportsProgress();
    void handedInWindowReplacesTheOwnOne();

private:
    QTemporaryDir m_dir;
    QString m_video;
};

void TestBasePlayer::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_video = m_dir.filePath("clip.mkv");
    QByteArray out;
    const int rc = TestSupport::runProgram(
        "ffmpeg",
        {"-nostdin", "-v", "error", "-f", "lavfi", "-i",
         QString("color=c=0x%1:size=320x240:rate=25").arg(kPicture.rgb() & 0xffffff, 6, 16, QChar('0')),
         "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100", "-t", "2", "-c:v", "mpeg4",
         "-q:v", "2", "-pix_fmt", "yuv420p", "-c:a", "pcm_s16le", "-shortest", m_video},
        60000, &out);
    QVERIFY2(rc == 0, out.constData());
}

void TestBasePlayer::missingFileFailsAndShowsZero()
{
    QBasePlayWidget player;
    RecordingBar bar;
    player.setPlayControlWgt(&bar);
    QVERIFY(!player.setPlayFile(m_dir.filePath("missing.mkv"), 0, 0));
    QVERIFY(!player.getPlayObject());
    QCOMPARE(bar.positions.value(bar.positions.size() - 1, 99), uint64_t(0));
    QCOMPARE(player.playDuration(), uint64_t(1));
    QVERIFY(!player.isPlaying());
    QVERIFY(!player.setPlayObject(nullptr));
    // Without a player the bar's requests do nothing harmful.
    emit bar.emitPlay();
    emit bar.emitProgressChange(0.5);
    emit bar.emitFrameStepUp();
    emit bar.emitStop();
    QCOMPARE(bar.progress, 0.0);
}

void TestBasePlayer::playsPicturesAndReportsProgress()
{
    QBasePlayWidget player;
    RecordingBar bar;
    player.setPlayControlWgt(&bar);
    player.resize(420, 300);
    player.show();
    QVERIFY(QTest::qWaitForWindowExposed(&player));
    QCOMPARE(player.VideoPreviewWgt()->geometry(), QRect(10, 10, 400, 280));

    QVERIFY(player.setPlayFile(m_video, 0, 0));
    QCOMPARE(bar.volume, 100u);
    QCOMPARE(player.volume(), 100u);
    QVERIFY(qAbs(double(player.playDuration()) - 2e6) < 1e5);
    // 4:3 in 400 × 280: 373 × 280, centred.
    QCOMPARE(player.VideoPreviewWgt()->getVideoViewRect(), QRect((400 - 373) / 2, 0, 373, 280));

    // The screen timer hands the paused picture to the display.
    QJXVideoShowWidget *view = player.VideoPreviewWgt()->videoView();
    QTRY_VERIFY(view->context() && view->context()->isValid());
    QTRY_VERIFY_WITH_TIMEOUT(view->frameSize() == QSize(320, 240), 5000);
    const QColor shown = view->grabFramebuffer().pixelColor(186, 140);
    QVERIFY2(within(shown, kPicture, 6),
             qPrintable(QString("%1,%2,%3").arg(shown.red()).arg(shown.green()).arg(shown.blue())));
    TestSupport::saveScreenshot(&player, "mediawidgets_base_player");

    emit bar.emitVolumeChange(40);
    QCOMPARE(player.volume(), 40u);

    emit bar.emitPlay();
    QCOMPARE(bar.playStates.last(), true);
    QTRY_VERIFY_WITH_TIMEOUT(bar.progress > 5.0, 3000);
    QVERIFY(player.isPlaying());
    QVERIFY(!bar.positions.isEmpty() && bar.positions.last() > 0);
    QCOMPARE(bar.duration, player.playDuration());

    // Seeking from the bar shows the time sought.
    emit bar.emitProgressChange(0.25);
    QVERIFY(qAbs(double(bar.positions.last()) - 0.25 * double(player.playDuration())) < 1000);

    // The end pauses the player and shows it on the bar.
    QTRY_VERIFY_WITH_TIMEOUT(!bar.playStates.last() && bar.progress > 90.0, 5000);

    emit bar.emitFrameStepDown();
    QCOMPARE(bar.playStates.last(), false);
    emit bar.emitStop();
    QCOMPARE(bar.progress, 0.0);
    QVERIFY(!player.isPlaying());
}

void TestBasePlayer::handedInWindowReplacesTheOwnOne()
{
    CountingPlayer player;
    QPointer<QBaseVideoWindow> own = player.VideoPreviewWgt();
    QVERIFY(own);
    QBaseVideoWindow mine;
    player.setVideoPreviewWgt(&mine);
    QVERIFY(!own); // the widget's own window is gone
    QCOMPARE(player.VideoPreviewWgt(), &mine);
    QBaseVideoWindow other;
    player.setVideoPreviewWgt(&other); // a handed-in window is never deleted
    QCOMPARE(player.VideoPreviewWgt(), &other);
    player.resize(220, 120);
    player.show();
    QVERIFY(QTest::qWaitForWindowExposed(&player));
    QCOMPARE(other.geometry().size(), QSize(200, 100));
    QVERIFY(player.setPlayFile(m_video, 0, 0));
    QCOMPARE(other.getVideoViewRect(), QRect((200 - 133) / 2, 0, 133, 100));
    player.setVideoPreviewWgt(nullptr); // pictures then go nowhere
    const int before = player.frames;
    player.OnPlay();
    QTRY_VERIFY_WITH_TIMEOUT(player.frames >= before + 5, 5000);
    player.OnStop();
}

QTEST_MAIN(TestBasePlayer)
#include "tst_baseplayer.moc"
