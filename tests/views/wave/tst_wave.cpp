// Level and waveform displays fed with blocks recorded by the recorder role.

#include "recordedlevels.h"
#include "testsupport.h"

#include "widgetkit/views/qaudiodatawidget.h"
#include "widgetkit/views/qaudiowavewidget.h"

#include <QImage>
#include <QScreen>
#include <QWindow>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdlib>
#include <cstring>
#include <memory>

using namespace RecordedLevels;

namespace {

// The attribute every screen of the program gives its waveform.
AudioDataAttribute screenAttribute()
{
    AudioDataAttribute a;
    a.showPeak = false;
    a.peakGravity = 1;
    a.drawMode = 1;
    a.barWidth = 2;
    a.cellHeight = 1;
    a.barSpacing = 6;
    a.cellSpacing = 1;
    a.barColor = QColor(255, 132, 65);
    a.peakColor = QColor(243, 228, 142);
    return a;
}

unsigned char *bytes(QByteArray &block)
{
    return reinterpret_cast<unsigned char *>(block.data());
}

// A block in a heap buffer of exactly its own size, so that the sanitizer
// sees any read past its end.
struct ExactBlock
{
    explicit ExactBlock(const QByteArray &b) : size(size_t(b.size()))
    {
        data = static_cast<unsigned char *>(std::malloc(size));
        std::memcpy(data, b.constData(), size);
    }
    ~ExactBlock() { std::free(data); }
    unsigned char *data;
    size_t size;
};

int countColour(const QImage &image, const QColor &colour, int tolerance = 40)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() > 200 && qAbs(c.red() - colour.red()) < tolerance
                && qAbs(c.green() - colour.green()) < tolerance
                && qAbs(c.blue() - colour.blue()) < tolerance)
                ++n;
        }
    return n;
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget *widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return QObject::eventFilter(watched, event);
    }
    int count = 0;
};

// What the window shows on screen, as its backing store holds it.
QImage onScreen(QWidget *window)
{
    return window->windowHandle()->screen()->grabWindow(window->winId()).toImage();
}

QWidget *filled(QWidget *parent, const QColor &colour, const QRect &geometry)
{
    auto *w = new QWidget(parent);
    w->setAutoFillBackground(true);
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, colour);
    w->setPalette(pal);
    w->setGeometry(geometry);
    return w;
}

// Everything the event loop has waiting, repaints included, is done.
void settle()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

} // namespace

class TestWave : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void recordedSilenceAndToneAreTold();
    void deviationRuleAllowsTenEitherWay();
    void steadyLevelFarFromCentreIsSilentOnlyInWaveMode();
    void rateLimitsTheSamplesExamined();
    void longBlocksAreSummedWithoutOverflow();
    void emptyAndShortBlocksAreSilentAndReadInBounds();
    void moreBarsThanSamplesTakeOneSampleEach();
    void geometryFollowsSizeAndMode();
    void narrowWidgetHasNoBarsAndCallsEverythingSilent();
    void nullBlockClearsPeaksAndPicture();
    void peaksFallAndAreReplaced();
    void levelCellsArePainted();
    void waveformOfRecordedTone();
    void hiddenWaveDrawsNothingButDecides();
    void blockRepaintsTheWaveAloneAndOnce();
    void repaintBetweenBlocksKeepsTheWave();
    void waveIsDrawnOverWhatLiesUnderIt();

private:
    QTemporaryDir m_dir;
    QVector<QByteArray> m_silence;
    QVector<QByteArray> m_tone;
};

void TestWave::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_silence = record(constant(0.0f, 0.5), m_dir.filePath("silence.wav"));
    m_tone = record(TestSupport::sineTone(440, 0.5), m_dir.filePath("tone.wav"));
    QVERIFY(m_silence.size() > 10);
    QVERIFY(m_tone.size() > 10);
    // 50 ms of 44100 Hz mono, reported at half the rate.
    QCOMPARE(sampleCount(m_tone.last()), 2205);
    QCOMPARE(rateOf(m_tone.last()), 22050);
}

