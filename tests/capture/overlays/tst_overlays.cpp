#include "capture/areaselectionview.h"
#include "capture/dimmingview.h"
#include "capture/imgborderview.h"
#include "capture/qpointgetrectdlg.h"
#include "capture/qreciprocaldlg.h"
#include "capture/qvariablesizewgt.h"
#include "capture/rzrecordcrop.h"
#include "capture/rztransparent.h"
#include "capture/screenwindowlist.h"
#include "testsupport.h"

#include <QScreen>
#include <QSignalSpy>
#include <QtTest>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace {

void mouse(QWidget *w, QEvent::Type type, QPoint pos, Qt::MouseButton button,
           Qt::MouseButtons buttons)
{
    QMouseEvent event(type, pos, w->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

void drag(QWidget *w, QPoint from, QPoint to, Qt::MouseButton button = Qt::LeftButton)
{
    mouse(w, QEvent::MouseMove, from, Qt::NoButton, Qt::NoButton);
    mouse(w, QEvent::MouseButtonPress, from, button, button);
    mouse(w, QEvent::MouseMove, (from + to) / 2, Qt::NoButton, button);
    mouse(w, QEvent::MouseMove, to, Qt::NoButton, button);
    mouse(w, QEvent::MouseButtonRelease, to, button, Qt::NoButton);
}

int screenHeight()
{
    return QGuiApplication::primaryScreen()->geometry().height();
}

// Waits out the overlay's first-display delay: the grab shows the frame colour.
QImage grabWhenDrawn(QWidget *w, QPoint probe, QColor expected)
{
    QImage image;
    // The caller's checks of the grab judge it; a grab that never came right fails them.
    (void)QTest::qWaitFor([&] {
        image = w->grab().toImage();
        return image.pixelColor(probe) == expected;
    }, 10000);
    return image;
}

xcb_atom_t internAtom(xcb_connection_t *c, const char *name)
{
    xcb_intern_atom_reply_t *r = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(r);
    return a;
}

void setAtomProperty(xcb_connection_t *c, xcb_window_t w, const char *property, const char *value)
{
    const xcb_atom_t a = internAtom(c, value);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, internAtom(c, property), XCB_ATOM_ATOM, 32, 1, &a);
}

// A plain X window of another client, mapped, with a window type when given.
xcb_window_t makeXWindow(xcb_connection_t *c, xcb_window_t parent, QRect r, const char *type,
                         bool overrideRedirect = false)
{
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t w = xcb_generate_id(c);
    const uint32_t values[] = {screen->black_pixel, overrideRedirect ? 1u : 0u};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, parent, static_cast<int16_t>(r.x()),
                      static_cast<int16_t>(r.y()), static_cast<uint16_t>(r.width()),
                      static_cast<uint16_t>(r.height()), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    if (type)
        setAtomProperty(c, w, "_NET_WM_WINDOW_TYPE", type);
    xcb_map_window(c, w);
    return w;
}

} // namespace

class TestScreenAreaOverlays : public QObject
{
    Q_OBJECT
private slots:
    void cropOverlayConvertsRectangles();
    void cropOverlayResizesWithTheMouse();
    void pickingOverlayPicksWindowOrRubberBand();
    void windowListComesFromTheXServer();
    void windowListOffersApplicationWindowsOnly();
    void dimmingLeavesTheClearRectangle();
    void dialogSelectionWithTheMouse();
    void rubberBandDialogEmitsTheDraggedRectangle();
    void countdownHidesItselfAfterThreeSeconds();
    void borderViewsDrawAndReportTheMouse();
    void borderViewTakesFourCornersAndReportsWindowPositions();
};

void TestScreenAreaOverlays::cropOverlayConvertsRectangles()
{
    RZRecordCrop crop;
    QVERIFY(crop.window()->isHidden());
    crop.setRecordRect(100, 50, 640, 480);
    QCOMPARE(crop.view()->getRecordRect(), QRectF(100, screenHeight() - 530, 640, 480));
    QCOMPARE(crop.getRecordRect(), QRect(100, 50, 640, 480));
    crop.setRecordRect(QPoint(10, 10), QSize(20, 5000));
    QCOMPARE(crop.getRecordRect().size(), QSize(60, screenHeight()));

    crop.setFrameColor(QColor(253, 94, 105, 255));
    QCOMPARE(crop.getFrameColor(), QColor(253, 94, 105, 255));
}

