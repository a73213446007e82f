// Progress bar: values, ranges, texts, the drawn fill and repaint throttling.

#include "controlart.h"
#include "testsupport.h"
#include "widgetkit/qjxbaseprogress.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <algorithm>

namespace {

const QColor kFill(6, 176, 37);
const QColor kTrack(230, 230, 230);

int countColor(const QImage &image, const QColor &color)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += near(image.pixelColor(x, y), color, 6) ? 1 : 0;
    return n;
}

// Counts the paints a widget receives. flush() hands over the repaints asked
// for so far without running timers, so a test driving the clock stays exact.
class PaintCount : public QObject
{
public:
    int paints = 0;
    explicit PaintCount(QWidget *w) { w->installEventFilter(this); }
    int flush()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        return paints;
    }
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// Timers of the widget that are running now.
int runningTimers(const QWidget &w)
{
    const QList<QTimer *> timers = w.findChildren<QTimer *>();
    return int(std::count_if(timers.begin(), timers.end(), [](const QTimer *t) { return t->isActive(); }));
}

} // namespace

class TestProgress : public QObject
{
    Q_OBJECT
private slots:
    void valuesAreClampedAndSignalled();
    void rangeIsOrderedAndMovesValueSilently();
    void formatTexts();
    void drawnTextFollowsFormat();
    void emptyRangeDrawsNothingAndDividesByNothing();
    void offsetsCoveringTheBarAreDropped();
    void horizontalFillIsDrawnUpToTheValue();
    void verticalFillGrowsFromTheBottom();
    void roundRingFillsClockwiseFromTheTop();
    void filledPathFollowsTheValue();
    void repaintsAreThrottledByTheInterval();
    void onlyAWaitingValueKeepsATimerRunning();
};

void TestProgress::valuesAreClampedAndSignalled()
{
    QJXBaseProgress bar;
    QSignalSpy changed(&bar, SIGNAL(valueChanged(double)));
    bar.setValue(150.0);
    QCOMPARE(bar.value(), 100.0);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.last().at(0).toDouble(), 100.0);
    bar.setValue(150.0);
    QCOMPARE(changed.count(), 2);
    bar.setValue(100.0);
    QCOMPARE(changed.count(), 2);
    bar.setValue(-3);
    QCOMPARE(bar.value(), 0.0);
}

void TestProgress::rangeIsOrderedAndMovesValueSilently()
{
    QJXBaseProgress bar;
    bar.setRange(100, 0);
    QCOMPARE(bar.minimum(), 0.0);
    QCOMPARE(bar.maximum(), 100.0);
    bar.setRange(0, 200);
    bar.setValue(120.0);
    QSignalSpy changed(&bar, SIGNAL(valueChanged(double)));
    bar.setRange(0, 100);
    QCOMPARE(bar.value(), 100.0);
    QCOMPARE(changed.count(), 0);
}

void TestProgress::formatTexts()
{
    QJXBaseProgress bar;
    bar.setValue(25.0);
    QCOMPARE(bar.getFormatValue(), QStringLiteral("25.0%"));
    bar.setRange(0, 9);
    bar.setDecimals(0);
    bar.setFormat(QStringLiteral("%v/%m"));
    bar.setValue(3.0);
    QCOMPARE(bar.getFormatValue(), QStringLiteral("3/10"));
    bar.setDecimals(-2);
    QCOMPARE(bar.decimals(), 0);
    bar.setFormat(QStringLiteral("%p%% of %m, %v %v"));
    QCOMPARE(bar.getFormatValue(), QStringLiteral("33%% of 10, 3 3"));
}

void TestProgress::drawnTextFollowsFormat()
{
    QJXBaseProgress bar;
    bar.resize(120, 30);
    QPalette p = bar.palette();
    p.setColor(QPalette::WindowText, QColor(255, 0, 255));
    bar.setPalette(p);
    bar.setValue(40.0);
    QVERIFY(countColor(grabImage(&bar), QColor(255, 0, 255)) > 5);
    bar.resetFormat();
    QCOMPARE(countColor(grabImage(&bar), QColor(255, 0, 255)), 0);
}

void TestProgress::emptyRangeDrawsNothingAndDividesByNothing()
{
    QJXBaseProgress bar;
    bar.resize(200, 20);
    bar.setCircle(false);
    bar.setRange(5, 5);
    bar.setValue(9.0);
    QCOMPARE(bar.value(), 5.0);
    QCOMPARE(bar.fraction(), 0.0);
    QCOMPARE(bar.getFormatValue(), QStringLiteral("0.0%"));
    bar.resetFormat();
    const QImage image = grabImage(&bar);
    QCOMPARE(countColor(image, kFill), 0);
    QVERIFY(near(image.pixelColor(100, 10), kTrack));

    QJXBaseProgress round;
    round.resize(60, 60);
    round.setProgressPolicy(QJXBaseProgress::RoundBar);
    round.setRange(0, 0);
    round.resetFormat();
    QCOMPARE(countColor(grabImage(&round), kFill), 0);
}

