#include "capture/areacropgeometry.h"
#include "capture/areawindowpicker.h"
#include "capture/dashphase.h"
#include "capture/ninegrid.h"
#include "capture/qreciprocaldlg.h"
#include "capture/screenflip.h"
#include "capture/variablesizegeometry.h"
#include "capture/videoimagewindow.h"

#include <QRegion>
#include <QSignalSpy>
#include <QtTest>

using S = AreaCropGeometry;

class TestScreenAreaGeometry : public QObject
{
    Q_OBJECT
private slots:
    void overlayRectangleIsClampedToScreenAndMinimum();
    void overlayEdgeDragsStopAtScreenAndMinimum();
    void overlayKeepsRatioOnEdgesAndOffersNoCorners();
    void overlayMoveStopsFlushWithTheBorders();
    void flipBetweenTopLeftAndBottomLeft();
    void pickingHighlightsVisiblePartOrWholeScreen();
    void rubberBandFollowsTheDrag();
    void dashPhaseCycles();
    void dialogRectangleClampsAndShrinksWithoutJumping();
    void dialogKeepScaleGrabsEdgesOnly();
    void countdownDigits();
    void nineGridCorners();
    void frameWindowPlacesThePicture();
    void frameWindowClickAndDrag();
};

void TestScreenAreaGeometry::overlayRectangleIsClampedToScreenAndMinimum()
{
    AreaCropGeometry g(QSizeF(1440, 900));
    g.setRecordRect(-5, 20, 10, 10);
    QCOMPARE(g.recordRect(), QRectF(0, 20, 60, 60));
    g.setRecordRect(10, 950, 5000, 300);
    QCOMPARE(g.recordRect(), QRectF(10, 0, 1440, 300));

    AreaCropGeometry noScreen;
    noScreen.setRecordRect(100, 100, 400, 300);
    QCOMPARE(noScreen.recordRect(), QRectF(0, 0, 0, 0));
}

void TestScreenAreaGeometry::overlayEdgeDragsStopAtScreenAndMinimum()
{
    AreaCropGeometry g(QSizeF(1440, 900));
    g.setRecordRect(100, 100, 400, 300);
    // Left edge dragged past the screen: it stops at 0, the right edge stays.
    QCOMPARE(g.hover(QPointF(101, 250), QSizeF(40, 40)), S::Left);
    g.press(QPointF(101, 250));
    g.drag(QPointF(-50, 250));
    QCOMPARE(g.recordRect(), QRectF(0, 100, 500, 300));

    // Bottom edge below the screen stops at 0, the top stays.
    g.setRecordRect(100, 100, 400, 300);
    QCOMPARE(g.hover(QPointF(300, 100), QSizeF(40, 40)), S::Bottom);
    g.drag(QPointF(300, -80));
    QCOMPARE(g.recordRect(), QRectF(100, 0, 400, 400));

    // A corner drag that would leave 60 or less across refuses that
    // dimension only; the other follows.
    g.setRecordRect(100, 100, 400, 300);
    QCOMPARE(g.hover(QPointF(499, 399), QSizeF(40, 40)), S::TopRight);
    g.drag(QPointF(150, 450));
    QCOMPARE(g.recordRect(), QRectF(100, 100, 400, 351));
    g.drag(QPointF(160, 450));
    QCOMPARE(g.recordRect().width(), 61.0);
}

void TestScreenAreaGeometry::overlayKeepsRatioOnEdgesAndOffersNoCorners()
{
    AreaCropGeometry g(QSizeF(1440, 900));
    g.setRecordRect(100, 100, 400, 300);
    g.setKeepScale(true);
    QCOMPARE(g.hover(QPointF(499, 399), QSizeF(40, 40)), S::Right);
    QCOMPARE(g.hover(QPointF(100, 100), QSizeF(40, 40)), S::Left);
    QCOMPARE(g.hover(QPointF(499, 250), QSizeF(40, 40)), S::Right);
    g.drag(QPointF(299, 250));
    // Width 200 gives height 150; the top edge (y 399) stays.
    QCOMPARE(g.recordRect(), QRectF(100, 250, 200, 150));
}

void TestScreenAreaGeometry::overlayMoveStopsFlushWithTheBorders()
{
    AreaCropGeometry g(QSizeF(1440, 900));
    g.setRecordRect(100, 100, 400, 300);
    QCOMPARE(g.hover(QPointF(300, 250), QSizeF(40, 40)), S::Centre);
    QCOMPARE(g.hover(QPointF(250, 200), QSizeF(40, 40)), S::None); // outside the mark
    g.hover(QPointF(300, 250), QSizeF(40, 40));
    g.press(QPointF(300, 250));
    g.drag(QPointF(5000, 5000));
    QCOMPARE(g.recordRect(), QRectF(1040, 600, 400, 300));
    g.drag(QPointF(-100, -100));
    QCOMPARE(g.recordRect(), QRectF(0, 0, 400, 300));
}