void TestWave::recordedSilenceAndToneAreTold()
{
    AudioDataAttribute a = screenAttribute();
    QAudioWaveWidget wave(nullptr, &a);
    wave.resize(390, 80);
    wave.show();
    QByteArray silence = m_silence.last();
    QByteArray tone = m_tone.last();
    QVERIFY(wave.setAudioData(bytes(silence), rateOf(silence)));
    // Silence sits at the centre value: half of the cells.
    for (unsigned v : wave.barValues())
        QCOMPARE(v, 40u);
    QVERIFY(!wave.setAudioData(bytes(tone), rateOf(tone)));
    // The tone swings the bar averages around the centre.
    unsigned lo = 80, hi = 0;
    for (unsigned v : wave.barValues()) {
        lo = qMin(lo, v);
        hi = qMax(hi, v);
    }
    QVERIFY2(lo < 35 && hi > 45, qPrintable(QString("%1..%2").arg(lo).arg(hi)));
}

void TestWave::deviationRuleAllowsTenEitherWay()
{
    QByteArray base = m_silence.last();
    const unsigned short first = sampleAt(base, 0);
    const int last = 1599; // the last sample examined at the recorder's rate
    QVector<unsigned int> values(50);
    for (int delta : {10, -10, 11, -11}) {
        QByteArray block = base;
        setSample(block, 700, quint16(first + delta));
        setSample(block, last, quint16(first + (delta > 0 ? 3 : -3)));
        const int count = sampleCount(block) * 16000 / rateOf(block);
        auto *samples = reinterpret_cast<unsigned short *>(bytes(block) + 44);
        const bool silent = TransData(samples, count, values.data(), 50, 80, true);
        QCOMPARE(silent, qAbs(delta) <= 10);
    }
}

void TestWave::steadyLevelFarFromCentreIsSilentOnlyInWaveMode()
{
    // A steady level of +0.5: every level sample is 49152 (0.5 × 32767 rounded, plus 32768), far from 32768.
    QVector<QByteArray> steady = record(constant(0.5f, 0.2), m_dir.filePath("steady.wav"));
    QVERIFY(!steady.isEmpty());
    QByteArray block = steady.last();
    QCOMPARE(sampleAt(block, 100), quint16(49152));

    AudioDataAttribute waveMode = screenAttribute();
    QAudioDataWidget wave(nullptr, &waveMode);
    wave.resize(100, 64);
    wave.show();
    QVERIFY(wave.setAudioData(bytes(block), rateOf(block)));

    AudioDataAttribute cellMode;
    cellMode.barWidth = 4;
    cellMode.cellHeight = 3;
    cellMode.barSpacing = 1;
    cellMode.cellSpacing = 1;
    QAudioDataWidget cells(nullptr, &cellMode);
    cells.resize(100, 64);
    cells.show();
    QVERIFY(!cells.setAudioData(bytes(block), rateOf(block)));
    // 49152 of 65536 lights three quarters of the 16 cells.
    QCOMPARE(cells.barValues().front(), 12u);
}

void TestWave::rateLimitsTheSamplesExamined()
{
    QByteArray block = m_silence.last();
    const int n = sampleCount(block);
    // Past the part examined at 22050 (2205 × 16000 / 22050 = 1600 samples).
    setSample(block, 1700, quint16(sampleAt(block, 0) + 500));
    AudioDataAttribute a = screenAttribute();
    QAudioWaveWidget wave(nullptr, &a);
    wave.resize(390, 80);
    wave.show();
    QVERIFY(wave.setAudioData(bytes(block), 22050));
    // Below 16000 every sample counts.
    QVERIFY(!wave.setAudioData(bytes(block), 8000));
    QVERIFY(!wave.setAudioData(bytes(block), 15999));
    // Just inside the examined part.
    QByteArray inside = m_silence.last();
    setSample(inside, 1599, quint16(sampleAt(inside, 0) + 500));
    QVERIFY(!wave.setAudioData(bytes(inside), 22050));
    QCOMPARE(n, 2205);
}

