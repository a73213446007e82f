// The trim slider: handle arithmetic, drags, presses and signals, painting.

#include "testsupport.h"

#include "widgetkit/views/qbaseitem.h"
#include "widgetkit/views/qvedualslider.h"
#include "widgetkit/views/qvesliderctrlbtn.h"

#include <QApplication>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QColor kFrameColours[4] = {QColor(200, 40, 40), QColor(40, 200, 40), QColor(40, 40, 200),
                                 QColor(120, 120, 120)};
const QColor kGroove(30, 60, 160);
const QColor kRangeColumn(20, 220, 90);
const QColor kRangeOther(230, 20, 200);

// A strip of four frames of w × h logical pixels, one colour per frame.
QString writeStrip(const QString &path, int w, int h)
{
    QImage image(8 * w, 2 * h, QImage::Format_ARGB32);
    QPainter p(&image);
    for (int k = 0; k < 4; ++k)
        p.fillRect(2 * w * k, 0, 2 * w, 2 * h, kFrameColours[k]);
    p.end();
    image.save(path);
    return path;
}

QString writeFill(const QString &path, int w, int h, const QColor &colour)
{
    QImage image(2 * w, 2 * h, QImage::Format_ARGB32);
    image.fill(colour);
    image.save(path);
    return path;
}

// The range picture: one recognisable column at logical x 10.
QString writeRange(const QString &path)
{
    QImage image(2 * 40, 2 * 4, QImage::Format_ARGB32);
    image.fill(kRangeOther);
    QPainter p(&image);
    p.fillRect(20, 0, 2, 8, kRangeColumn);
    p.end();
    image.save(path);
    return path;
}

void sendMouse(QWidget *w, QEvent::Type type, const QPoint &global, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent e(type, QPointF(w->mapFromGlobal(global)), QPointF(global), button, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

double lastValue(const QSignalSpy &spy)
{
    return spy.isEmpty() ? -1.0 : spy.last().at(0).toDouble();
}

bool near(double a, double b)
{
    return qAbs(a - b) < 1e-5;
}

} // namespace

class TestTrimSlider : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void handlesArePlacedAsTheyAreMade();
    void settersClampToTheOtherHandle();
    void playValueMovesThePlayHandle();
    void draggingTheStartHandle();
    void draggingTheEndHandle();
    void draggingThePlayHandle();
    void pressingAndMovingOnTheGroove();
    void releaseKeysAndLastPressedHandle();
    void disabledDraggingMovesNothing();
    void handlesPaintTheirStateFrame();
    void grooveAndRangeArePainted();
    void singleValueMode();
    void panelItemFollowsMouseStates();

private:
    // Drags a handle so that its left edge lands at slider x = left.
    void drag(QVESliderCtrlBtn *handle, int left);

    QTemporaryDir m_dir;
    QString m_handle, m_play, m_groove, m_range;
    QVEDualSlider *m_slider = nullptr;
};

void TestTrimSlider::initTestCase()
{
    m_handle = writeStrip(m_dir.filePath("handle.png"), 10, 20);
    m_play = writeStrip(m_dir.filePath("play.png"), 6, 12);
    m_groove = writeFill(m_dir.filePath("groove.png"), 200, 4, kGroove);
    m_range = writeRange(m_dir.filePath("range.png"));
}

void TestTrimSlider::init()
{
    // Set up the way the trim panels do.
    m_slider = new QVEDualSlider;
    m_slider->setBottomImage(m_groove);
    m_slider->setTopImage(m_range);
    m_slider->setStartBtnImage(m_handle, 1);
    m_slider->setEndBtnImage(m_handle);
    m_slider->setProgressBtnImage(m_play, 6);
    m_slider->setCircle(true);
    m_slider->setCircleLenght(1);
    m_slider->setPlayValue(0, false);
    m_slider->setStartValue(0);
    m_slider->setEndValue(100);
    m_slider->move(30, 40);
    m_slider->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_slider));
}

void TestTrimSlider::cleanup()
{
    delete m_slider;
    m_slider = nullptr;
}