void TestScreenAreaGeometry::flipBetweenTopLeftAndBottomLeft()
{
    QCOMPARE(ScreenFlip::toBottomUp(QRect(100, 50, 640, 480), 900), QRectF(100, 370, 640, 480));
    QCOMPARE(ScreenFlip::toTopDown(QRectF(100, 370, 640, 480), 900), QRect(100, 50, 640, 480));
    // Fractions are truncated, the top from the truncated sum.
    QCOMPARE(ScreenFlip::toTopDown(QRectF(10.7, 370.6, 640.9, 480.2), 900), QRect(10, 50, 640, 480));
}

void TestScreenAreaGeometry::pickingHighlightsVisiblePartOrWholeScreen()
{
    AreaWindowPicker picker(QSizeF(1440, 900));
    // Window half off the left edge, top-left coordinates from the window system.
    picker.start({QRectF(-100, 100, 300, 200), QRectF(0, 0, 1440, 900)});
    picker.pointerMoved(QPointF(50, 700));
    QCOMPARE(picker.selectRect(), QRectF(0, 600, 200, 200));
    // The frontmost window holding the point wins.
    QCOMPARE(picker.windowAt(QPointF(50, 700)), QRectF(-100, 600, 300, 200));

    picker.start({});
    picker.pointerMoved(QPointF(700, 400));
    QCOMPARE(picker.selectRect(), QRectF(0, 0, 1440, 900));
    // A release with no press first is ignored.
    QVERIFY(!picker.leftReleased(QPointF(1, 1)));
}

void TestScreenAreaGeometry::rubberBandFollowsTheDrag()
{
    AreaWindowPicker picker(QSizeF(1440, 900));
    picker.start({});
    picker.leftPressed(QPointF(300, 400));
    picker.pointerMoved(QPointF(100, 500));
    QCOMPARE(picker.selectRect(), QRectF(100, 400, 200, 100));
    QVERIFY(picker.leftReleased(QPointF(90, 510)));
    QCOMPARE(picker.state(), AreaWindowPicker::Done);
    // What was picked is what was shown last.
    QCOMPARE(picker.selectRect(), QRectF(100, 400, 200, 100));
}

void TestScreenAreaGeometry::dashPhaseCycles()
{
    DashPhase phase;
    QList<int> seen{phase.value};
    for (int i = 0; i < 22; ++i) {
        phase.step();
        seen << phase.value;
    }
    QCOMPARE(seen.mid(0, 3), (QList<int>{20, 19, 18}));
    QCOMPARE(seen.mid(19, 4), (QList<int>{1, 0, 20, 19}));
}

void TestScreenAreaGeometry::dialogRectangleClampsAndShrinksWithoutJumping()
{
    VariableSizeGeometry g(QSize(1280, 1024));
    g.setRecordRect(30, 40, 10, 10);
    QCOMPARE(g.recordRect(), QRect(30, 40, 60, 60));
    g.setRecordRect(-1, 2000, 5000, 100);
    QCOMPARE(g.recordRect(), QRect(0, 0, 1280, 100));

    g.setRecordRect(100, 100, 200, 200);
    QCOMPARE(g.hover(QPoint(100, 200)), S::Left);
    g.press(QPoint(100, 200));
    QVERIFY(g.drag(QPoint(200, 200)));
    QCOMPARE(g.recordRect(), QRect(200, 100, 100, 200));
    QVERIFY(!g.drag(QPoint(300, 200)));
    QCOMPARE(g.recordRect(), QRect(240, 100, 60, 200));
    // Coming back, the edge stays until the pointer reaches it, then follows.
    g.drag(QPoint(250, 200));
    QCOMPARE(g.recordRect().x(), 240);
    g.drag(QPoint(230, 200));
    QCOMPARE(g.recordRect(), QRect(230, 100, 70, 200));
}

void TestScreenAreaGeometry::dialogKeepScaleGrabsEdgesOnly()
{
    VariableSizeGeometry g(QSize(1280, 1024));
    g.setRecordRect(100, 100, 400, 300);
    QCOMPARE(g.hover(QPoint(100, 100)), S::TopLeft);
    QCOMPARE(g.hover(QPoint(300, 250)), S::Centre);
    g.setKeepScale(true);
    QCOMPARE(g.hover(QPoint(100, 100)), S::Left);
    QCOMPARE(g.hover(QPoint(498, 398)), S::Right);
    QCOMPARE(g.scaleHeight(200), 150);
    QCOMPARE(g.scaleWidth(150), 200);
    g.press(QPoint(498, 250));
    g.drag(QPoint(298, 250));
    QCOMPARE(g.recordRect(), QRect(100, 100, 200, 150));
}

void TestScreenAreaGeometry::countdownDigits()
{
    QCOMPARE(QReciprocalDlg::digitFor(30), 0);
    QCOMPARE(QReciprocalDlg::digitFor(29), 3);
    QCOMPARE(QReciprocalDlg::digitFor(20), 3);
    QCOMPARE(QReciprocalDlg::digitFor(19), 2);
    QCOMPARE(QReciprocalDlg::digitFor(10), 2);
    QCOMPARE(QReciprocalDlg::digitFor(9), 1);
    QCOMPARE(QReciprocalDlg::digitFor(1), 1);

    QReciprocalDlg dlg;
    dlg.show();
    for (int i = 0; i < QReciprocalDlg::kStartCount - 1; ++i)
        dlg.OnReciprocalCount();
    QVERIFY(dlg.isVisible());
    dlg.OnReciprocalCount();
    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.count(), 0);
}

