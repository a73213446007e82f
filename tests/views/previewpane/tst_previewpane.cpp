// The editor's preview pane driven by the real preview engine: a video file's
// pictures drawn through OpenGL on a virtual display, and a sound file's
// waveform while it plays through the private sound server, with no frame
// display made for it.

#include "testsupport.h"

#include "media/jxplayermanager.h"
#include "widgetkit/views/qaudiowavewidget.h"
#include "widgetkit/views/qjxvideoshowwidget.h"
#include "widgetkit/views/qmediaelementwindow.h"
#include "widgetkit/views/qmediaform.h"

#include <QOpenGLContext>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QColor kPicture(224, 160, 48);

bool within(const QColor &a, const QColor &b, int tolerance)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance
           && qAbs(a.blue() - b.blue()) <= tolerance;
}
} // namespace

class TestPreviewPane : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void videoPicturesAreDrawnLetterBoxed();
    void soundFileShowsItsPlayingWave();

private:
    QTemporaryDir m_dir;
    QString m_video;
    QString m_tone;
};

void TestPreviewPane::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_video = m_dir.filePath("colour.mkv");
    QByteArray out;
    const int rc = TestSupport::runProgram(
        "ffmpeg",
        {"-nostdin", "-v", "error", "-f", "lavfi", "-i",
         QString("color=c=0x%1:size=320x180:rate=25").arg(kPicture.rgb() & 0xffffff, 6, 16, QChar('0')),
         "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100", "-t", "2", "-c:v", "mpeg4",
         "-q:v", "2", "-pix_fmt", "yuv420p", "-c:a", "pcm_s16le", "-shortest", m_video},
        60000, &out);
    QVERIFY2(rc == 0, out.constData());
    m_tone = m_dir.filePath("tone.wav");
    QVERIFY(TestSupport::writeToneWav(m_tone, 440, 3.0));
}

void TestPreviewPane::videoPicturesAreDrawnLetterBoxed()
{
    JXPlayerManager engine;
    QMediaForm form(&engine, nullptr);
    form.resize(480, 360);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QSignalSpy hasVideo(&engine, &JXPlayerManager::emitIsHaveVideo);
    QVERIFY(engine.setPlayFile(m_video, 0, 0, 3));
    QCOMPARE(hasVideo.count(), 1);
    QVERIFY(hasVideo.at(0).at(0).toBool());
    form.setOperationType(QMediaForm::Preview);
    QVERIFY(form.elementWindow()->isVisible());
    QVERIFY(!form.waveWidget()->isVisible());

    // The engine fitted the 16:9 picture into the 4:3 pane.
    QMediaElementWindow *window = form.elementWindow();
    QTRY_COMPARE(window->getVideoElementRect(), QRect(0, 45, 480, 270));
    QJXVideoShowWidget *view = window->videoView();
    QTRY_VERIFY(view->context() && view->context()->isValid());
    QTRY_VERIFY_WITH_TIMEOUT(view->frameSize() == QSize(320, 180), 5000);
    const QImage picture = view->grabFramebuffer();
    const QColor centre = picture.pixelColor(240, 135);
    QVERIFY2(within(centre, kPicture, 6),
             qPrintable(QString("%1,%2,%3").arg(centre.red()).arg(centre.green()).arg(centre.blue())));
    QVERIFY(within(picture.pixelColor(2, 2), kPicture, 8));
    QVERIFY(within(picture.pixelColor(477, 267), kPicture, 8));

    const QImage pane = form.grab().toImage();
    TestSupport::saveScreenshot(&form, "mediawidgets_preview_pane_video");
    QVERIFY(within(pane.pixelColor(240, 180), kPicture, 8));
    QCOMPARE(pane.pixelColor(240, 20), QColor(0, 0, 0)); // letter-box band
}

void TestPreviewPane::soundFileShowsItsPlayingWave()
{
    JXPlayerManager engine;
    QMediaForm form(&engine, nullptr);
    form.resize(402, 92);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QSignalSpy blocks(&engine, &JXPlayerManager::emitAudioData);
    QVERIFY(engine.setPlayFile(m_tone, 0, 0, 3));
    form.setOperationType(QMediaForm::Preview); // no picture: the waveform
    QVERIFY(form.waveWidget()->isVisible());
    QVERIFY(!form.elementWindow()->isVisible());
    // Nor a frame display (a GL view) behind it.
    QVERIFY(!form.elementWindow()->videoView());

    engine.onPlay();
    // Wait for a block with sound in it to reach what the pane shows.
    auto sounding = [&form] {
        unsigned lo = 1000, hi = 0;
        for (unsigned v : form.waveWidget()->barValues()) {
            lo = qMin(lo, v);
            hi = qMax(hi, v);
        }
        return !form.waveWidget()->barValues().empty() && hi - lo > 30;
    };
    QTRY_VERIFY_WITH_TIMEOUT(sounding(), 15000);
    QVERIFY(blocks.count() > 0);
    engine.onPause();
}

QTEST_MAIN(TestPreviewPane)
#include "tst_previewpane.moc"