void TestWave::longBlocksAreSummedWithoutOverflow()
{
    // Full-scale recorded level, 32 blocks end to end: 70,560 samples of
    // 65535, whose sum does not fit in 32 bits.
    QVector<QByteArray> full = record(constant(1.0f, 0.2), m_dir.filePath("full.wav"));
    QVERIFY(!full.isEmpty());
    QVector<unsigned short> samples;
    for (int k = 0; k < 32; ++k)
        for (int i = 0; i < sampleCount(full.last()); ++i)
            samples.append(sampleAt(full.last(), i));
    QCOMPARE(samples.first(), quint16(65535));
    unsigned int value = 0;
    QVERIFY(!TransData(samples.data(), samples.size(), &value, 1, 100, false));
    QCOMPARE(value, 99u); // 65535 × 100 >> 16

    // A long block at 44100: its sample count × 16000 does not fit in 32
    // bits either; only the leading 200000 × 16000 / 44100 samples count.
    QVector<unsigned short> flat(200000, 32768);
    const int used = int(200000LL * 16000 / 44100);
    flat[used] = 40000;
    QByteArray block = makeBlock(flat, 88200);
    AudioDataAttribute a = screenAttribute();
    QAudioWaveWidget wave(nullptr, &a);
    wave.resize(390, 80);
    wave.show();
    QVERIFY(wave.setAudioData(bytes(block), 44100));
    flat[used - 1] = 40000;
    block = makeBlock(flat, 88200);
    QVERIFY(!wave.setAudioData(bytes(block), 44100));
}

void TestWave::emptyAndShortBlocksAreSilentAndReadInBounds()
{
    AudioDataAttribute a = screenAttribute();
    QAudioWaveWidget wave(nullptr, &a);
    wave.resize(390, 80);
    wave.show();
    QByteArray tone = m_tone.last();
    QVERIFY(!wave.setAudioData(bytes(tone), rateOf(tone)));

    // Header only: no sample at all. The buffer ends at byte 44.
    ExactBlock empty(makeBlock({}, 44100));
    QCOMPARE(empty.size, size_t(44));
    QVERIFY(wave.setAudioData(empty.data, 22050));
    for (unsigned v : wave.barValues())
        QCOMPARE(v, 0u);

    // One byte of data: still no whole sample.
    QByteArray oneByte = makeBlock({}, 44100);
    oneByte[40] = 1;
    oneByte.append('\x7f');
    ExactBlock odd(oneByte);
    QVERIFY(wave.setAudioData(odd.data, 22050));

    // A short block at a high rate can be cut to no samples.
    ExactBlock one(makeBlock({60000}, 44100));
    QVERIFY(wave.setAudioData(one.data, 1000000));

    // The reduction alone: no samples, no reads.
    unsigned int values[4] = {7, 7, 7, 7};
    QVERIFY(TransData(nullptr, 0, values, 4, 10, true));
    QCOMPARE(values[3], 0u);
    QVERIFY(TransData(nullptr, 0, values, 0, 10, false));
}

void TestWave::moreBarsThanSamplesTakeOneSampleEach()
{
    const QVector<unsigned short> three = {sampleAt(m_tone.last(), 10),
                                           sampleAt(m_tone.last(), 30),
                                           sampleAt(m_tone.last(), 60)};
    ExactBlock block(makeBlock(three, 8000));
    auto *samples = reinterpret_cast<unsigned short *>(block.data + 44);
    unsigned int values[10];
    TransData(samples, 3, values, 10, 0, false);
    for (int i = 0; i < 10; ++i)
        QCOMPARE(values[i], unsigned(three[i * 3 / 10]));
}

void TestWave::geometryFollowsSizeAndMode()
{
    AudioDataAttribute a = screenAttribute();
    QAudioWaveWidget wave(nullptr, &a);
    QCOMPARE(wave.barCount(), 0); // no bars before the first resize or show
    wave.resize(390, 80);
    wave.show();
    // The wave mode steps by the bar width alone.
    QCOMPARE(wave.barCount(), 195);
    QCOMPARE(wave.cellsPerBar(), 80);

    AudioDataAttribute cellMode;
    cellMode.barWidth = 4;
    cellMode.barSpacing = 2;
    cellMode.cellHeight = 3;
    cellMode.cellSpacing = 1;
    QAudioDataWidget cells(nullptr, &cellMode);
    cells.resize(100, 41);
    cells.show();
    QCOMPARE(cells.barCount(), (100 + 2) / 6);
    QCOMPARE(cells.cellsPerBar(), (41 + 1) / 4);
    cells.resize(200, 41);
    QCOMPARE(cells.barCount(), (200 + 2) / 6);
}

void TestWave::narrowWidgetHasNoBarsAndCallsEverythingSilent()
{
    AudioDataAttribute a;
    a.barWidth = 10;
    a.barSpacing = 4;
    QAudioDataWidget narrow(nullptr, &a);
    narrow.resize(5, 40);
    narrow.show();
    QCOMPARE(narrow.barCount(), 0);
    QByteArray tone = m_tone.last();
    QVERIFY(narrow.setAudioData(bytes(tone), rateOf(tone)));
}

