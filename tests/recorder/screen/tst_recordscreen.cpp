// A video recording's screen timer on a virtual display: the thumbnail of
// the record area under its digest name, once, and a requested screenshot,
// once; an audio recording makes neither. A recording stopped while its
// thumbnail is still being written is stored with it all the same.

#include "recordingsetup.h"
#include "recordingtools.h"
#include "testsupport.h"

#include "common/qconvertersetting.h"
#include "platform/audio/loopbackdevice.h"
#include "recorder/qrecordareainfo.h"
#include "recorder/qrecordingfinisher.h"
#include "recorder/qrecordobject.h"
#include "recorder/recordingthumbnail.h"
#include "rzcodec/codecids.h"

#include <QDomElement>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QScreen>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

#include <sys/stat.h>

#include <condition_variable>
#include <mutex>

namespace {

const QColor kShown(30, 160, 90);

// Counts the timer events an object gets: the screen timer's ticks, and the
// few of the record-time timer.
class TimerEvents : public QObject
{
public:
    explicit TimerEvents(QObject *watched) { watched->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        count += event->type() == QEvent::Timer;
        return false;
    }
};

// The picture's middle is the colour shown (a JPG is near it).
bool showsColour(const QImage &image, const QColor &colour)
{
    const QColor c = image.pixelColor(image.width() / 2, image.height() / 2);
    return qAbs(c.red() - colour.red()) < 16 && qAbs(c.green() - colour.green()) < 16
           && qAbs(c.blue() - colour.blue()) < 16;
}

ino_t inodeOf(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

} // namespace

class TestRecordScreen : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void picturesOfTheRecordArea_data();
    void picturesOfTheRecordArea();
    void anAudioRecordingMakesNoPictures();
    void stoppedWhileTheThumbnailIsWritten_data();
    void stoppedWhileTheThumbnailIsWritten();

private:
    QTemporaryDir m_dir;
    QWidget m_window; // the colour the screen shows
    int m_takes = 0;
};

void TestRecordScreen::initTestCase()
{
    QVERIFY2(QGuiApplication::platformName() == "xcb", "runs on a virtual display");
    QConverterSetting::InitSetting();
    TestSupport::useAudioFormat({"MP3", "mp3", RZ_CODEC_MP3, 2, 44100, 192});
    TestSupport::useSources(true, false);
    LoopbackDevice *loop = LoopbackDevice::instance();
    QVERIFY2(loop->install(), qPrintable(loop->errorString()));
    m_window.setWindowFlags(Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    QPalette palette = m_window.palette();
    palette.setColor(QPalette::Window, kShown);
    m_window.setPalette(palette);
    m_window.setAutoFillBackground(true);
    m_window.setGeometry(0, 0, 640, 640);
    m_window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m_window));
    QScreen *screen = QGuiApplication::primaryScreen();
    QTRY_VERIFY(showsColour(screen->grabWindow(0, 0, 0, 640, 640).toImage(), kShown));
}

void TestRecordScreen::cleanupTestCase()
{
    LoopbackDevice::instance()->restore();
}

void TestRecordScreen::picturesOfTheRecordArea_data()
{
    QTest::addColumn<QRect>("area");
    QTest::addColumn<int>("scale");
    QTest::addColumn<QSize>("thumbnail");

    QTest::newRow("wide") << QRect(100, 50, 300, 150) << 1 << QSize(120, 60);
    QTest::newRow("tall, at twice the pixels") << QRect(40, 60, 90, 240) << 2 << QSize(45, 120);
    QTest::newRow("smaller than the thumbnail") << QRect(300, 300, 80, 40) << 1 << QSize(120, 60);
}

void TestRecordScreen::picturesOfTheRecordArea()
{
    QFETCH(QRect, area);
    QFETCH(int, scale);
    QFETCH(QSize, thumbnail);

    QRecordAreaInfo *options = QRecordAreaInfo::getAreaInfo();
    options->setStartPt(area.topLeft());
    options->setRecordSize(area.size());
    options->setScale(scale, scale);
    const QString path = m_dir.filePath(QString("take%1/REC_screen.mp3").arg(++m_takes));
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    const QString shot = m_dir.filePath(QString("shot%1.png").arg(m_takes));
    const QString expected = RecordingThumbnail::pathFor(path);
    QVERIFY(!QFile::exists(expected));
    {
        QRecordObject rec;
        TimerEvents ticks(&rec);
        QVERIFY2(rec.startRecorder(path, 100.0f, true), qPrintable(rec.errorString()));
        rec.screenshotImg(shot);
        convertedInfo info;
        QTRY_VERIFY((rec.getConvertedInfo(info), !info.imgPath.isEmpty()) && QFile::exists(shot));
        QCOMPARE(info.imgPath, expected);
        QCOMPARE(QFileInfo(expected).fileName(),
                 QString(QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Md5).toHex()) + ".JPG");

        QImageReader reader(expected);
        QCOMPARE(reader.format(), QByteArray("jpeg"));
        const QImage small = reader.read();
        QCOMPARE(small.size(), thumbnail);
        QVERIFY(showsColour(small, kShown));
        const QImage screenshot(shot);
        QCOMPARE(screenshot.size(), area.size() * scale);
        QVERIFY(showsColour(screenshot, kShown));

        // Many more ticks write neither again.
        const ino_t written = inodeOf(expected);
        QVERIFY(QFile::remove(shot));
        const int seen = ticks.count;
        QTRY_VERIFY(ticks.count >= seen + 60);
        QVERIFY(TestSupport::stopRecording(rec));
        const QList<QDomElement> entries = TestSupport::historyEntries(path);
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries.first().firstChildElement().attribute("Img_path_"), expected);
        QCOMPARE(inodeOf(expected), written);
    }
    // Every write asked for is done once the recording object is gone.
    QVERIFY(!QFile::exists(shot));
}

