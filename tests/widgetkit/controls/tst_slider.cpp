// Slider: the value from pointer, key and handle input, and what is reported.

#include "controlart.h"
#include "testsupport.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxbaseslider.h"

#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QtTest>

Q_DECLARE_METATYPE(QMouseEvent *)

namespace {

void sendMouse(QWidget *w, QEvent::Type type, QPoint pos, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent e(type, pos, w->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void press(QWidget *w, QPoint pos)
{
    sendMouse(w, QEvent::MouseButtonPress, pos, Qt::LeftButton, Qt::LeftButton);
}

void drag(QWidget *w, QPoint pos)
{
    sendMouse(w, QEvent::MouseMove, pos, Qt::NoButton, Qt::LeftButton);
}

void release(QWidget *w, QPoint pos)
{
    sendMouse(w, QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::NoButton);
}

} // namespace

class TestSlider : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { qRegisterMetaType<QMouseEvent *>(); }
    void pressSetsValueFromPosition();
    void pressOffTheTrackEmitsNothing();
    void dragClampsAtBothEndsAndSkipsUnchangedValues();
    void verticalSliderHasMaximumAtTheTop();
    void arrowKeysStepOnePercent();
    void pullOffKeepsValueButReportsPressAndRelease();
    void handleRaisesOffsetsAndFollowsValue();
    void handleDragMovesValue();
    void valueFromCodeIsNotUserInput();
    void emptyRangeSliderIgnoresInput();
};

void TestSlider::pressSetsValueFromPosition()
{
    QJXBaseSlider slider;
    slider.resize(214, 20);
    slider.setOffset(7, 7);
    QCOMPARE(slider.trackLength(), 200);
    QSignalSpy user(&slider, SIGNAL(sendProgressValue(double)));
    QSignalSpy pressed(&slider, SIGNAL(sendPressEvent(QMouseEvent*)));
    QSignalSpy released(&slider, SIGNAL(sendReleseEvent(QMouseEvent*)));
    press(&slider, QPoint(107, 10));
    QCOMPARE(slider.value(), 50.0);
    QCOMPARE(pressed.count(), 1);
    QCOMPARE(user.count(), 1);
    QCOMPARE(user.last().at(0).toDouble(), 0.5);
    release(&slider, QPoint(107, 10));
    QCOMPARE(released.count(), 1);
    press(&slider, QPoint(57, 10));
    QCOMPARE(slider.value(), 25.0);
    QCOMPARE(user.last().at(0).toDouble(), 0.25);
}

void TestSlider::pressOffTheTrackEmitsNothing()
{
    QJXBaseSlider slider;
    slider.resize(214, 20);
    slider.setOffset(7, 7);
    slider.setValue(30.0);
    QSignalSpy user(&slider, SIGNAL(sendProgressValue(double)));
    QSignalSpy changed(&slider, SIGNAL(valueChanged(double)));
    QSignalSpy pressed(&slider, SIGNAL(sendPressEvent(QMouseEvent*)));
    QSignalSpy released(&slider, SIGNAL(sendReleseEvent(QMouseEvent*)));
    press(&slider, QPoint(3, 10));
    // A drag that began off the track does not move the value either.
    drag(&slider, QPoint(150, 10));
    release(&slider, QPoint(3, 10));
    QCOMPARE(user.count(), 0);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(pressed.count(), 0);
    QCOMPARE(released.count(), 0);
    QCOMPARE(slider.value(), 30.0);
    press(&slider, QPoint(212, 10));
    QCOMPARE(user.count(), 0);
}

void TestSlider::dragClampsAtBothEndsAndSkipsUnchangedValues()
{
    QJXBaseSlider slider;
    slider.resize(214, 20);
    slider.setOffset(7, 7);
    QSignalSpy user(&slider, SIGNAL(sendProgressValue(double)));
    QSignalSpy changed(&slider, SIGNAL(valueChanged(double)));
    press(&slider, QPoint(107, 10));
    drag(&slider, QPoint(400, 10));
    QCOMPARE(slider.value(), 100.0);
    const int afterEnd = user.count();
    drag(&slider, QPoint(500, 10));
    QCOMPARE(user.count(), afterEnd);
    drag(&slider, QPoint(-50, 10));
    QCOMPARE(slider.value(), 0.0);
    QCOMPARE(user.last().at(0).toDouble(), 0.0);
    // Each change is reported as valueChanged, then sendProgressValue.
    QCOMPARE(changed.count(), user.count());
    // Moves without a held button change nothing.
    release(&slider, QPoint(7, 10));
    sendMouse(&slider, QEvent::MouseMove, QPoint(107, 10), Qt::NoButton, Qt::NoButton);
    QCOMPARE(slider.value(), 0.0);
}

void TestSlider::verticalSliderHasMaximumAtTheTop()
{
    QJXBaseSlider slider;
    slider.setProgressPolicy(QJXBaseProgress::VerticalBar);
    slider.resize(20, 214);
    slider.setOffset(7, 7);
    press(&slider, QPoint(10, 7));
    QCOMPARE(slider.value(), 100.0);
    press(&slider, QPoint(10, 207));
    QCOMPARE(slider.value(), 0.0);
    press(&slider, QPoint(10, 57));
    QCOMPARE(slider.value(), 75.0);
}

void TestSlider::arrowKeysStepOnePercent()
{
    QJXBaseSlider slider;
    slider.resize(214, 20);
    slider.setRange(0, 200);
    slider.setValue(100.0);
    QSignalSpy user(&slider, SIGNAL(sendProgressValue(double)));
    QTest::keyClick(&slider, Qt::Key_Up);
    QCOMPARE(slider.value(), 102.0);
    QTest::keyClick(&slider, Qt::Key_Right);
    QCOMPARE(slider.value(), 104.0);
    QTest::keyClick(&slider, Qt::Key_Left);
    QTest::keyClick(&slider, Qt::Key_Down);
    QCOMPARE(slider.value(), 100.0);
    // Keys are the user's input too: each step is reported.
    QCOMPARE(user.count(), 4);
    QCOMPARE(user.last().at(0).toDouble(), 0.5);
    QTest::keyClick(&slider, Qt::Key_Return);
    QCOMPARE(slider.value(), 100.0);
    slider.setValue(200.0);
    const int before = user.count();
    QTest::keyClick(&slider, Qt::Key_Up);
    QCOMPARE(slider.value(), 200.0);
    QCOMPARE(user.count(), before);
}

void TestSlider::pullOffKeepsValueButReportsPressAndRelease()
{
    QJXBaseSlider slider;
    slider.resize(214, 20);
    slider.setOffset(7, 7);
    slider.setEnabledPull(false);
    QSignalSpy user(&slider, SIGNAL(sendProgressValue(double)));
    QSignalSpy pressed(&slider, SIGNAL(sendPressEvent(QMouseEvent*)));
    QSignalSpy released(&slider, SIGNAL(sendReleseEvent(QMouseEvent*)));
    press(&slider, QPoint(107, 10));
    drag(&slider, QPoint(150, 10));
    release(&slider, QPoint(150, 10));
    QCOMPARE(slider.value(), 0.0);
    QCOMPARE(user.count(), 0);
    QCOMPARE(pressed.count(), 1);
    QCOMPARE(released.count(), 1);
}

void TestSlider::handleRaisesOffsetsAndFollowsValue()
{
    ControlArt art;
    const QString strip = art.strip(QStringLiteral("handle.png"), 28, 28,
                                    {Qt::red, Qt::green, Qt::blue, Qt::gray});
    QJXBaseSlider slider;
    slider.resize(214, 20);
    QVERIFY(slider.setBtnImage(strip));
    QVERIFY(slider.getButton());
    QCOMPARE(slider.getButton()->size(), QSize(14, 14));
    QCOMPARE(slider.getTLOffset(), 7);
    QCOMPARE(slider.getRBOffset(), 7);
    slider.setOffset(3, 10);
    QCOMPARE(slider.getTLOffset(), 7);
    QCOMPARE(slider.getRBOffset(), 10);
    slider.setOffset(7, 7);
    slider.setValue(50.0);
    slider.resetFormat();
    grabImage(&slider);
    // Value point x = 7 + 200 * 0.5 - 1 = 106; the handle is centred on it.
    QCOMPARE(slider.getButton()->pos(), QPoint(106 - 7, 3));
    slider.setBtnOffset(2);
    slider.setValue(100.0);
    grabImage(&slider);
    QCOMPARE(slider.getButton()->pos(), QPoint(206 - 7, 5));

    // A missing handle picture still gives a handle: a bar across the track.
    QVERIFY(slider.setBtnImage(art.path(QStringLiteral("missing.png"))));
    QCOMPARE(slider.getButton()->size(), QSize(10, 20));
}

void TestSlider::handleDragMovesValue()
{
    ControlArt art;
    const QString strip = art.strip(QStringLiteral("handle.png"), 28, 28,
                                    {Qt::red, Qt::green, Qt::blue, Qt::gray});
    QJXBaseSlider slider;
    slider.resize(214, 20);
    slider.setBtnImage(strip);
    slider.setValue(50.0);
    slider.show();
    QVERIFY(QTest::qWaitForWindowExposed(&slider));
    QJXBaseButton *handle = slider.getButton();
    QSignalSpy user(&slider, SIGNAL(sendProgressValue(double)));
    QSignalSpy pressed(&slider, SIGNAL(sendPressEvent(QMouseEvent*)));
    QSignalSpy released(&slider, SIGNAL(sendReleseEvent(QMouseEvent*)));
    press(handle, QPoint(7, 7));
    QCOMPARE(pressed.count(), 1);
    QCOMPARE(slider.value(), 50.0);
    // Move the pointer to slider x = 57: a quarter of the track.
    const QPoint target = handle->mapFromGlobal(slider.mapToGlobal(QPoint(57, 10)));
    drag(handle, target);
    QCOMPARE(slider.value(), 25.0);
    QCOMPARE(user.count(), 1);
    // The handle lets a release outside itself pass on to the slider; it is reported once.
    release(handle, target);
    QCOMPARE(released.count(), 1);
    press(&slider, QPoint(107, 10));
    release(&slider, QPoint(107, 10));
    QCOMPARE(released.count(), 2);
}

void TestSlider::valueFromCodeIsNotUserInput()
{
    QJXBaseSlider slider;
    slider.resize(214, 20);
    slider.setOffset(7, 7);
    QSignalSpy user(&slider, SIGNAL(sendProgressValue(double)));
    QSignalSpy changed(&slider, SIGNAL(valueChanged(double)));
    slider.setValue(40.0);
    slider.setValue(60);
    QMetaObject::invokeMethod(&slider, "setValue", Q_ARG(double, 70.0));
    slider.setRange(0, 50);
    slider.setMaximum(30);
    QCOMPARE(slider.value(), 30.0);
    QCOMPARE(changed.count(), 3);
    QCOMPARE(user.count(), 0);
}

void TestSlider::emptyRangeSliderIgnoresInput()
{
    QJXBaseSlider slider;
    slider.resize(214, 20);
    slider.setOffset(7, 7);
    slider.setRange(10, 10);
    QSignalSpy user(&slider, SIGNAL(sendProgressValue(double)));
    press(&slider, QPoint(107, 10));
    drag(&slider, QPoint(150, 10));
    QTest::keyClick(&slider, Qt::Key_Up);
    QCOMPARE(slider.value(), 10.0);
    QCOMPARE(user.count(), 0);
    QCOMPARE(slider.valueToPoint(), QPoint(6, 0));
    grabImage(&slider);
}

QTEST_MAIN(TestSlider)
#include "tst_slider.moc"