void TestScreenAreaGeometry::nineGridCorners()
{
    QCOMPARE(NineGrid::cornerSize(QSize(30, 30)), QSize(10, 10));
    QCOMPARE(NineGrid::cornerSize(QSize(31, 31)), QSize(10, 10));
    QCOMPARE(NineGrid::cornerSize(QSize(32, 32)), QSize(11, 11));
    const auto even = NineGrid::Corners::uniform(QSize(10, 10));
    QCOMPARE(NineGrid::cells(QSize(30, 30), even, QRect(0, 0, 100, 80)).size(), 9);
    // Narrower than its two corners: no top or bottom middle cell, no centre.
    const auto narrow = NineGrid::cells(QSize(30, 30), even, QRect(0, 0, 19, 80));
    QCOMPARE(narrow.size(), 6);
    for (const NineGrid::Cell &c : narrow)
        QVERIFY(c.target.width() == 10);

    // Four corners of their own: each drawn unscaled at its corner, from
    // its corner of the image, and the cells leave no pixel of the bounds bare.
    const NineGrid::Corners uneven{QSize(5, 5), QSize(12, 8), QSize(6, 14), QSize(10, 10)};
    const QRect bounds(3, 4, 100, 80);
    const auto cells = NineGrid::cells(QSize(40, 40), uneven, bounds);
    QCOMPARE(cells.size(), 9);
    auto has = [&](QRect source, QRect target) {
        for (const NineGrid::Cell &c : cells)
            if (c.source == source && c.target == target)
                return true;
        return false;
    };
    QVERIFY(has(QRect(0, 0, 5, 5), QRect(3, 4, 5, 5)));
    QVERIFY(has(QRect(28, 0, 12, 8), QRect(91, 4, 12, 8)));
    QVERIFY(has(QRect(0, 26, 6, 14), QRect(3, 70, 6, 14)));
    QVERIFY(has(QRect(30, 30, 10, 10), QRect(93, 74, 10, 10)));
    QRegion covered;
    for (const NineGrid::Cell &c : cells) {
        QVERIFY(bounds.contains(c.target));
        covered += c.target;
    }
    QCOMPARE(covered, QRegion(bounds));
}

void TestScreenAreaGeometry::frameWindowPlacesThePicture()
{
    VideoImageWindow window;
    window.resize(1000, 1000);
    window.setVideoScale(1920, 1080);
    QCOMPARE(window.getVideoRect(), QRect(0, 219, 1000, 562));
    window.setVideoScale(0, 1080);
    QCOMPARE(window.getVideoRect(), QRect(0, 219, 1000, 562));
    window.resize(320, 200);
    window.setVideoSize(640, 480);
    QCOMPARE(window.getVideoRect(), QRect(0, 0, 320, 200));
    window.setVideoSize(100, 50);
    QCOMPARE(window.getVideoRect(), QRect(110, 75, 100, 50));
}

void TestScreenAreaGeometry::frameWindowClickAndDrag()
{
    VideoImageWindow window;
    window.resize(400, 300);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QSignalSpy play(&window, &VideoImageWindow::emitPlayOrPause);
    QSignalSpy down(&window, &VideoImageWindow::emitMouseDown);
    QSignalSpy up(&window, &VideoImageWindow::emitMouseUp);
    QSignalSpy controls(&window, &VideoImageWindow::emitShowBtn);
    QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(200, 100));
    QCOMPARE(play.count(), 1);

    QTest::mousePress(&window, Qt::LeftButton, {}, QPoint(200, 100));
    QTest::mouseRelease(&window, Qt::LeftButton, {}, QPoint(260, 140));
    QCOMPARE(play.count(), 1);
    QCOMPARE(down.count(), 2);
    QCOMPARE(up.count(), 2);

    QMouseEvent nearBottom(QEvent::MouseMove, QPointF(10, 260), Qt::NoButton, Qt::NoButton, {});
    QApplication::sendEvent(&window, &nearBottom);
    QMouseEvent high(QEvent::MouseMove, QPointF(10, 250), Qt::NoButton, Qt::NoButton, {});
    QApplication::sendEvent(&window, &high);
    QCOMPARE(controls.count(), 2);
    QCOMPARE(controls.at(0).at(0).toBool(), true);
    QCOMPARE(controls.at(1).at(0).toBool(), false);

    QSignalSpy full(&window, &VideoImageWindow::emitFullScreen);
    QTest::mouseDClick(&window, Qt::LeftButton, {}, QPoint(50, 50));
    QCOMPARE(full.count(), 1);
    QVERIFY(window.isFullScreenShown());
    QTest::mouseDClick(&window, Qt::LeftButton, {}, QPoint(50, 50));
    QVERIFY(!window.isFullScreenShown());
}

QTEST_MAIN(TestScreenAreaGeometry)
#include "tst_geometry.moc"