void TestTrimSlider::drag(QVESliderCtrlBtn *handle, int left)
{
    const QPoint grab = handle->mapToGlobal(QPoint(3, 5));
    sendMouse(handle, QEvent::MouseButtonPress, grab, Qt::LeftButton, Qt::LeftButton);
    const QPoint to(m_slider->mapToGlobal(QPoint(0, 0)).x() + left + 3, grab.y());
    sendMouse(handle, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    sendMouse(handle, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

void TestTrimSlider::handlesArePlacedAsTheyAreMade()
{
    // Handles 10 wide, groove 200: 10 + 200 + 10 by at least 40.
    QCOMPARE(m_slider->size(), QSize(220, 40));
    QCOMPARE(m_slider->usableWidth(), 200);
    QCOMPARE(m_slider->startButton()->size(), QSize(10, 20));
    QCOMPARE(m_slider->playButton()->size(), QSize(6, 12));
    // Row: offset 1 + (40 - 20) / 2 + 5.
    QCOMPARE(m_slider->startButton()->pos(), QPoint(0, 16));
    QCOMPARE(m_slider->endButton()->pos(), QPoint(210, 16));
    QCOMPARE(m_slider->playButton()->pos(), QPoint(10 - 3, 6));
    QCOMPARE(m_slider->getStartValue(), 0.0f);
    QCOMPARE(m_slider->getEndValue(), 1.0f);
    QCOMPARE(m_slider->getPlayValue(), 0.0f);
}

void TestTrimSlider::settersClampToTheOtherHandle()
{
    m_slider->setStartValue(25);
    QCOMPARE(m_slider->getStartValue(), 0.25f);
    QCOMPARE(m_slider->startButton()->x(), 50);
    m_slider->setEndValue(60);
    QCOMPARE(m_slider->getEndValue(), 0.6f);
    QCOMPARE(m_slider->endButton()->x(), 120 + 10);
    // At or past the end: two pixels before it.
    m_slider->setStartValue(80);
    QCOMPARE(m_slider->startButton()->x(), 118);
    QVERIFY(near(m_slider->getStartValue(), 118 / 200.0));
    // Below the start: two pixels after it.
    m_slider->setEndValue(5);
    QVERIFY(near(m_slider->getEndValue(), 120 / 200.0));
    m_slider->setStartValue(-3);
    QCOMPARE(m_slider->getStartValue(), 0.0f);
    m_slider->setEndValue(10);
    QVERIFY(near(m_slider->getEndValue(), 0.1));
    m_slider->setEndValue(100);
    QCOMPARE(m_slider->getEndValue(), 1.0f);
    QCOMPARE(m_slider->endButton()->x(), 210);
}

void TestTrimSlider::playValueMovesThePlayHandle()
{
    QSignalSpy play(m_slider, &QVEDualSlider::sendPlayProValue);
    m_slider->setPlayValue(50, false);
    QCOMPARE(play.count(), 0);
    QCOMPARE(m_slider->playButton()->x(), 100 + 10 - 3);
    m_slider->setPlayValue(30, true);
    QCOMPARE(play.count(), 1);
    QVERIFY(near(lastValue(play), 0.3));
    m_slider->setPlayValue(120, true);
    QVERIFY(near(lastValue(play), 1.0));
    m_slider->setPlayValue(-1, true);
    QVERIFY(near(lastValue(play), 0.0));
}

void TestTrimSlider::draggingTheStartHandle()
{
    QSignalSpy start(m_slider, &QVEDualSlider::sendProgressValue);
    QSignalSpy play(m_slider, &QVEDualSlider::sendPlayProValue);
    QSignalSpy pressed(m_slider, &QVEDualSlider::emitMousePress);
    QSignalSpy released(m_slider, &QVEDualSlider::emitmouseRelease);

    drag(m_slider->startButton(), 60);
    QCOMPARE(m_slider->startButton()->x(), 60);
    QVERIFY(near(lastValue(start), 0.3));
    // The play handle follows the start.
    QVERIFY(near(lastValue(play), 0.3));
    QCOMPARE(m_slider->playButton()->x(), 60 + 10 - 3);
    QCOMPARE(pressed.count(), 1);
    QCOMPARE(released.count(), 1);
    QVERIFY(m_slider->GetFocusInStartBtn());

    // Left of half the margin: pinned at 0.
    drag(m_slider->startButton(), 3);
    QCOMPARE(m_slider->startButton()->x(), 0);
    QVERIFY(near(lastValue(start), 0.0));
    drag(m_slider->startButton(), -40);
    QCOMPARE(m_slider->startButton()->x(), 0);

    // Into the end handle: stops at its left edge.
    m_slider->setEndValue(50);
    drag(m_slider->startButton(), 105);
    QCOMPARE(m_slider->startButton()->x(), 110 - 10);
    QVERIFY(near(lastValue(start), 100 / 200.0));
}

void TestTrimSlider::draggingTheEndHandle()
{
    QSignalSpy end(m_slider, &QVEDualSlider::sendEndProgressValue);
    QSignalSpy play(m_slider, &QVEDualSlider::sendPlayProValue);
    QSignalSpy pressed(m_slider, &QVEDualSlider::emitMousePress);

    drag(m_slider->endButton(), 150);
    QCOMPARE(m_slider->endButton()->x(), 150);
    // A free drag reports one pixel less than the handle's place.
    QVERIFY(near(lastValue(end), 139 / 200.0));
    QVERIFY(near(lastValue(play), 139 / 200.0));
    QVERIFY(!m_slider->GetFocusInStartBtn());
    QCOMPARE(pressed.count(), 1);

    // Past the start handle: stops at its right edge.
    m_slider->setStartValue(20);
    drag(m_slider->endButton(), 20);
    QCOMPARE(m_slider->endButton()->x(), 50);
    QVERIFY(near(lastValue(end), 40 / 200.0));

    // Past the right end: the whole groove.
    drag(m_slider->endButton(), 400);
    QCOMPARE(m_slider->endButton()->x(), 210);
    QVERIFY(near(lastValue(end), 1.0));
}

void TestTrimSlider::draggingThePlayHandle()
{
    QSignalSpy play(m_slider, &QVEDualSlider::sendPlayProValue);
    drag(m_slider->playButton(), 100);
    QCOMPARE(m_slider->playButton()->x(), 100);
    QVERIFY(near(lastValue(play), 97 / 200.0));
    drag(m_slider->playButton(), 5);
    QCOMPARE(m_slider->playButton()->x(), 7);
    QVERIFY(near(lastValue(play), 0.0));
    drag(m_slider->playButton(), 212);
    QCOMPARE(m_slider->playButton()->x(), 220 - 1 - 3 - 10);
    QVERIFY(near(lastValue(play), 1.0));
}

void TestTrimSlider::pressingAndMovingOnTheGroove()
{
    QSignalSpy play(m_slider, &QVEDualSlider::sendPlayProValue);
    QSignalSpy pressed(m_slider, &QVEDualSlider::emitMousePress);
    const int o = m_slider->mapToGlobal(QPoint(0, 0)).x();
    const int y = m_slider->mapToGlobal(QPoint(0, 30)).y();

    sendMouse(m_slider, QEvent::MouseButtonPress, QPoint(o + 120, y), Qt::LeftButton,
              Qt::LeftButton);
    QCOMPARE(pressed.count(), 1);
    QCOMPARE(m_slider->playButton()->x(), 117); // centred on the pointer
    QVERIFY(near(lastValue(play), 110 / 200.0));

    // Between the groove's left end and its first usable pixel: unchanged.
    sendMouse(m_slider, QEvent::MouseButtonPress, QPoint(o + 8, y), Qt::LeftButton,
              Qt::LeftButton);
    QVERIFY(near(lastValue(play), 110 / 200.0));
    QCOMPARE(m_slider->playButton()->x(), 117);
    // A drag there goes to the start.
    sendMouse(m_slider, QEvent::MouseMove, QPoint(o + 8, y), Qt::NoButton, Qt::LeftButton);
    QVERIFY(near(lastValue(play), 0.0));
    QCOMPARE(m_slider->playButton()->x(), 7);
    // Moving without a button does nothing.
    const int before = play.count();
    sendMouse(m_slider, QEvent::MouseMove, QPoint(o + 100, y), Qt::NoButton, Qt::NoButton);
    QCOMPARE(play.count(), before);
    // Near the right end: the end of the groove.
    sendMouse(m_slider, QEvent::MouseButtonPress, QPoint(o + 210, y), Qt::LeftButton,
              Qt::LeftButton);
    QVERIFY(near(lastValue(play), 1.0));
    sendMouse(m_slider, QEvent::MouseButtonPress, QPoint(o + 2, y), Qt::LeftButton,
              Qt::LeftButton);
    QVERIFY(near(lastValue(play), 0.0));
    QCOMPARE(pressed.count(), 4);
}

void TestTrimSlider::releaseKeysAndLastPressedHandle()
{
    QSignalSpy released(m_slider, &QVEDualSlider::emitmouseRelease);
    QSignalSpy previous(m_slider, &QVEDualSlider::emitPreviousFrame);
    QSignalSpy next(m_slider, &QVEDualSlider::emitNextFrame);
    const QPoint at = m_slider->mapToGlobal(QPoint(100, 30));
    m_slider->startButton()->setStatePress();
    sendMouse(m_slider, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    QCOMPARE(released.count(), 1);
    QCOMPARE(m_slider->startButton()->state(), 0);

    QTest::keyClick(m_slider, Qt::Key_Left);
    QTest::keyClick(m_slider, Qt::Key_Right);
    QTest::keyClick(m_slider, Qt::Key_Right);
    QTest::keyClick(m_slider, Qt::Key_Up);
    QCOMPARE(previous.count(), 1);
    QCOMPARE(next.count(), 2);

    m_slider->SetFocusInStartBtn(false);
    const QPoint onStart = m_slider->startButton()->mapToGlobal(QPoint(2, 2));
    sendMouse(m_slider->startButton(), QEvent::MouseButtonPress, onStart, Qt::LeftButton,
              Qt::LeftButton);
    QVERIFY(m_slider->GetFocusInStartBtn());
    sendMouse(m_slider->startButton(), QEvent::MouseButtonRelease, onStart, Qt::LeftButton,
              Qt::NoButton);
    QCOMPARE(released.count(), 2);
}

void TestTrimSlider::disabledDraggingMovesNothing()
{
    m_slider->setEnabledPull(false);
    QSignalSpy start(m_slider, &QVEDualSlider::sendProgressValue);
    QSignalSpy play(m_slider, &QVEDualSlider::sendPlayProValue);
    drag(m_slider->startButton(), 80);
    drag(m_slider->endButton(), 80);
    sendMouse(m_slider, QEvent::MouseButtonPress, m_slider->mapToGlobal(QPoint(100, 30)),
              Qt::LeftButton, Qt::LeftButton);
    QCOMPARE(start.count(), 0);
    QCOMPARE(play.count(), 0);
    QCOMPARE(m_slider->startButton()->x(), 0);
    QCOMPARE(m_slider->endButton()->x(), 210);
}

void TestTrimSlider::handlesPaintTheirStateFrame()
{
    QVESliderCtrlBtn *handle = m_slider->startButton();
    auto centre = [handle] { return handle->grab().toImage().pixelColor(5, 10); };
    QCOMPARE(centre(), kFrameColours[0]);
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(handle, &enter);
    QCOMPARE(centre(), kFrameColours[1]);
    const QPoint at = handle->mapToGlobal(QPoint(4, 4));
    sendMouse(handle, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    QCOMPARE(handle->state(), 2);
    QCOMPARE(centre(), kFrameColours[2]);
    sendMouse(handle, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    QCOMPARE(handle->state(), 0);
    handle->setEnabled(false);
    QCOMPARE(centre(), kFrameColours[3]);
    handle->setEnabled(true);
    QCOMPARE(centre(), kFrameColours[0]);

    // A picture narrower than four pixels is drawn whole in every state.
    QImage tiny(3, 8, QImage::Format_ARGB32);
    tiny.fill(QColor(250, 250, 10));
    const QString path = m_dir.filePath("tiny.png");
    tiny.save(path);
    QVESliderCtrlBtn narrow;
    narrow.setBtnImage(path);
    narrow.setFixedSize(2, 4);
    for (int state = 0; state < 3; ++state) {
        if (state == 2)
            narrow.setStatePress();
        else if (state == 1)
            QApplication::sendEvent(&narrow, &enter);
        QCOMPARE(narrow.grab().toImage().pixelColor(0, 1), QColor(250, 250, 10));
    }
}

void TestTrimSlider::grooveAndRangeArePainted()
{
    m_slider->setStartValue(20);
    m_slider->setEndValue(70);
    m_slider->showPlayBtn(false);
    const QString path = TestSupport::saveScreenshot(m_slider, "mediawidgets_trim_slider");
    const QImage image(path);
    QVERIFY(!image.isNull());
    const int gy = (40 - 4) / 2 + 1;
    // The kept range: the range picture's column, from handle to handle.
    QCOMPARE(image.pixelColor(60, gy), kRangeColumn);
    QCOMPARE(image.pixelColor(139, gy), kRangeColumn);
    // Beyond the handles: the groove; above it neither groove nor range.
    QCOMPARE(image.pixelColor(30, gy), kGroove);
    QCOMPARE(image.pixelColor(180, gy), kGroove);
    QVERIFY(image.pixelColor(100, 3) != kGroove && image.pixelColor(100, 3) != kRangeColumn);
    // The handles themselves.
    QCOMPARE(image.pixelColor(45, 25), kFrameColours[0]);
    QCOMPARE(image.pixelColor(155, 25), kFrameColours[0]);
}

void TestTrimSlider::singleValueMode()
{
    QVEDualSlider single;
    single.setBottomImage(m_groove);
    single.setTopImage(m_range);
    single.setStartBtnImage(m_handle, 0);
    single.resize(220, 40);
    single.setValue(50);
    QVERIFY(near(single.getValue(), (210 * 0.5f) * 100 / 200));
    single.setValue(150);
    QVERIFY(near(single.getValue(), 210 * 100 / 200.0));
    single.setValue(-5);
    QCOMPARE(single.getValue(), 0.0f);
    single.setShowValue(true);
    single.setValue(40);
    single.show();
    const QImage image = single.grab().toImage();
    // The range picture runs from the groove's start for the value's width.
    QCOMPARE(image.pixelColor(12, 19), kRangeOther);
    QCOMPARE(image.pixelColor(200, 19), kGroove);
}

void TestTrimSlider::panelItemFollowsMouseStates()
{
    QBaseItem item;
    item.resize(40, 20);
    item.show();
    QSignalSpy pressed(&item, &QBaseItem::emitMousePress);
    QSignalSpy shift(&item, &QBaseItem::emitMouseShiftPress);
    QSignalSpy ctrl(&item, &QBaseItem::emitMouseCtrlPress);
    QSignalSpy menu(&item, &QBaseItem::emitShowTreeMenu);
    QCOMPARE(item.grab().toImage().pixelColor(5, 5), QColor(53, 53, 68));
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(&item, &enter);
    QCOMPARE(item.getMouseState(), MouseHover);
    QCOMPARE(item.grab().toImage().pixelColor(5, 5), QColor(60, 60, 77));
    QTest::mouseClick(&item, Qt::LeftButton);
    QCOMPARE(item.getMouseState(), MousePressed);
    QCOMPARE(pressed.count(), 1);
    QTest::mouseClick(&item, Qt::LeftButton, Qt::ShiftModifier);
    QCOMPARE(shift.count(), 1);
    QTest::mouseClick(&item, Qt::LeftButton, Qt::ControlModifier);
    QCOMPARE(item.getMouseState(), MouseNormal);
    QCOMPARE(ctrl.count(), 1);
    QTest::mouseClick(&item, Qt::RightButton);
    QCOMPARE(item.getMouseState(), MousePressed);
    QCOMPARE(pressed.count(), 2);
    QCOMPARE(menu.count(), 1);
    item.setBackgroundColor(QColor(1, 2, 3));
    QCOMPARE(item.grab().toImage().pixelColor(5, 5), QColor(1, 2, 3));
}

QTEST_MAIN(TestTrimSlider)
#include "tst_trimslider.moc"
