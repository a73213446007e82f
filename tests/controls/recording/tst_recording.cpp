// The recording panel: time texts, the silence watch that asks for a split
// (fed level blocks the recorder made from real silence and a real tone, its
// ticks on a clock of the test's own), the once-per-recording "not silent" report, the volume
// button and its popup.

#include "common/qvideosettingxml.h"
#include "controls/qrecordingwidget.h"
#include "controls/qvolumewidget.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxbaseslider.h"
#include "widgetkit/views/qaudiowavewidget.h"

#include "recordedlevels.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

// Hands one block after another to the panel every 50 ms, as the recording
// object's block timer does.
class BlockFeeder : public QObject
{
public:
    explicit BlockFeeder(QRecordingWidget *panel)
        : m_panel(panel)
    {
        m_timer.setInterval(50);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { feedOne(); });
    }
    void feed(const QVector<QByteArray> &blocks)
    {
        m_blocks = blocks;
        m_next = 0;
        m_timer.start();
    }
    void stop() { m_timer.stop(); }

private:
    void feedOne()
    {
        if (m_blocks.isEmpty())
            return;
        QByteArray &block = m_blocks[m_next % m_blocks.size()];
        ++m_next;
        m_panel->OnSetAudioData(reinterpret_cast<unsigned char *>(block.data()),
                                RecordedLevels::rateOf(block));
    }

    QRecordingWidget *m_panel;
    QTimer m_timer;
    QVector<QByteArray> m_blocks;
    int m_next = 0;
};

// Drives the panel's silence watch on a clock of its own: each tick is the
// panel's 200 ms check at an exact moment, after the blocks fed before it.
class SilenceWatch
{
public:
    explicit SilenceWatch(QRecordingWidget &panel)
        : m_panel(panel), m_start(QDate(2026, 3, 14), QTime(10, 0)), m_now(m_start)
    {
        panel.setClock([this] { return m_now; });
        QObject::connect(&panel, &QRecordingWidget::emitSplitSilence, [this] { m_splits << m_at; });
    }
    void feed(QVector<QByteArray> &blocks)
    {
        for (QByteArray &b : blocks)
            m_panel.OnSetAudioData(reinterpret_cast<unsigned char *>(b.data()), RecordedLevels::rateOf(b));
        m_last = &blocks;
    }
    void passTo(qint64 ms)
    {
        m_at = ms;
        m_now = m_start.addMSecs(ms);
    }
    // Ticks every 200 ms from the next one (not before the present) up to ms;
    // the moments at which a split was asked. Before each tick the sound
    // fed last goes on (one more block of it), unless the capture is held
    // back, when nothing comes.
    enum Capture { Flowing, HeldBack };
    QList<qint64> splitsUpTo(qint64 ms, Capture capture = Flowing)
    {
        m_splits.clear();
        for (qint64 t = qMax(m_ticked < 0 ? 0 : m_ticked + 200, m_at); t <= ms; t += 200) {
            if (capture == Flowing && m_last && t > m_at) {
                QByteArray &b = m_last->last();
                m_panel.OnSetAudioData(reinterpret_cast<unsigned char *>(b.data()), RecordedLevels::rateOf(b));
            }
            passTo(t);
            QMetaObject::invokeMethod(&m_panel, "OnCheckSilence", Qt::DirectConnection);
            m_ticked = t;
        }
        return m_splits;
    }

private:
    QRecordingWidget &m_panel;
    const QDateTime m_start;
    QDateTime m_now;
    qint64 m_at = 0;
    qint64 m_ticked = -1;
    QList<qint64> m_splits;
    QVector<QByteArray> *m_last = nullptr;
};

void setSplitting(const QString &on, const QString &limitMs)
{
    QVERIFY(QVideoSettingXml::SetItemValue(QStringLiteral("Split_Recording"),
                                           QStringLiteral("Split_According_To_Silence"), on));
    QVERIFY(QVideoSettingXml::SetItemValue(QStringLiteral("Split_Recording"),
                                           QStringLiteral("Silence_More_Than"), limitMs));
}

QLabel *timeLabel(QRecordingWidget &panel)
{
    return panel.findChild<QLabel *>(QStringLiteral("m_lblRecordTime"));
}

} // namespace

class TestRecordingPanel : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void timeTexts();
    void splitsAfterTheSetSilence();
    void soundKeepsTheRecordingWhole();
    void heldBackCaptureIsNoSilence();
    void lowerCaseFlagNeverSplits();
    void newRecordingIsNeverSplitAtItsFirstTick();
    void soundIsReportedOncePerRecording();
    void volumeReadBackSendsNothing();
    void userVolumeGoesOutWithItsPicture();
    void popupStandsAboveTheButton();
    void layoutAndScreenshotWhileRecording();
    void timeFontIsTheLargestThatFits_data();
    void timeFontIsTheLargestThatFits();