void TestScreenAreaOverlays::cropOverlayResizesWithTheMouse()
{
    RZRecordCrop crop;
    QSignalSpy rects(&crop, &RZRecordCrop::emitRecordRect);
    crop.setRecordRect(100, 50, 640, 480);
    crop.show();
    QVERIFY(QTest::qWaitForWindowExposed(crop.window()));
    AreaSelectionView *view = crop.view();

    // Right edge (x 739) dragged 100 to the right.
    drag(view, QPoint(739, 290), QPoint(839, 290));
    QCOMPARE(crop.getRecordRect(), QRect(100, 50, 740, 480));
    // The redraws stream the rectangle out.
    QTRY_VERIFY(!rects.isEmpty() && rects.last().at(0).toRect() == QRect(100, 50, 740, 480));

    // The centre mark moves the whole rectangle.
    drag(view, QPoint(470, 290), QPoint(520, 340));
    QCOMPARE(crop.getRecordRect(), QRect(150, 100, 740, 480));

    const QImage shot = grabWhenDrawn(view, QPoint(148, 300), QColor(253, 94, 105));
    QCOMPARE(shot.pixelColor(148, 300), QColor(253, 94, 105));
    QCOMPARE(shot.pixelColor(400, 200).alpha(), 0);
    TestSupport::saveScreenshot(view, "screenarea_crop");

    // Recording look: only marching dashes, about three quarters of the edge.
    crop.showStartRecordMode(true);
    const QImage dashes = view->grab().toImage();
    int coloured = 0;
    for (int x = 160; x < 880; ++x)
        coloured += dashes.pixelColor(x, 101) == QColor(253, 94, 105);
    QVERIFY2(coloured > 720 * 0.6 && coloured < 720 * 0.9, qPrintable(QString::number(coloured)));
    TestSupport::saveScreenshot(view, "screenarea_recording");
    crop.hide();
    QVERIFY(crop.window()->isHidden());
}

void TestScreenAreaOverlays::pickingOverlayPicksWindowOrRubberBand()
{
    RZRecordCrop crop;
    crop.view()->setWindowList([] { return QList<QRectF>{QRectF(200, 100, 300, 200)}; });
    QSignalSpy picked(&crop, &RZRecordCrop::emitSelectAreaRect);
    crop.show();
    QVERIFY(QTest::qWaitForWindowExposed(crop.window()));
    AreaSelectionView *view = crop.view();

    // Hovering a window and clicking right picks it at once.
    crop.showPointGetRectMode(true);
    mouse(view, QEvent::MouseMove, QPoint(300, 200), Qt::NoButton, Qt::NoButton);
    grabWhenDrawn(view, QPoint(198, 200), QColor(253, 94, 105));
    TestSupport::saveScreenshot(view, "screenarea_picking");
    mouse(view, QEvent::MouseButtonPress, QPoint(300, 200), Qt::RightButton, Qt::RightButton);
    QCOMPARE(picked.count(), 1);
    QCOMPARE(picked.last().at(0).toRect(), QRect(200, 100, 300, 200));
    QCOMPARE(crop.getRecordRect(), QRect(200, 100, 300, 200));
    QVERIFY(!view->showPointGetRectMode());

    // A left drag picks the band; the record rectangle keeps its minimum.
    crop.showPointGetRectMode(true);
    drag(view, QPoint(600, 500), QPoint(620, 530));
    QCOMPARE(picked.count(), 2);
    QCOMPARE(picked.last().at(0).toRect(), QRect(600, 500, 20, 30));
    QCOMPARE(crop.getRecordRect().size(), QSize(60, 60));
}

void TestScreenAreaOverlays::windowListComesFromTheXServer()
{
    QWidget window;
    window.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    window.setGeometry(300, 200, 200, 150);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY(ScreenWindowList::onScreenWindows().contains(QRectF(300, 200, 200, 150)));
    // Overlays of our own are never offered.
    RZRecordCrop crop;
    crop.show();
    QVERIFY(QTest::qWaitForWindowExposed(crop.window()));
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    QVERIFY(!ScreenWindowList::onScreenWindows().contains(QRectF(QPointF(0, 0), screen)));
}