void TestWave::nullBlockClearsPeaksAndPicture()
{
    AudioDataAttribute a;
    a.barWidth = 6;
    a.cellHeight = 4;
    a.cellSpacing = 1;
    a.barSpacing = 2;
    a.showPeak = true;
    a.barColor = QColor(0, 200, 0);
    QAudioDataWidget cells(nullptr, &a);
    cells.resize(80, 60);
    cells.setBackgroundColor(QColor(10, 10, 10));
    cells.show();
    QByteArray tone = m_tone.last();
    cells.setAudioData(bytes(tone), rateOf(tone));
    QVERIFY(countColour(cells.grab().toImage(), a.barColor) > 0);
    QVERIFY(cells.peakLevels().front() > 0);

    QVERIFY(cells.setAudioData(nullptr, 0));
    for (int level : cells.peakLevels())
        QCOMPARE(level, 0);
    const QImage blank = cells.grab().toImage();
    QCOMPARE(countColour(blank, a.barColor), 0);
    QCOMPARE(countColour(blank, a.peakColor), 0);
}

void TestWave::peaksFallAndAreReplaced()
{
    QVector<QByteArray> high = record(constant(1.0f, 0.1), m_dir.filePath("high.wav"));
    QVector<QByteArray> low = record(constant(-1.0f, 0.1), m_dir.filePath("low.wav"));
    QVERIFY(!high.isEmpty() && !low.isEmpty());
    QByteArray top = high.last(), bottom = low.last();

    AudioDataAttribute a;
    a.barWidth = 4;
    a.cellHeight = 2;
    a.cellSpacing = 1;
    a.showPeak = true;
    a.peakGravity = 1;
    QAudioDataWidget gravity(nullptr, &a);
    gravity.resize(8, 30); // 2 bars of 10 cells
    gravity.show();
    gravity.setAudioData(bytes(top), rateOf(top));
    // 9 lit cells (65535 × 10 >> 16) of 3 pixels, less the last gap.
    int expected = 3 * 9 - 1;
    QCOMPARE(gravity.peakLevels().front(), expected);
    // Falling ever faster: (n × n) >> 3 pixels at the n-th block.
    for (int n = 1; n <= 9; ++n) {
        gravity.setAudioData(bytes(bottom), rateOf(bottom));
        // A fall below zero is replaced at once by the bar's own height, 0.
        expected = qMax(0, expected - ((n * n) >> 3));
        QCOMPARE(gravity.peakLevels().front(), expected);
    }
    QCOMPARE(expected, 0);
    gravity.setAudioData(bytes(top), rateOf(top));
    QCOMPARE(gravity.peakLevels().front(), 26);

    a.peakGravity = 0;
    QAudioDataWidget steady(nullptr, &a);
    steady.resize(8, 30);
    steady.show();
    steady.setAudioData(bytes(top), rateOf(top));
    steady.setAudioData(bytes(bottom), rateOf(bottom));
    steady.setAudioData(bytes(bottom), rateOf(bottom));
    QCOMPARE(steady.peakLevels().front(), 24);
}

void TestWave::levelCellsArePainted()
{
    QVector<QByteArray> steady = record(constant(0.5f, 0.1), m_dir.filePath("cells.wav"));
    QByteArray block = steady.last();
    AudioDataAttribute a;
    a.barWidth = 6;
    a.barSpacing = 2;
    a.cellHeight = 4;
    a.cellSpacing = 2;
    a.barColor = QColor(255, 132, 65);
    QAudioDataWidget cells(nullptr, &a);
    cells.resize(64, 62); // 8 bars, 10 cells
    cells.setBackgroundColor(QColor(20, 20, 20));
    cells.show();
    cells.setAudioData(bytes(block), rateOf(block));
    QCOMPARE(cells.barValues().front(), 7u); // 49152 × 10 >> 16
    // The screenshot is the paint of this block (a paint uses up the block).
    const QImage image(TestSupport::saveScreenshot(&cells, "mediawidgets_level_cells"));
    QVERIFY(!image.isNull());
    const int bottom = 61;
    // Inside the lowest and the seventh cell of bar 0: the bar colour.
    QCOMPARE(image.pixelColor(3, bottom - 2), a.barColor);
    QCOMPARE(image.pixelColor(3, bottom - 2 - 6 * 6), a.barColor);
    // The gap between cells, the eighth cell and the spacing between bars.
    QCOMPARE(image.pixelColor(3, bottom - 5), QColor(20, 20, 20));
    QCOMPARE(image.pixelColor(3, bottom - 2 - 6 * 7), QColor(20, 20, 20));
    QCOMPARE(image.pixelColor(7, bottom - 2), QColor(20, 20, 20));
    // A repaint without a new block shows the background only.
    QCOMPARE(countColour(cells.grab().toImage(), a.barColor), 0);
}