private:
    QTemporaryDir m_dir;
    QVector<QByteArray> m_silent;
    QVector<QByteArray> m_tone;
};

void TestRecordingPanel::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_silent = RecordedLevels::record(RecordedLevels::constant(0.0f, 0.5),
                                      m_dir.filePath(QStringLiteral("silence.wav")));
    m_tone = RecordedLevels::record(TestSupport::sineTone(440.0, 0.5, 44100, 2, 0.5),
                                    m_dir.filePath(QStringLiteral("tone.wav")));
    QVERIFY(m_silent.size() > 5);
    QVERIFY(m_tone.size() > 5);
    // Keep the blocks the display's own silence test judges as expected
    // (the tone's first blocks may still be quiet).
    auto silentBlock = [](QByteArray &b) {
        unsigned int level = 0;
        return TransData(reinterpret_cast<unsigned short *>(b.data() + 44),
                         RecordedLevels::sampleCount(b), &level, 1, 0, true);
    };
    for (QByteArray &b : m_silent)
        QVERIFY(silentBlock(b));
    QVector<QByteArray> loud;
    for (QByteArray &b : m_tone) {
        if (!silentBlock(b))
            loud.append(b);
    }
    QVERIFY(loud.size() > 5);
    m_tone = loud;
}

void TestRecordingPanel::init()
{
    QFile::remove(QVideoSettingXml::preferencesFilePath());
}

void TestRecordingPanel::timeTexts()
{
    QRecordingWidget panel;
    panel.OnSetRecordTime(3723000000ULL);
    QCOMPARE(timeLabel(panel)->text(), QStringLiteral("01:02:03"));
    panel.OnSetRecordTime(999ULL);
    QCOMPARE(timeLabel(panel)->text(), QStringLiteral("00:00:00"));
    panel.OnSetRecordTime(360000000000ULL);
    QCOMPARE(timeLabel(panel)->text(), QStringLiteral("100:00:00"));
    panel.SetRecordState(true);
    QCOMPARE(timeLabel(panel)->text(), QStringLiteral("00:00:00"));
}

void TestRecordingPanel::splitsAfterTheSetSilence()
{
    setSplitting(QStringLiteral("Y"), QStringLiteral("600"));
    QRecordingWidget panel;
    SilenceWatch watch(panel);
    panel.SetRecordState(true);
    watch.feed(m_silent);
    // The clock starts at the first silent tick; the split comes at the first
    // tick more than 600 ms later, then again every 800 ms.
    QCOMPARE(watch.splitsUpTo(2600), QList<qint64>({800, 1600, 2400}));
}

void TestRecordingPanel::soundKeepsTheRecordingWhole()
{
    setSplitting(QStringLiteral("Y"), QStringLiteral("400"));
    QRecordingWidget panel;
    SilenceWatch watch(panel);
    panel.SetRecordState(true);
    watch.feed(m_tone);
    QCOMPARE(watch.splitsUpTo(1400), QList<qint64>());
    // Silence after the sound: split once it lasted longer than the limit.
    watch.feed(m_silent);
    QCOMPARE(watch.splitsUpTo(2400), QList<qint64>({2200}));
    // Only the last block before a tick counts: sound then silence keeps the clock going.
    watch.feed(m_tone);
    watch.feed(m_silent);
    QCOMPARE(watch.splitsUpTo(3000), QList<qint64>({2800}));
}

// The server may hold the capture back and hand it over late, in a burst:
// the time without sound is no silence, wherever the sound was when it stopped.
void TestRecordingPanel::heldBackCaptureIsNoSilence()
{
    setSplitting(QStringLiteral("Y"), QStringLiteral("700"));
    QRecordingWidget panel;
    SilenceWatch watch(panel);
    panel.SetRecordState(true);
    watch.feed(m_silent);
    QCOMPARE(watch.splitsUpTo(400), QList<qint64>());
    // Held back for two seconds after 400 ms of silence...
    QCOMPARE(watch.splitsUpTo(2400, SilenceWatch::HeldBack), QList<qint64>());
    // ...then the burst ends in sound: the silence before was short.
    watch.feed(m_tone);
    QCOMPARE(watch.splitsUpTo(3000), QList<qint64>());
    // Silence heard as it comes still splits after the limit, and the time
    // held back inside it does not count.
    watch.feed(m_silent);
    QCOMPARE(watch.splitsUpTo(3400), QList<qint64>());
    QCOMPARE(watch.splitsUpTo(4400, SilenceWatch::HeldBack), QList<qint64>());
    QCOMPARE(watch.splitsUpTo(5000), QList<qint64>({5000}));
}