void TestProgress::offsetsCoveringTheBarAreDropped()
{
    QJXBaseProgress bar;
    bar.resize(100, 10);
    bar.setOffset(60, 60);
    QCOMPARE(bar.getTLOffset(), 0);
    QCOMPARE(bar.getRBOffset(), 0);
    bar.setOffset(20, 30);
    QCOMPARE(bar.getTLOffset(), 20);
    QCOMPARE(bar.getRBOffset(), 30);
}

void TestProgress::horizontalFillIsDrawnUpToTheValue()
{
    QJXBaseProgress bar;
    bar.resize(200, 20);
    bar.setCircle(false);
    bar.resetFormat();
    bar.setValue(50.0);
    QImage image = grabImage(&bar);
    QVERIFY(near(image.pixelColor(10, 10), kFill));
    QVERIFY(near(image.pixelColor(95, 10), kFill));
    QVERIFY(near(image.pixelColor(105, 10), kTrack));
    QVERIFY(near(image.pixelColor(190, 10), kTrack));

    // Pictures: the fill picture is drawn over the track picture.
    ControlArt art;
    bar.setBottomImage(art.solid(QStringLiteral("track.png"), 40, 20, QColor(0, 0, 200)));
    bar.setTopImage(art.solid(QStringLiteral("fill.png"), 40, 20, QColor(200, 0, 0)));
    bar.setValue(25.0);
    image = grabImage(&bar);
    QVERIFY(near(image.pixelColor(20, 10), QColor(200, 0, 0)));
    QVERIFY(near(image.pixelColor(100, 10), QColor(0, 0, 200)));
    // The track picture is 10 logical pixels high, centred in the bar.
    QVERIFY(image.pixelColor(100, 2).alpha() < 20 || !near(image.pixelColor(100, 2), QColor(0, 0, 200)));
}

void TestProgress::verticalFillGrowsFromTheBottom()
{
    QJXBaseProgress bar;
    bar.resize(20, 200);
    bar.setProgressPolicy(QJXBaseProgress::VerticalBar);
    bar.setCircle(false);
    bar.resetFormat();
    bar.setValue(25.0);
    const QImage image = grabImage(&bar);
    QVERIFY(near(image.pixelColor(10, 190), kFill));
    QVERIFY(near(image.pixelColor(10, 155), kFill));
    QVERIFY(near(image.pixelColor(10, 145), kTrack));
    QVERIFY(near(image.pixelColor(10, 10), kTrack));
}

void TestProgress::filledPathFollowsTheValue()
{
    QJXBaseProgress bar;
    bar.resize(200, 20);
    bar.setCircle(true);
    bar.setCircleLenght(10);
    bar.setValue(50.0);
    // Long fill: a rounded rectangle from the start, half the track long.
    QPainterPath path = bar.getProPath();
    QCOMPARE(path.boundingRect(), QRectF(0, 0, 100, 20));
    QVERIFY(path.contains(QPointF(50, 10)));
    QVERIFY(!path.contains(QPointF(0.5, 0.5))); // rounded corner
    QVERIFY(!path.contains(QPointF(110, 10)));

    // Shorter than both caps: the two rounded ends, each cut to half.
    bar.setValue(6.0); // 12 of 200 pixels, caps of 10
    path = bar.getProPath();
    QCOMPARE(path.boundingRect().left(), 0.0);
    QCOMPARE(path.boundingRect().width(), 12.0);
    QVERIFY(path.contains(QPointF(6, 10)));
    QVERIFY(!path.contains(QPointF(0.5, 0.5)));
    QVERIFY(!path.contains(QPointF(11.5, 0.5)));

    bar.setValue(0.0);
    QVERIFY(bar.getProPath().isEmpty());

    QJXBaseProgress vertical;
    vertical.resize(20, 200);
    vertical.setProgressPolicy(QJXBaseProgress::VerticalBar);
    vertical.setCircle(false);
    vertical.setValue(25.0);
    QCOMPARE(vertical.getProPath().boundingRect(), QRectF(0, 149.5, 20, 50.5));

    QJXBaseProgress round;
    round.setProgressPolicy(QJXBaseProgress::RoundBar);
    round.setValue(50.0);
    QVERIFY(round.getProPath().isEmpty());
}