void TestScreenAreaOverlays::windowListOffersApplicationWindowsOnly()
{
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    QVERIFY(!xcb_connection_has_error(c));
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    struct Case {
        QRect rect;
        const char *type;
        bool overrideRedirect;
        bool offered;
    };
    const Case cases[] = {
        {QRect(10, 10, 101, 51), "_NET_WM_WINDOW_TYPE_NORMAL", false, true},
        {QRect(20, 70, 102, 52), "_NET_WM_WINDOW_TYPE_DIALOG", false, true},
        {QRect(30, 130, 103, 53), nullptr, false, true}, // no type: a normal window
        {QRect(40, 190, 104, 54), nullptr, true, false}, // no type, but past the window manager
        {QRect(0, 0, 800, 30), "_NET_WM_WINDOW_TYPE_DOCK", false, false},
        {QRect(0, 0, 640, 480), "_NET_WM_WINDOW_TYPE_DESKTOP", false, false},
        {QRect(50, 250, 105, 55), "_NET_WM_WINDOW_TYPE_DROPDOWN_MENU", false, false},
        {QRect(60, 310, 106, 56), "_NET_WM_WINDOW_TYPE_POPUP_MENU", false, false},
        {QRect(70, 370, 107, 57), "_NET_WM_WINDOW_TYPE_MENU", false, false},
        {QRect(80, 430, 108, 58), "_NET_WM_WINDOW_TYPE_TOOLTIP", false, false},
        {QRect(90, 490, 109, 59), "_NET_WM_WINDOW_TYPE_NOTIFICATION", false, false},
        {QRect(300, 10, 110, 60), "_NET_WM_WINDOW_TYPE_UTILITY", false, false},
    };
    for (const Case &k : cases)
        makeXWindow(c, root, k.rect, k.type, k.overrideRedirect);

    // A window manager's frames: the type sits on the client window inside,
    // the one that carries WM_STATE.
    const QRect framedNormal(400, 100, 111, 61), framedDock(400, 200, 112, 62);
    const xcb_atom_t wmState = internAtom(c, "WM_STATE");
    const uint32_t normalState[] = {1, 0};
    const QPair<QRect, const char *> framedWindows[] = {
        {framedNormal, "_NET_WM_WINDOW_TYPE_NORMAL"}, {framedDock, "_NET_WM_WINDOW_TYPE_DOCK"}};
    for (const auto &framed : framedWindows) {
        const xcb_window_t frame = makeXWindow(c, root, framed.first, nullptr);
        const xcb_window_t client = makeXWindow(c, frame, QRect(2, 20, 100, 30), framed.second);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, client, wmState, wmState, 32, 2, normalState);
    }
    xcb_flush(c);

    // A window of this program, made through Qt.
    QWidget own;
    own.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    own.setGeometry(500, 300, 113, 63);
    own.show();
    QVERIFY(QTest::qWaitForWindowExposed(&own));

    QTRY_VERIFY(ScreenWindowList::onScreenWindows().contains(QRectF(500, 300, 113, 63)));
    const QList<QRectF> offered = ScreenWindowList::onScreenWindows();
    for (const Case &k : cases)
        QVERIFY2(offered.contains(QRectF(k.rect)) == k.offered, k.type ? k.type : "no type");
    QVERIFY(offered.contains(QRectF(framedNormal)));
    QVERIFY(!offered.contains(QRectF(framedDock)));
    xcb_disconnect(c);
}

void TestScreenAreaOverlays::dimmingLeavesTheClearRectangle()
{
    RZTransparent dim;
    dim.setClearRect(QRect(100, 50, 640, 480));
    QCOMPARE(dim.view()->clearRect(), QRectF(100, screenHeight() - 530, 640, 480));
    dim.show();
    QVERIFY(QTest::qWaitForWindowExposed(dim.window()));
    QVERIFY(dim.window()->windowFlags() & Qt::WindowTransparentForInput);
    QImage shot;
    (void)QTest::qWaitFor([&] {   // the checks below judge the grab
        shot = dim.view()->grab().toImage();
        return shot.pixelColor(10, 10).alpha() != 0;
    }, 10000);
    QCOMPARE(shot.pixelColor(10, 10).alpha(), 128);
    QCOMPARE(shot.pixelColor(400, 300).alpha(), 0);
    QCOMPARE(shot.pixelColor(99, 300).alpha(), 128);
    TestSupport::saveScreenshot(dim.view(), "screenarea_dimming");
}