void TestRecordingPanel::lowerCaseFlagNeverSplits()
{
    setSplitting(QStringLiteral("y"), QStringLiteral("200"));
    QRecordingWidget panel;
    SilenceWatch watch(panel);
    panel.SetRecordState(true);
    watch.feed(m_silent);
    QCOMPARE(watch.splitsUpTo(1200), QList<qint64>());
    // A limit that is no number switches splitting off too.
    setSplitting(QStringLiteral("Y"), QStringLiteral("soon"));
    QCOMPARE(watch.splitsUpTo(2000), QList<qint64>());
    // The same silence splits once the settings allow it.
    setSplitting(QStringLiteral("Y"), QStringLiteral("200"));
    QCOMPARE(watch.splitsUpTo(2200), QList<qint64>({2200}));
}

void TestRecordingPanel::newRecordingIsNeverSplitAtItsFirstTick()
{
    setSplitting(QStringLiteral("Y"), QStringLiteral("500"));
    QRecordingWidget panel;
    SilenceWatch watch(panel);
    panel.SetRecordState(true);
    watch.feed(m_silent);
    QCOMPARE(watch.splitsUpTo(600), QList<qint64>({600}));
    // The recording ends in silence that goes on longer than the limit...
    panel.SetRecordState(false);
    watch.passTo(1600);
    // ...and the next one starts in it: its silence is its own.
    panel.SetRecordState(true);
    QCOMPARE(watch.splitsUpTo(2200), QList<qint64>({2200}));
}

void TestRecordingPanel::soundIsReportedOncePerRecording()
{
    QRecordingWidget panel;
    QSignalSpy sound(&panel, &QRecordingWidget::emitIsRecordingAlwaysSilence);
    panel.SetRecordState(true);
    for (QByteArray &b : m_silent)
        panel.OnSetAudioData(reinterpret_cast<unsigned char *>(b.data()), RecordedLevels::rateOf(b));
    panel.OnSetAudioData(nullptr, 0);
    QCOMPARE(sound.count(), 0);
    for (QByteArray &b : m_tone)
        panel.OnSetAudioData(reinterpret_cast<unsigned char *>(b.data()), RecordedLevels::rateOf(b));
    QCOMPARE(sound.count(), 1);
    QCOMPARE(sound.at(0).at(0).toBool(), false);
    panel.SetRecordState(false);
    panel.SetRecordState(true);
    QByteArray b = m_tone.first();
    panel.OnSetAudioData(reinterpret_cast<unsigned char *>(b.data()), RecordedLevels::rateOf(b));
    QCOMPARE(sound.count(), 2);
}

void TestRecordingPanel::volumeReadBackSendsNothing()
{
    QRecordingWidget panel;
    QSignalSpy out(&panel, &QRecordingWidget::emitVolumeChange);
    QJXBaseSlider *slider = panel.volumePopup()->GetSlider();
    panel.OnSetVolume(50);
    QCOMPARE(slider->value(), 50.0);
    QCOMPARE(panel.volumeImage(), QStringLiteral("/image/BottomWidget/btn_volume_little.png"));
    panel.OnSetVolume(80);
    QCOMPARE(panel.volumeImage(), QStringLiteral("/image/BottomWidget/btn_volume_big.png"));
    panel.OnSetVolume(0);
    QCOMPARE(panel.volumeImage(), QStringLiteral("/image/BottomWidget/btn_volume_null.png"));
    QCOMPARE(out.count(), 0);
    const struct { double fraction; const char *image; } table[] = {
        {0.0, "btn_volume_null.png"}, {0.001, "btn_volume_null.png"}, {0.0011, "btn_volume_little.png"},
        {0.5, "btn_volume_little.png"}, {0.75, "btn_volume_big.png"}, {1.0, "btn_volume_full.png"}};
    for (const auto &row : table)
        QCOMPARE(QVolumeWidget::buttonImageFor(row.fraction),
                 QStringLiteral("/image/BottomWidget/") + QLatin1String(row.image));
}

void TestRecordingPanel::userVolumeGoesOutWithItsPicture()
{
    QRecordingWidget panel;
    QSignalSpy out(&panel, &QRecordingWidget::emitVolumeChange);
    QJXBaseSlider *slider = panel.volumePopup()->GetSlider();
    panel.OnSetVolume(100);
    QTest::keyClick(slider, Qt::Key_Down);
    QCOMPARE(out.count(), 1);
    QCOMPARE(out.at(0).at(0).toDouble(), 0.99);
    QCOMPARE(panel.volumeImage(), QStringLiteral("/image/BottomWidget/btn_volume_big.png"));
}