void TestRecordScreen::anAudioRecordingMakesNoPictures()
{
    QRecordAreaInfo *options = QRecordAreaInfo::getAreaInfo();
    options->setStartPt(QPoint(10, 10));
    options->setRecordSize(QSize(200, 100));
    options->setScale(1, 1);
    const QString path = m_dir.filePath("audio/REC_audio.mp3");
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    const QString shot = m_dir.filePath("audio-shot.png");
    {
        QRecordObject rec;
        TimerEvents ticks(&rec);
        QVERIFY2(rec.startRecorder(path, 100.0f, false), qPrintable(rec.errorString()));
        rec.screenshotImg(shot);
        // The record-time and level timers run: twenty of their ticks.
        QTRY_VERIFY(ticks.count >= 20);
        QVERIFY(TestSupport::stopRecording(rec));
        QCOMPARE(TestSupport::historyEntries(path).first().firstChildElement().attribute("Img_path_"),
                 QString());
    }
    QVERIFY(!QFile::exists(shot));
    QVERIFY(!QFile::exists(RecordingThumbnail::pathFor(path)));
}

void TestRecordScreen::stoppedWhileTheThumbnailIsWritten_data()
{
    QTest::addColumn<bool>("atOnce");
    // As when the window closes: completed on the spot.
    QTest::newRow("stop completed at once") << true;
    QTest::newRow("stop") << false;
}

// The thumbnail's write is held until the stopped recording's file is being
// completed: the record must still point at it, and it must be there.
void TestRecordScreen::stoppedWhileTheThumbnailIsWritten()
{
    QFETCH(bool, atOnce);
    QRecordAreaInfo *options = QRecordAreaInfo::getAreaInfo();
    options->setStartPt(QPoint(100, 100));
    options->setRecordSize(QSize(200, 100));
    options->setScale(1, 1);
    const QString path = m_dir.filePath(QString("early%1/REC_early.mp3").arg(++m_takes));
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    const QString expected = RecordingThumbnail::pathFor(path);

    struct Hold
    {
        std::mutex mutex;
        std::condition_variable cond;
        int asked = 0;
        bool finishing = false;
    };
    const auto hold = std::make_shared<Hold>();
    RecordingImageWriter::setBeforeThumbnailHook([hold] {
        std::unique_lock<std::mutex> lock(hold->mutex);
        ++hold->asked;
        // Bounded, so that a finish that never comes cannot hang the test.
        hold->cond.wait_for(lock, std::chrono::seconds(20), [&] { return hold->finishing; });
    });
    QRecordingFinisher::setBeforeFinishHook([hold] {
        {
            std::lock_guard<std::mutex> lock(hold->mutex);
            hold->finishing = true;
        }
        hold->cond.notify_all();
    });
    const auto asked = [hold] {
        std::lock_guard<std::mutex> lock(hold->mutex);
        return hold->asked;
    };
    {
        QRecordObject rec;
        QSignalSpy completed(&rec, &QRecordObject::emitRecordingCompleted);
        QVERIFY2(rec.startRecorder(path, 100.0f, true), qPrintable(rec.errorString()));
        // Stopped right after its first frame, whose thumbnail is being written.
        QTRY_COMPARE(asked(), 1);
        if (atOnce) {
            rec.stopRecorder();
            rec.waitForFinish();
        } else {
            QVERIFY(TestSupport::stopRecording(rec));
        }
        QCOMPARE(completed.count(), 1);
        const convertedInfo info = completed.first().first().value<convertedInfo>();
        QCOMPARE(info.imgPath, expected);
    }
    RecordingImageWriter::setBeforeThumbnailHook(nullptr);
    QRecordingFinisher::setBeforeFinishHook(nullptr);
    QCOMPARE(asked(), 1);
    QVERIFY(QFile::exists(expected));
    const QList<QDomElement> entries = TestSupport::historyEntries(path);
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries.first().firstChildElement().attribute("Img_path_"), expected);
}

QTEST_MAIN(TestRecordScreen)
#include "tst_recordscreen.moc"
