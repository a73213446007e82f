// The edit dialog's preview pane (the Effect page) with windows raster-only,
// as the program runs: a sound file shows its playing wave and never loads
// the GL stack; a video file opened in the same dialog makes the frame
// display, whose picture reaches the screen, with the dialog where it was;
// a sound file after it shows its wave again.

#include "mediafiles.h"
#include "testsupport.h"

#include "editor/qeffectform.h"
#include "editor/qvideoeditingdlg.h"
#include "editor/qvideoedittag.h"
#include "media/jxplayermanager.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/views/qaudiowavewidget.h"
#include "widgetkit/views/qjxvideoshowwidget.h"
#include "widgetkit/views/qmediaelementwindow.h"
#include "widgetkit/views/qmediaform.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace {

const QColor kPicture(224, 160, 48);

bool near(const QColor &a, const QColor &b)
{
    return qAbs(a.red() - b.red()) <= 10 && qAbs(a.green() - b.green()) <= 10 && qAbs(a.blue() - b.blue()) <= 10;
}

QString describe(const QColor &c)
{
    return QString("%1,%2,%3").arg(c.red()).arg(c.green()).arg(c.blue());
}

// The wave shows a block with sound in it (silence draws no bar).
bool sounding(const QAudioWaveWidget *wave)
{
    const std::vector<unsigned> &bars = wave->barValues();
    return std::count_if(bars.begin(), bars.end(), [](unsigned v) { return v > 4; }) > 10;
}

} // namespace

class TestEditorPreview : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void soundFileShowsItsWaveWithoutGl();
    void filesSwitchedInOneDialogShowPictureOrWave();

private:
    // The dialog shown on path, its read back, on the Effect page.
    std::unique_ptr<QVideoEditingDlg> openOnEffectPage(const QString &path);
    // Opens another file in the dialog, as the library's previous and next do.
    bool switchTo(QVideoEditingDlg *dlg, const QString &path);
    // The pane's picture as the display server shows it.
    QColor pictureOnScreen(QVideoEditingDlg *dlg);

    QTemporaryDir m_dir;
    QString m_tone;
    QString m_video;
};

void TestEditorPreview::initTestCase()
{
    QVERIFY(QCoreApplication::testAttribute(Qt::AA_ForceRasterWidgets));
    QVERIFY(m_dir.isValid());
    m_tone = MediaFiles::makeTone(m_dir.path(), "tone", MediaFiles::taggableFormats().first(), 20.0);
    QVERIFY(!m_tone.isEmpty());
    m_video = m_dir.filePath("colour.mkv");
    QVERIFY(MediaFiles::runFfmpeg(
        {"-f", "lavfi", "-i",
         QString("color=c=0x%1:size=320x180:rate=25").arg(kPicture.rgb() & 0xffffff, 6, 16, QChar('0')),
         "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100", "-t", "20", "-c:v", "mpeg4", "-q:v",
         "2", "-pix_fmt", "yuv420p", "-c:a", "pcm_s16le", "-shortest", m_video}));
}

std::unique_ptr<QVideoEditingDlg> TestEditorPreview::openOnEffectPage(const QString &path)
{
    std::unique_ptr<QVideoEditingDlg> dlg(new QVideoEditingDlg);
    dlg->setVideoFile(path, 0, 0);
    dlg->show();
    if (!QTest::qWaitForWindowExposed(dlg.get()) || !QTest::qWaitFor([&] { return dlg->isFileLoaded(); }, 10000))
        return nullptr;
    QTest::mouseClick(dlg->m_editTag->button(1), Qt::LeftButton);
    return dlg;
}

bool TestEditorPreview::switchTo(QVideoEditingDlg *dlg, const QString &path)
{
    QSignalSpy loaded(dlg, &QVideoEditingDlg::fileLoaded);
    dlg->setVideoFile(path, 0, 0);
    dlg->InitSettings();
    return loaded.wait(10000) && dlg->fileError().isEmpty();
}