void TestRecordingPanel::popupStandsAboveTheButton()
{
    QRecordingWidget panel;
    panel.resize(600, 80);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    auto *button = panel.findChild<QJXBaseButton *>(QStringLiteral("m_btnVolume"));
    QTest::mouseClick(button, Qt::LeftButton);
    QVolumeWidget *popup = panel.volumePopup();
    QVERIFY(popup->isVisible());
    const QPoint expected = panel.mapToGlobal(
        QPoint(button->x() + (button->width() - 16) / 2, button->y() - 64 - 1));
    QCOMPARE(popup->pos(), expected);
    QCOMPARE(popup->GetSlider()->geometry(), QRect(0, 0, 16, 62));
    // Other events leave it; losing activation hides it.
    QEvent focus(QEvent::FocusIn);
    QApplication::sendEvent(popup, &focus);
    QVERIFY(popup->isVisible());
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(popup, &deactivate);
    QVERIFY(!popup->isVisible());
}

void TestRecordingPanel::layoutAndScreenshotWhileRecording()
{
    QRecordingWidget panel;
    panel.resize(600, 80);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    QCOMPARE(timeLabel(panel)->geometry(), QRect(10, 20, 100, 40));
    auto *button = panel.findChild<QJXBaseButton *>(QStringLiteral("m_btnVolume"));
    QCOMPARE(button->pos(), QPoint(600 - button->width() - 10, (80 - button->height()) / 2));
    QVERIFY(!panel.waveWidget()->isVisible());
    panel.SetRecordState(true);
    QVERIFY(panel.waveWidget()->isVisible());
    QCOMPARE(panel.waveWidget()->geometry(),
             QRect(QPoint(109, 0), QPoint(button->x() - 21, 79)));
    BlockFeeder feeder(&panel);
    feeder.feed(m_tone);
    panel.OnSetRecordTime(3723000000ULL);
    QTRY_VERIFY(panel.waveWidget()->barCount() > 0);
    feeder.stop();
    QByteArray block = m_tone[m_tone.size() / 2];
    panel.OnSetAudioData(reinterpret_cast<unsigned char *>(block.data()), RecordedLevels::rateOf(block));
    const QImage shot(TestSupport::saveScreenshot(&panel, QStringLiteral("controls_recording_panel")));
    QVERIFY(!shot.isNull());
    // The wave is drawn in the accent colour between the time and the button.
    const QRect wave = panel.waveWidget()->geometry();
    int accent = 0;
    for (int y = wave.top(); y <= wave.bottom(); ++y)
        for (int x = wave.left(); x <= wave.right(); ++x)
            accent += shot.pixelColor(x, y) == QColor(255, 132, 65) ? 1 : 0;
    QVERIFY2(accent > 100, qPrintable(QString::number(accent)));
    // The whole time fits its label.
    QLabel *time = timeLabel(panel);
    QVERIFY(QFontMetrics(time->font()).horizontalAdvance(time->text()) <= time->width());
    panel.SetRecordState(false);
    QVERIFY(!panel.waveWidget()->isVisible());
}

void TestRecordingPanel::timeFontIsTheLargestThatFits_data()
{
    QTest::addColumn<int>("height");
    for (int height : {24, 40, 56, 80, 120, 200})
        QTest::addRow("%d px high", height) << height;
}

// The time's face takes the largest size from 24 down that shows a full
// time in its label (8 when none does), at every height the panel takes.
void TestRecordingPanel::timeFontIsTheLargestThatFits()
{
    QFETCH(int, height);
    QRecordingWidget panel;
    panel.resize(600, height);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    QLabel *time = timeLabel(panel);
    QFont font = time->font();
    const int size = font.pixelSize();
    const auto advanceAt = [&font](int pixels) {
        font.setPixelSize(pixels);
        return QFontMetrics(font).horizontalAdvance(QStringLiteral("00:00:00"));
    };
    QVERIFY2(size >= 8 && size <= 24, qPrintable(QString::number(size)));
    if (size > 8)
        QVERIFY2(advanceAt(size) <= time->width(), qPrintable(QString::number(size)));
    if (size < 24)
        QVERIFY2(advanceAt(size + 1) > time->width(), qPrintable(QString::number(size)));
}

QTEST_MAIN(TestRecordingPanel)
#include "tst_recording.moc"