void TestProgress::roundRingFillsClockwiseFromTheTop()
{
    QJXBaseProgress round;
    round.resize(100, 100);
    round.setProgressPolicy(QJXBaseProgress::RoundBar);
    round.resetFormat();
    round.setValue(50.0);
    const QImage image = grabImage(&round);
    // Half a turn clockwise from 12 o'clock covers the right half of the ring.
    QVERIFY(near(image.pixelColor(93, 50), kFill));
    QVERIFY(!near(image.pixelColor(6, 50), kFill));
    // The hole (three quarters of the size) is not filled.
    QVERIFY(!near(image.pixelColor(50, 50), kFill));
    QVERIFY(!near(image.pixelColor(70, 50), kFill));
}

void TestProgress::repaintsAreThrottledByTheInterval()
{
    QJXBaseProgress bar;
    bar.resize(200, 20);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    qint64 now = 1000;
    bar.setThrottleClock([&now] { return now; });
    bar.setUpdateInterval(100);
    PaintCount count(&bar);
    QSignalSpy values(&bar, SIGNAL(valueChanged(double)));
    int painted = count.flush();
    auto at = [&](qint64 ms) {
        now = ms;
        return count.flush();
    };

    // Within the interval after the last repaint a change only waits.
    bar.setValue(1.0);
    QCOMPARE(at(1050), painted);
    // Once the interval has passed, the next change repaints at once...
    now = 1100;
    bar.setValue(2.0);
    QCOMPARE(count.flush(), ++painted);
    // ...and a burst of changes after it waits, yet every value is signalled.
    for (int ms = 1110; ms < 1200; ms += 10) {
        bar.setValue(double(ms % 100 + 3));
        QCOMPARE(at(ms), painted);
    }
    QCOMPARE(values.count(), 11);
    bar.setValue(4.0);
    QCOMPARE(at(1200), painted);
    bar.setValue(5.0);
    QCOMPARE(count.flush(), ++painted);

    // The pending last value shows on the first tick two intervals after the
    // last repaint, and only once.
    bar.setValue(6.0);
    bar.UpdateTime();
    QCOMPARE(at(1300), painted);
    bar.UpdateTime();
    QCOMPARE(at(1399), painted);
    bar.UpdateTime();
    QCOMPARE(count.flush(), painted);
    now = 1400;
    bar.UpdateTime();
    QCOMPARE(count.flush(), ++painted);
    now = 1700;
    bar.UpdateTime();
    QCOMPARE(count.flush(), painted);
    QCOMPARE(bar.value(), 6.0);

    // Without an interval every change repaints.
    bar.setUpdateInterval(0);
    bar.setValue(7.0);
    QCOMPARE(count.flush(), ++painted);
    bar.setValue(8.0);
    QCOMPARE(count.flush(), ++painted);

    // On the real clock, the widget's own timer brings the pending value.
    QJXBaseProgress live;
    live.resize(200, 20);
    live.show();
    QVERIFY(QTest::qWaitForWindowExposed(&live));
    PaintCount liveCount(&live);
    live.setUpdateInterval(40);
    live.setValue(1.0);
    live.setValue(2.0);
    const int before = liveCount.flush();
    QTRY_VERIFY_WITH_TIMEOUT(liveCount.flush() > before, 10000);
}

void TestProgress::onlyAWaitingValueKeepsATimerRunning()
{
    // The input selector keeps two throttled bars, mostly hidden: each once
    // woke the program 25 times a second, idle or recording, to find nothing
    // waiting.
    QJXBaseProgress bar;
    bar.resize(200, 20);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    PaintCount count(&bar);
    bar.setUpdateInterval(40);
    QCOMPARE(runningTimers(bar), 0);
    QJXBaseProgress hidden;
    hidden.setUpdateInterval(40);
    QCOMPARE(runningTimers(hidden), 0);

    // A value held back by the throttle brings its timer...
    bar.setValue(1.0);
    bar.setValue(2.0);
    QCOMPARE(runningTimers(bar), 1);
    const int before = count.flush();
    // ...which shows it, then stops.
    QTRY_VERIFY_WITH_TIMEOUT(count.flush() > before, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(runningTimers(bar), 0, 10000);
    QCOMPARE(bar.value(), 2.0);

    // And again for the next burst.
    bar.setValue(3.0);
    bar.setValue(4.0);
    QCOMPARE(runningTimers(bar), 1);
    QTRY_COMPARE_WITH_TIMEOUT(runningTimers(bar), 0, 10000);
    QCOMPARE(bar.value(), 4.0);
}

QTEST_MAIN(TestProgress)
#include "tst_progress.moc"