QColor TestEditorPreview::pictureOnScreen(QVideoEditingDlg *dlg)
{
    QMediaElementWindow *element = dlg->m_mediaForm->elementWindow();
    const QPoint centre = element->mapTo(dlg, element->rect().center());
    return TestSupport::screenOf(dlg).pixelColor(centre);
}

void TestEditorPreview::soundFileShowsItsWaveWithoutGl()
{
    QVERIFY(!TestSupport::glStackLoaded());
    auto dlg = openOnEffectPage(m_tone);
    QVERIFY(dlg);
    QMediaForm *pane = dlg->m_mediaForm;
    QVERIFY(pane->isVisible());
    QVERIFY(pane->waveWidget()->isVisible());
    QVERIFY(!pane->elementWindow()->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(sounding(pane->waveWidget()), 15000);
    TestSupport::saveScreenshot(dlg.get(), "editor_preview_sound_wave");
    // No frame display was made and the window stayed raster: no GL stack.
    QVERIFY(!pane->elementWindow()->videoView());
    QCOMPARE(dlg->windowHandle()->surfaceType(), QSurface::RasterSurface);
    QVERIFY(!TestSupport::glStackLoaded());
    dlg->m_playerManager->onPause();
}

void TestEditorPreview::filesSwitchedInOneDialogShowPictureOrWave()
{
    auto dlg = openOnEffectPage(m_tone);
    QVERIFY(dlg);
    QMediaForm *pane = dlg->m_mediaForm;
    QVERIFY(pane->waveWidget()->isVisible());
    QVERIFY(!pane->elementWindow()->videoView());
    const QPoint place = dlg->pos();

    // A video: the picture, drawn through GL into a window made GL-capable
    // where the dialog stood, on the page it was on.
    QVERIFY(switchTo(dlg.get(), m_video));
    QVERIFY(dlg->isVisible());
    QCOMPARE(dlg->pos(), place);
    QCOMPARE(dlg->m_currentTag, 1);
    QVERIFY(dlg->m_effectForm->isVisible());
    QVERIFY(pane->elementWindow()->isVisible());
    QVERIFY(!pane->waveWidget()->isVisible());
    QJXVideoShowWidget *view = pane->elementWindow()->videoView();
    QVERIFY(view);
    QVERIFY(dlg->windowHandle()->supportsOpenGL());
    QTRY_VERIFY_WITH_TIMEOUT(view->frameSize() == QSize(320, 180), 10000);
    QTRY_VERIFY2_WITH_TIMEOUT(near(pictureOnScreen(dlg.get()), kPicture),
                              qPrintable(describe(pictureOnScreen(dlg.get()))), 10000);
    TestSupport::saveScreenshot(dlg.get(), "editor_preview_video_picture");
    // The page left and come back to shows the picture again.
    QTest::mouseClick(dlg->m_editTag->button(0), Qt::LeftButton);
    QVERIFY(!pane->isVisible());
    QTest::mouseClick(dlg->m_editTag->button(1), Qt::LeftButton);
    QVERIFY(pane->elementWindow()->isVisible());
    QVERIFY(!pane->waveWidget()->isVisible());
    QCOMPARE(pane->elementWindow()->videoView(), view);

    // A sound file again: its playing wave, the picture gone.
    QSignalSpy blocks(dlg->m_playerManager, &JXPlayerManager::emitAudioData);
    QVERIFY(switchTo(dlg.get(), m_tone));
    QVERIFY(dlg->isVisible());
    QVERIFY(pane->waveWidget()->isVisible());
    QVERIFY(!pane->elementWindow()->isVisible());
    auto blockWithSound = [&blocks] {
        return std::any_of(blocks.cbegin(), blocks.cend(),
                           [](const QList<QVariant> &args) { return !args.at(0).toByteArray().isEmpty(); });
    };
    QTRY_VERIFY_WITH_TIMEOUT(blockWithSound() && sounding(pane->waveWidget()), 15000);
    TestSupport::saveScreenshot(dlg.get(), "editor_preview_sound_again");
    dlg->m_playerManager->onPause();
}

int main(int argc, char **argv)
{
    // Windows raster-only, as the program makes them.
    QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets);
    QApplication app(argc, argv);
    TestEditorPreview test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_editorpreview.moc"