void TestWave::waveformOfRecordedTone()
{
    QWidget panel;
    panel.resize(402, 92);
    panel.setAutoFillBackground(true);
    QPalette pal = panel.palette();
    pal.setColor(QPalette::Window, QColor(44, 44, 44));
    panel.setPalette(pal);
    AudioDataAttribute a = screenAttribute();
    auto *wave = new QAudioWaveWidget(&panel, &a);
    wave->setGeometry(6, 6, 390, 80);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));

    QByteArray tone = m_tone[m_tone.size() / 2];
    QVERIFY(!wave->setAudioData(bytes(tone), rateOf(tone)));
    const QImage image(TestSupport::saveScreenshot(&panel, "mediawidgets_waveform_tone"));
    QVERIFY(!image.isNull());
    const QImage waveOnly = image.copy(6, 6, 390, 80);
    const int orange = countColour(waveOnly, a.barColor);
    QVERIFY2(orange > 300, qPrintable(QString::number(orange)));
    // Mirrored about the centre line: as much of it above as below.
    const int above = countColour(waveOnly.copy(0, 0, 390, 40), a.barColor);
    const int below = countColour(waveOnly.copy(0, 40, 390, 40), a.barColor);
    QVERIFY2(qAbs(above - below) < orange / 5, qPrintable(QString("%1 %2").arg(above).arg(below)));
    // The wave swings well away from the centre somewhere in the middle.
    int reach = 0;
    for (int y = 0; y < 80; ++y)
        for (int x = 40; x < 350; ++x)
            if (countColour(waveOnly.copy(x, y, 1, 1), a.barColor))
                reach = qMax(reach, qAbs(y - 40));
    QVERIFY2(reach >= 15, qPrintable(QString::number(reach)));
    // Halo lines in their own colours.
    QVERIFY(countColour(waveOnly, QColor(120, 80, 62), 6) > 0);
    // The line is unbroken: no column without it up to its end, the last
    // third bar.
    const int lineEnd = a.barWidth * ((int(wave->barValues().size()) - 1) / 3 * 3);
    QVERIFY(lineEnd > 300);
    for (int x = 0; x < lineEnd; ++x)
        QVERIFY2(countColour(waveOnly.copy(x, 0, 1, 80), a.barColor) > 0, qPrintable(QString::number(x)));
    // Even where it runs steeply the line is as wide as its pen: a single
    // pixel across only at the odd tip of a peak (the halos, which cross its
    // edge there, left out).
    wave->SetHaloHeight(0, 2);
    QVERIFY(!wave->setAudioData(bytes(tone), rateOf(tone)));
    const QImage bare = QImage(TestSupport::saveScreenshot(&panel, "mediawidgets_waveform_tone_bare"))
                            .copy(6, 6, 390, 80);
    QCOMPARE(countColour(bare, QColor(120, 80, 62), 6), 0);
    int runs = 0, slivers = 0;
    for (int y = 0; y < 80; ++y) {
        int run = 0;
        for (int x = 0; x <= 390; ++x) {
            if (x < 390 && countColour(bare.copy(x, y, 1, 1), a.barColor) > 0) {
                ++run;
                continue;
            }
            if (run > 0) {
                ++runs;
                if (run < a.barWidth)
                    ++slivers;
            }
            run = 0;
        }
    }
    QVERIFY2(runs > 100 && slivers < runs / 20, qPrintable(QString("%1 of %2").arg(slivers).arg(runs)));
    wave->SetHaloHeight(6, 2);

    // Silence: a flat line on the centre only.
    QByteArray silence = m_silence.last();
    QVERIFY(wave->setAudioData(bytes(silence), rateOf(silence)));
    const QImage flat =
        QImage(TestSupport::saveScreenshot(&panel, "mediawidgets_waveform_silence"))
            .copy(6, 6, 390, 80);
    QCOMPARE(countColour(flat.copy(0, 0, 390, 30), a.barColor), 0);
    QVERIFY(countColour(flat.copy(0, 36, 390, 8), a.barColor) > 100);
    // All along, as thick as the pen: the upper and the lower line, a row
    // apart, cover the two rows about the centre and at most one more.
    for (int x = 0; x < lineEnd; ++x) {
        QVERIFY2(countColour(flat.copy(x, 39, 1, 2), a.barColor) == a.barWidth, qPrintable(QString::number(x)));
        QVERIFY2(countColour(flat.copy(x, 30, 1, 20), a.barColor) <= a.barWidth + 1, qPrintable(QString::number(x)));
    }
    // The halos stack outwards from the line's edges, a row each, halo k in
    // its own colour on the k-th row out, above and below alike.
    for (int x = 20; x < lineEnd - 20; x += 37) {
        int first = -1, last = -1;
        for (int y = 0; y < 80; ++y) {
            if (flat.pixelColor(x, y) == QColor(a.barColor)) {
                first = first < 0 ? y : first;
                last = y;
            }
        }
        QVERIFY2(first >= 30 && last <= 50, qPrintable(QString::number(x)));
        for (int k = 0; k < 6; ++k) {
            const QColor halo(120 - 8 * k, 80 - 2 * k, 62);
            QVERIFY2(flat.pixelColor(x, first - 1 - k) == halo && flat.pixelColor(x, last + 1 + k) == halo,
                     qPrintable(QStringLiteral("halo %1 at column %2").arg(k).arg(x)));
        }
        QCOMPARE(flat.pixelColor(x, first - 7), QColor(44, 44, 44));
        QCOMPARE(flat.pixelColor(x, last + 7), QColor(44, 44, 44));
    }
}

