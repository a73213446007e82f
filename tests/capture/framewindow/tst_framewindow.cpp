// The area dialog's window road: a host shows the dialog as a frame around
// the record rectangle and hands its drags to the window-moving and
// window-resizing calls; the mouse goes through the window system, so the
// positions are those a user's pointer gives.
#define QTEST_QPA_MOUSE_HANDLING

#include "capture/areacropgeometry.h"
#include "capture/qvariablesizewgt.h"
#include "testsupport.h"

#include <QMouseEvent>
#include <QScreen>
#include <QWindow>
#include <QtTest>

namespace {

// A host of the window road: the centre moves the window, an edge or
// corner resizes it. The host names the grabbed part (setCursorType) from
// handles of its own, so hovering changes nothing here.
class FrameWindow : public QVariableSizeWgt
{
public:
    using QVariableSizeWgt::QVariableSizeWgt;

protected:
    void mouseMoveEvent(QMouseEvent *event) override
    {
        if (!isPressed() || !(event->buttons() & Qt::LeftButton))
            return;
        if (cursorState() == AreaCropGeometry::Centre)
            setWindowsMovePos(event);
        else if (cursorState() != AreaCropGeometry::None)
            setFrameGeomtry(event);
    }
};

QSize screenSize()
{
    return QGuiApplication::primaryScreen()->geometry().size();
}

} // namespace

class TestFrameWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void dragMovesTheWindowWithinTheScreen();
    void edgesAndCornersResizeTheWindow();
    void keptScaleHoldsOnTheWindowRoad();

private:
    void drag(QPoint from, QPoint to, int steps = 4);
    void moveTo(QPoint pos);
    void settle();
    FrameWindow *m_window = nullptr;
};

void TestFrameWindow::init()
{
    m_window = new FrameWindow;
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    m_window->setGeometry(200, 150, 306, 206);
    QTRY_COMPARE(m_window->geometry(), QRect(200, 150, 306, 206));
}

void TestFrameWindow::cleanup()
{
    delete m_window;
    m_window = nullptr;
}

// The window system has taken the last geometry: the pointer's screen
// positions are computed from it. On a busy display the window's size can
// still come from an older configure report while its position is already
// the new one, so a geometry is judged once the last report is in (QTRY).
void TestFrameWindow::settle()
{
    QTRY_COMPARE(m_window->windowHandle()->geometry(), m_window->geometry());
}

void TestFrameWindow::moveTo(QPoint pos)
{
    QTest::mouseMove(m_window, pos);
    settle();
}

// A drag from one point of the window to another, both in the window's
// coordinates at the press; the window may move under the pointer.
void TestFrameWindow::drag(QPoint from, QPoint to, int steps)
{
    const QPoint origin = m_window->pos();
    moveTo(from);
    QTest::mousePress(m_window, Qt::LeftButton, {}, from);
    for (int i = 1; i <= steps; ++i) {
        const QPoint global = origin + from + (to - from) * i / steps;
        moveTo(global - m_window->pos());
    }
    QTest::mouseRelease(m_window, Qt::LeftButton, {}, origin + to - m_window->pos());
}

void TestFrameWindow::dragMovesTheWindowWithinTheScreen()
{
    m_window->setCursorType(AreaCropGeometry::Centre);
    drag(QPoint(150, 100), QPoint(190, 70));
    QTRY_COMPARE(m_window->geometry(), QRect(240, 120, 306, 206));
    // The record rectangle is the window inside its 3-pixel frame.
    QCOMPARE(m_window->getRecordRect(), QRect(3, 3, 300, 200));
    QVERIFY(!TestSupport::saveScreenshot(m_window, "screenarea_framewindow_moved").isEmpty());

    // Only the frame may leave the screen.
    m_window->setCursorType(AreaCropGeometry::Centre);
    drag(QPoint(150, 100), QPoint(-400, -300));
    QTRY_COMPARE(m_window->pos(), QPoint(-3, -3));
    const QSize screen = screenSize();
    m_window->setCursorType(AreaCropGeometry::Centre);
    drag(QPoint(150, 100), QPoint(150 + screen.width(), 100 + screen.height()));
    QTRY_COMPARE(m_window->pos(), QPoint(screen.width() + 3 - 306, screen.height() + 3 - 206));
}

void TestFrameWindow::edgesAndCornersResizeTheWindow()
{
    // The right edge follows the pointer; the left stays.
    m_window->setCursorType(AreaCropGeometry::Right);
    drag(QPoint(304, 100), QPoint(344, 130));
    QTRY_COMPARE(m_window->geometry(), QRect(200, 150, 346, 206));
    QCOMPARE(m_window->getRecordRect(), QRect(3, 3, 340, 200));

    // The top-left corner moves both of its edges.
    m_window->setCursorType(AreaCropGeometry::TopLeft);
    drag(QPoint(1, 1), QPoint(-19, 31));
    QTRY_COMPARE(m_window->geometry(), QRect(180, 180, 366, 176));
    QCOMPARE(m_window->getRecordRect(), QRect(3, 3, 360, 170));
    QVERIFY(!TestSupport::saveScreenshot(m_window, "screenarea_framewindow_resized").isEmpty());

    // The bottom edge stops at the least record height and does not jump
    // when the pointer comes back.
    m_window->setCursorType(AreaCropGeometry::Bottom);
    const QPoint bottom(100, 174);
    const QPoint origin = m_window->pos();
    moveTo(bottom);
    QTest::mousePress(m_window, Qt::LeftButton, {}, bottom);
    moveTo(bottom + QPoint(0, -150));
    QTRY_COMPARE(m_window->geometry(), QRect(180, 180, 366, 66));
    QCOMPARE(m_window->getRecordRect().size(), QSize(360, 60));
    moveTo(bottom + QPoint(0, -140) + origin - m_window->pos());
    QTRY_COMPARE(m_window->height(), 66);
    // From there the edge keeps the distance it had from the pointer.
    moveTo(bottom + QPoint(0, -60) + origin - m_window->pos());
    QTRY_COMPARE(m_window->height(), 116);
    QTest::mouseRelease(m_window, Qt::LeftButton, {}, bottom + QPoint(0, -60));
}

void TestFrameWindow::keptScaleHoldsOnTheWindowRoad()
{
    // A record rectangle of 400 by 200 keeps its 2:1 when an edge is dragged.
    m_window->setGeometry(200, 150, 406, 206);
    QTRY_COMPARE(m_window->geometry(), QRect(200, 150, 406, 206));
    m_window->setKeepScale(true);
    m_window->setCursorType(AreaCropGeometry::Right);
    drag(QPoint(404, 100), QPoint(464, 100));
    QCOMPARE(m_window->getRecordRect(), QRect(3, 3, 460, 230));
    QTRY_COMPARE(m_window->geometry(), QRect(200, 150, 466, 236));

    m_window->setCursorType(AreaCropGeometry::Bottom);
    drag(QPoint(100, 234), QPoint(100, 184));
    QCOMPARE(m_window->getRecordRect(), QRect(3, 3, 360, 180));
    QTRY_COMPARE(m_window->geometry(), QRect(200, 150, 366, 186));

    // Moving keeps the size.
    m_window->setCursorType(AreaCropGeometry::Centre);
    drag(QPoint(100, 100), QPoint(120, 110));
    QTRY_COMPARE(m_window->geometry(), QRect(220, 160, 366, 186));
}

QTEST_MAIN(TestFrameWindow)
#include "tst_framewindow.moc"