void TestScreenAreaOverlays::dialogSelectionWithTheMouse()
{
    QVariableSizeWgt dlg;
    dlg.setRecordRect(100, 100, 300, 200);
    QSignalSpy pressMove(&dlg, &QVariableSizeWgt::emitPressMove);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    drag(&dlg, QPoint(250, 200), QPoint(350, 300));
    QCOMPARE(dlg.getRecordRect(), QRect(200, 200, 300, 200));
    QCOMPARE(pressMove.count(), 1);
    // Bottom-right corner, then the cursor tells what is grabbed.
    drag(&dlg, QPoint(499, 399), QPoint(449, 459));
    QCOMPARE(dlg.getRecordRect(), QRect(200, 200, 250, 260));
    QCOMPARE(pressMove.count(), 2);
    mouse(&dlg, QEvent::MouseMove, QPoint(200, 300), Qt::NoButton, Qt::NoButton);
    QCOMPARE(dlg.cursor().shape(), Qt::SplitHCursor);
    TestSupport::saveScreenshot(&dlg, "screenarea_dialog");
}

void TestScreenAreaOverlays::rubberBandDialogEmitsTheDraggedRectangle()
{
    QPointGetRectDlg dlg;
    QSignalSpy picked(&dlg, &QPointGetRectDlg::emitSelectAreaRect);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    // A right click after a drag starts over.
    mouse(&dlg, QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
    mouse(&dlg, QEvent::MouseMove, QPoint(40, 40), Qt::NoButton, Qt::LeftButton);
    mouse(&dlg, QEvent::MouseButtonPress, QPoint(40, 40), Qt::RightButton, Qt::LeftButton | Qt::RightButton);
    QCOMPARE(dlg.pickingState(), 0);
    drag(&dlg, QPoint(250, 160), QPoint(50, 60));
    QCOMPARE(picked.count(), 1);
    QCOMPARE(picked.last().at(0).toRect(), QRect(50, 60, 200, 100));
}

void TestScreenAreaOverlays::countdownHidesItselfAfterThreeSeconds()
{
    QReciprocalDlg dlg;
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QTRY_VERIFY(QReciprocalDlg::digitFor(dlg.count()) == 3);
    TestSupport::saveScreenshot(&dlg, "screenarea_countdown");
    QTRY_VERIFY_WITH_TIMEOUT(dlg.isHidden(), 6000);
    QCOMPARE(dlg.count(), 0);
}

namespace {
struct Recorder
{
    int moves = 0, downs = 0, ups = 0;
    QPointF last;
};
void onMove(const QPointF &p, void *o) { auto *r = static_cast<Recorder *>(o); ++r->moves; r->last = p; }
void onDown(const QPointF &p, void *o) { auto *r = static_cast<Recorder *>(o); ++r->downs; r->last = p; }
void onUp(const QPointF &p, void *o) { auto *r = static_cast<Recorder *>(o); ++r->ups; r->last = p; }
} // namespace

void TestScreenAreaOverlays::borderViewsDrawAndReportTheMouse()
{
    QImage skin(30, 30, QImage::Format_ARGB32);
    skin.fill(QColor(20, 200, 20));
    for (int i = 10; i < 20; ++i)
        for (int j = 10; j < 20; ++j)
            skin.setPixelColor(i, j, QColor(200, 20, 20));
    const QString skinPath = QDir(QDir::tempPath()).filePath("velmora_border_skin.png");
    QVERIFY(skin.save(skinPath));

    ImgBorderView view;
    view.resize(200, 120);
    // No callbacks yet: mouse events change nothing.
    mouse(&view, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton, Qt::LeftButton);
    Recorder rec;
    view.setCallBackObject(&rec);
    view.setMoveCallback(&onMove);
    view.setDownCallback(&onDown);
    view.setUpCallback(&onUp);
    view.setBackgroundImage(skinPath);
    QCOMPARE(view.cornerSizes(), NineGrid::Corners::uniform(QSize(10, 10)));
    view.setItemImage(skinPath);
    view.setItemRect(QRect(20, 20, 60, 40));
    ImgItemView *item = view.itemView();
    view.setItemRect(QRect(40, 30, 60, 40));
    QCOMPARE(view.itemView(), item);
    QCOMPARE(item->geometry(), QRect(40, 30, 60, 40));

    mouse(&view, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton, Qt::LeftButton);
    mouse(&view, QEvent::MouseMove, QPoint(15, 6), Qt::NoButton, Qt::LeftButton);
    mouse(&view, QEvent::MouseButtonRelease, QPoint(16, 7), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(rec.downs, 1);
    QCOMPARE(rec.moves, 1);
    QCOMPARE(rec.ups, 1);
    QCOMPARE(rec.last, QPointF(16, 7));

    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const QImage shot = view.grab().toImage();
    QCOMPARE(shot.pixelColor(2, 2), QColor(20, 200, 20));   // corner cell
    QCOMPARE(shot.pixelColor(150, 5), QColor(20, 200, 20));  // top edge stretched
    QCOMPARE(shot.pixelColor(170, 115), QColor(20, 200, 20)); // bottom edge stretched
    QCOMPARE(shot.pixelColor(5, 60), QColor(20, 200, 20));   // left edge stretched
    QCOMPARE(shot.pixelColor(150, 90), QColor(200, 20, 20)); // centre stretched
    TestSupport::saveScreenshot(&view, "screenarea_border");
}

void TestScreenAreaOverlays::borderViewTakesFourCornersAndReportsWindowPositions()
{
    // A skin whose four corner quarters have colours of their own.
    QImage skin(40, 40, QImage::Format_ARGB32);
    const QColor tl(200, 0, 0), tr(0, 200, 0), bl(0, 0, 200), br(200, 200, 0);
    for (int x = 0; x < 40; ++x)
        for (int y = 0; y < 40; ++y)
            skin.setPixelColor(x, y, x < 20 ? (y < 20 ? tl : bl) : (y < 20 ? tr : br));

    QWidget host;
    host.resize(300, 200);
    auto *view = new ImgBorderView(&host);
    view->setGeometry(30, 40, 200, 120);
    view->setImage(skin);
    view->setGridViewInfo(QSize(5, 5), QSize(15, 10), QSize(8, 18), QSize(12, 12));
    QCOMPARE(view->cornerSizes(),
             (NineGrid::Corners{QSize(5, 5), QSize(15, 10), QSize(8, 18), QSize(12, 12)}));

    Recorder rec;
    view->setCallBackObject(&rec);
    view->setMoveCallback(&onMove);
    view->setDownCallback(&onDown);
    view->setUpCallback(&onUp);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    // Positions come in the window's coordinates, not the view's.
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(10, 20));
    QCOMPARE(rec.downs, 1);
    QCOMPARE(rec.last, QPointF(40, 60));
    QTest::mouseMove(view, QPoint(50, 60));
    QTRY_COMPARE(rec.last, QPointF(80, 100));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(60, 70));
    QCOMPARE(rec.ups, 1);
    QCOMPARE(rec.last, QPointF(90, 110));

    // Each corner cell is drawn at its own size from its own quarter.
    const QImage shot = view->grab().toImage();
    QCOMPARE(shot.pixelColor(4, 4), tl);
    QCOMPARE(shot.pixelColor(199 - 14, 9), tr);   // inside the 15 × 10 top right
    QCOMPARE(shot.pixelColor(7, 119 - 17), bl);   // inside the 8 × 18 bottom left
    QCOMPARE(shot.pixelColor(199 - 11, 119 - 11), br);
    QCOMPARE(shot.pixelColor(199 - 16, 2), tr);   // the top edge runs up to the corner
    TestSupport::saveScreenshot(&host, "screenarea_border_corners");
}

QTEST_MAIN(TestScreenAreaOverlays)
#include "tst_overlays.moc"