void TestWave::hiddenWaveDrawsNothingButDecides()
{
    AudioDataAttribute a = screenAttribute();
    QAudioWaveWidget wave(nullptr, &a);
    wave.resize(390, 80);
    wave.show();
    wave.hide();
    QByteArray tone = m_tone.last();
    QByteArray silence = m_silence.last();
    QVERIFY(!wave.setAudioData(bytes(tone), rateOf(tone)));
    QVERIFY(wave.setAudioData(bytes(silence), rateOf(silence)));
    wave.setAudioData(bytes(tone), rateOf(tone));
    QImage image(390, 80, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    wave.render(&image);
    QCOMPARE(countColour(image, a.barColor), 0);
}

// A block repaints the waveform only, never the widgets beneath it; blocks
// that come faster than the screen is painted cost one paint; without a new
// block nothing is painted.
void TestWave::blockRepaintsTheWaveAloneAndOnce()
{
    QWidget panel;
    panel.resize(402, 92);
    QWidget *beneath = filled(&panel, QColor(44, 44, 44), QRect(0, 0, 402, 92));
    AudioDataAttribute a = screenAttribute();
    auto *wave = new QAudioWaveWidget(&panel, &a);
    wave->setGeometry(6, 6, 390, 80);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    settle();

    PaintCounter panelPaints(&panel), beneathPaints(beneath), wavePaints(wave);
    QByteArray tone = m_tone[m_tone.size() / 2];
    wave->setAudioData(bytes(tone), rateOf(tone));
    QTRY_VERIFY(wavePaints.count >= 1);
    QVERIFY(wave->holdsBackground());
    settle();

    panelPaints.count = 0;
    beneathPaints.count = 0;
    wavePaints.count = 0;
    for (int i = 0; i < 10; ++i) {
        QByteArray block = m_tone[i % m_tone.size()];
        wave->setAudioData(bytes(block), rateOf(block));
        QTRY_COMPARE(wavePaints.count, i + 1);
    }
    QCOMPARE(panelPaints.count, 0);
    QCOMPARE(beneathPaints.count, 0);

    wavePaints.count = 0;
    for (int i = 0; i < 5; ++i) {
        QByteArray block = m_tone[i % m_tone.size()];
        wave->setAudioData(bytes(block), rateOf(block));
    }
    QTRY_COMPARE(wavePaints.count, 1);
    settle();
    QCOMPARE(wavePaints.count, 1);
    QCOMPARE(panelPaints.count, 0);
    QCOMPARE(beneathPaints.count, 0);
}

// A repaint with no new block (the window uncovered, or grabbed) shows the
// last wave again; it once showed the bare picture beneath until the next
// block, and a grab of the window never held a wave.
void TestWave::repaintBetweenBlocksKeepsTheWave()
{
    QWidget panel;
    panel.resize(402, 92);
    filled(&panel, QColor(44, 44, 44), QRect(0, 0, 402, 92));
    AudioDataAttribute a = screenAttribute();
    auto *wave = new QAudioWaveWidget(&panel, &a);
    wave->setGeometry(6, 6, 390, 80);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    settle();

    PaintCounter wavePaints(wave);
    QByteArray tone = m_tone[m_tone.size() / 2];
    wave->setAudioData(bytes(tone), rateOf(tone));
    QTRY_VERIFY(wavePaints.count >= 1);
    QVERIFY(wave->holdsBackground());
    settle();
    const int shownOnce = countColour(panel.grab().toImage().copy(6, 6, 390, 80), a.barColor);
    QVERIFY2(shownOnce > 300, qPrintable(QString::number(shownOnce)));
    wave->repaint();
    const QImage kept(TestSupport::saveScreenshot(&panel, "mediawidgets_waveform_kept"));
    QCOMPARE(countColour(kept.copy(6, 6, 390, 80), a.barColor), shownOnce);

    // The empty block clears it for good.
    wave->setAudioData(nullptr, 0);
    settle();
    wave->repaint();
    QCOMPARE(countColour(panel.grab().toImage().copy(6, 6, 390, 80), a.barColor), 0);
}

// The waveform stands over the widgets beneath it as they are drawn, there and
// after a move; a quieter block leaves no trace of the louder one.
void TestWave::waveIsDrawnOverWhatLiesUnderIt()
{
    const QColor left(30, 60, 200), right(20, 150, 40);
    QWidget panel;
    panel.resize(402, 92);
    filled(&panel, left, QRect(0, 0, 201, 92));
    filled(&panel, right, QRect(201, 0, 201, 92));
    AudioDataAttribute a = screenAttribute();
    auto *wave = new QAudioWaveWidget(&panel, &a);
    wave->setGeometry(6, 6, 390, 80);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    PaintCounter wavePaints(wave);

    QByteArray tone = m_tone[m_tone.size() / 2];
    wave->setAudioData(bytes(tone), rateOf(tone));
    QTRY_VERIFY(wavePaints.count >= 1);
    settle();
    QImage shown = onScreen(&panel);
    QVERIFY(shown.save(TestSupport::screenshotDir() + QStringLiteral("/mediawidgets_waveform_over_panel.png")));
    // The corners of the waveform's area show the panel beneath, each half
    // its own colour; the wave swings in between.
    QCOMPARE(shown.pixelColor(8, 8), left);
    QCOMPARE(shown.pixelColor(393, 8), right);
    QCOMPARE(shown.pixelColor(8, 84), left);
    QCOMPARE(shown.pixelColor(393, 84), right);
    const int swing = countColour(shown.copy(40, 6, 320, 30), a.barColor);
    QVERIFY2(swing > 50, qPrintable(QString::number(swing)));

    // Moved to the right: what lies beneath is taken again.
    wave->setGeometry(12, 6, 390, 80);
    wave->setAudioData(bytes(tone), rateOf(tone));
    QTRY_VERIFY(wave->holdsBackground());
    settle();
    shown = onScreen(&panel);
    QCOMPARE(shown.pixelColor(14, 8), left);
    QCOMPARE(shown.pixelColor(399, 8), right);
    QCOMPARE(shown.pixelColor(8, 8), left);

    // Silence: only the centre line is left, the panel shows again above it.
    QByteArray silence = m_silence.last();
    wave->setAudioData(bytes(silence), rateOf(silence));
    settle();
    shown = onScreen(&panel);
    QCOMPARE(countColour(shown.copy(12, 6, 390, 30), a.barColor), 0);
    QVERIFY(countColour(shown.copy(12, 42, 390, 8), a.barColor) > 100);
    QCOMPARE(shown.pixelColor(100, 20), left);
    QCOMPARE(shown.pixelColor(300, 20), right);
}

QTEST_MAIN(TestWave)
#include "tst_wave.moc"
