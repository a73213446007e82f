// The frameless-window engine on real top-level widgets: drags, resize bands,
// limits, maximise and restore, centring, and what it paints.

#include "widgetkit/jxmacosinterface.h"
#include "widgetkit/qjxdialog.h"
#include "widgetkit/qjxmainwindow.h"
#include "widgetkit/qjxwidget.h"
#include "widgetkit/qwindowplacement.h"

#include <QApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

namespace {

void sendMouse(QWidget *w, QEvent::Type type, QPoint global, Qt::MouseButton button = Qt::LeftButton)
{
    const QPointF local = w->mapFromGlobal(global);
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton
                                     : type == QEvent::MouseMove && button == Qt::NoButton
                                         ? Qt::NoButton
                                         : Qt::MouseButtons(button);
    QMouseEvent event(type, local, local, QPointF(global), type == QEvent::MouseMove ? Qt::NoButton : button,
                      buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

void hover(QWidget *w, QPoint global) { sendMouse(w, QEvent::MouseMove, global, Qt::NoButton); }

void drag(QWidget *w, QPoint from, QPoint to)
{
    hover(w, from);
    sendMouse(w, QEvent::MouseButtonPress, from);
    sendMouse(w, QEvent::MouseMove, to);
    sendMouse(w, QEvent::MouseButtonRelease, to);
}

// Counts the layouts the engine asks for.
class CountingDialog : public QJXDialog
{
public:
    int layouts = 0;
    void resetControlLocation() override { ++layouts; }
};

QColor regionColour(int col, int row) { return QColor(30 + col * 100, 30 + row * 100, 90); }

// 300 x 200 image pixels: nine regions with the corner size of a 150 x 100 window.
QString writeNineRegionPng(const QString &dir)
{
    QImage image(300, 200, QImage::Format_ARGB32);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x) {
            const int col = x < 100 ? 0 : (x >= 200 ? 2 : 1);
            const int row = y < 66 ? 0 : (y >= 134 ? 2 : 1);
            image.setPixelColor(x, y, regionColour(col, row));
        }
    const QString path = dir + QStringLiteral("/bg.png");
    image.save(path);
    return path;
}

} // namespace

class TestWindow : public QObject
{
    Q_OBJECT

private slots:
    void dragByTopBand();
    void panesAndLowPressesDoNotMove();
    void hoverBandsSetCursors();
    void fixedWindowKeepsArrowAndOnlyDrags();
    void leftEdgeLimits();
    void rightAndBottomEdges();
    void maximiseRestoresExactGeometry();
    void layoutAfterResizeAndShow();
    void backgroundSizesWindowAndPaintsNinePieces();
    void missingBackgroundChangesNothing();
    void titleIsElidedInItsRectangle();
    void centringKeepsDialogOnItsScreen();
    void systemResizeEdges();
    void windowServices();
};

void TestWindow::dragByTopBand()
{
    QJXDialog dialog;
    dialog.setGeometry(100, 100, 300, 200);
    dialog.show();
    const QPoint start = dialog.pos();
    drag(&dialog, start + QPoint(150, 10), start + QPoint(180, 30));
    QCOMPARE(dialog.pos(), start + QPoint(30, 20));
}

void TestWindow::panesAndLowPressesDoNotMove()
{
    QJXDialog dialog;
    dialog.setGeometry(100, 100, 300, 200);
    dialog.show();
    const QPoint start = dialog.pos();
    // Below the move-top height (40): no move.
    drag(&dialog, start + QPoint(150, 60), start + QPoint(200, 120));
    QCOMPARE(dialog.pos(), start);

    QJXWidget host;
    host.setGeometry(50, 50, 400, 300);
    QJXWidget pane(&host);
    pane.setGeometry(10, 10, 200, 100);
    host.show();
    const QPoint paneStart = pane.pos();
    const QPoint g = pane.mapToGlobal(QPoint(20, 5));
    drag(&pane, g, g + QPoint(40, 40));
    QCOMPARE(pane.pos(), paneStart);
    QCOMPARE(pane.stretchPolicy(), int(QBaseDrawWidget::StretchNone));
}

void TestWindow::hoverBandsSetCursors()
{
    QJXDialog dialog;
    dialog.setGeometry(100, 100, 300, 200);
    dialog.setTransparentW(8);
    dialog.show();
    const QRect g = dialog.geometry();
    const int L = g.left(), T = g.top(), R = g.right(), B = g.bottom();

    struct Case { QPoint at; int state; Qt::CursorShape cursor; };
    const Case cases[] = {
        {{L + 10, T + 100}, QBaseDrawWidget::CursorLeft, Qt::SplitHCursor},
        {{L + 10, T + 10}, QBaseDrawWidget::CursorTopLeft, Qt::SizeFDiagCursor},
        {{L + 10, B - 10}, QBaseDrawWidget::CursorBottomLeft, Qt::SizeBDiagCursor},
        {{R - 10, T + 100}, QBaseDrawWidget::CursorRight, Qt::SplitHCursor},
        {{R - 10, T + 9}, QBaseDrawWidget::CursorTopRight, Qt::SizeBDiagCursor},
        {{R - 9, B - 9}, QBaseDrawWidget::CursorBottomRight, Qt::SizeFDiagCursor},
        {{L + 150, T + 12}, QBaseDrawWidget::CursorTop, Qt::SplitVCursor},
        {{L + 150, B - 8}, QBaseDrawWidget::CursorBottom, Qt::SplitVCursor},
        {{L + 150, T + 100}, QBaseDrawWidget::CursorNone, Qt::ArrowCursor},
        // Inside the transparent shadow band nothing grabs.
        {{L + 5, T + 100}, QBaseDrawWidget::CursorNone, Qt::ArrowCursor},
        {{L + 13, T + 100}, QBaseDrawWidget::CursorNone, Qt::ArrowCursor},
    };
    for (const Case &c : cases) {
        hover(&dialog, c.at);
        QCOMPARE(int(dialog.cursorAndState()), c.state);
        QCOMPARE(dialog.cursor().shape(), c.cursor);
    }
}

void TestWindow::fixedWindowKeepsArrowAndOnlyDrags()
{
    QJXDialog dialog;
    dialog.setGeometry(100, 100, 300, 200);
    dialog.setStretchPolicy(QBaseDrawWidget::StretchNone);
    dialog.show();
    const QRect g = dialog.geometry();
    hover(&dialog, QPoint(g.left() + 1, g.top() + 1));
    QCOMPARE(int(dialog.cursorAndState()), int(QBaseDrawWidget::CursorNone));
    QCOMPARE(dialog.cursor().shape(), Qt::ArrowCursor);
    drag(&dialog, QPoint(g.left() + 1, g.top() + 1), QPoint(g.left() + 21, g.top() + 1));
    QCOMPARE(dialog.geometry(), g.translated(20, 0));
    // Double-clicking a fixed window does nothing.
    sendMouse(&dialog, QEvent::MouseButtonDblClick, dialog.geometry().center());
    QVERIFY(!dialog.isMaxSize());
}

void TestWindow::leftEdgeLimits()
{
    const int SW = QGuiApplication::primaryScreen()->geometry().width();
    QJXDialog dialog;
    dialog.setMinimumSize(150, 100);
    dialog.setGeometry(300, 100, 300, 200);
    dialog.show();
    QRect g = dialog.geometry();
    const int R = g.right();

    // Drag the left edge 50 px right: applied (width 250).
    drag(&dialog, QPoint(g.left() + 2, g.top() + 100), QPoint(g.left() + 52, g.top() + 100));
    QCOMPARE(dialog.geometry(), QRect(QPoint(g.left() + 50, g.top()), QPoint(R, g.bottom())));

    // Past the minimum width: the edge keeps its place.
    g = dialog.geometry();
    drag(&dialog, QPoint(g.left() + 2, g.top() + 100), QPoint(R - 140, g.top() + 100));
    QCOMPARE(dialog.geometry(), g);

    // Wider than the screen less 4: rejected for the left edge...
    const int tooFar = R - (SW - 4) + 2;
    drag(&dialog, QPoint(g.left() + 2, g.top() + 100), QPoint(tooFar, g.top() + 100));
    QCOMPARE(dialog.geometry(), g);
    // ... but the bottom-left corner only keeps the minimum width.
    drag(&dialog, QPoint(g.left() + 2, g.bottom() - 2), QPoint(tooFar, g.bottom() - 2));
    QCOMPARE(dialog.geometry().left(), tooFar - 2);
    QCOMPARE(dialog.geometry().right(), R);
}

void TestWindow::rightAndBottomEdges()
{
    const int AH = QGuiApplication::primaryScreen()->availableGeometry().height();
    QJXDialog dialog;
    dialog.setMinimumSize(150, 100);
    dialog.setGeometry(100, 100, 300, 200);
    dialog.show();
    QRect g = dialog.geometry();
    // Grabbed 3 px inside the right edge: the edge follows the cursor at that distance.
    drag(&dialog, QPoint(g.right() - 3, g.top() + 100), QPoint(g.right() + 37, g.top() + 100));
    QCOMPARE(dialog.geometry().right(), g.right() + 40);
    QCOMPARE(dialog.geometry().left(), g.left());

    g = dialog.geometry();
    drag(&dialog, QPoint(g.left() + 150, g.bottom() - 1), QPoint(g.left() + 150, g.bottom() - 61));
    QCOMPARE(dialog.geometry().bottom(), g.bottom() - 60);
    // Taller than the available height: rejected.
    g = dialog.geometry();
    drag(&dialog, QPoint(g.left() + 150, g.bottom() - 1), QPoint(g.left() + 150, g.top() + AH + 10));
    QCOMPARE(dialog.geometry(), g);
}

void TestWindow::maximiseRestoresExactGeometry()
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QJXMainWindow window;
    window.setTransparentW(8);
    window.setGeometry(120, 90, 333, 222);
    window.show();
    const QRect before = window.geometry();
    sendMouse(&window, QEvent::MouseButtonDblClick, before.center());
    QVERIFY(window.isMaxSize());
    QCOMPARE(window.geometry(), QRect(area.left() - 8, area.top() - 8, area.width() + 16, area.height() + 16));

    // While maximised neither hover nor drag changes anything.
    hover(&window, window.geometry().topLeft() + QPoint(9, 9));
    QCOMPARE(int(window.cursorAndState()), int(QBaseDrawWidget::CursorNone));
    drag(&window, window.geometry().topLeft() + QPoint(100, 12), window.geometry().topLeft() + QPoint(200, 80));
    QCOMPARE(window.geometry().topLeft(), QPoint(area.left() - 8, area.top() - 8));

    sendMouse(&window, QEvent::MouseButtonDblClick, window.geometry().center());
    QVERIFY(!window.isMaxSize());
    QCOMPARE(window.geometry(), before);
}

void TestWindow::layoutAfterResizeAndShow()
{
    CountingDialog dialog;
    dialog.resize(200, 100);
    dialog.show();
    const int afterShow = dialog.layouts;
    QVERIFY(afterShow >= 1);
    dialog.resize(260, 140);
    QTRY_VERIFY(dialog.layouts > afterShow);
}

void TestWindow::backgroundSizesWindowAndPaintsNinePieces()
{
    QTemporaryDir dir;
    const QString path = writeNineRegionPng(dir.path());
    QJXDialog dialog;
    dialog.setBackgroundImage(path, true);
    QCOMPARE(dialog.size(), QSize(150, 100));
    QCOMPARE(dialog.minimumSize(), QSize(150, 100));
    QCOMPARE(dialog.stretchPolicy(), int(QBaseDrawWidget::StretchAll));

    // At twice the size the corners stay 50 x 33 and the rest stretches.
    dialog.resize(300, 200);
    const QImage shot = dialog.grab().toImage();
    struct Sample { int x, y, col, row; };
    const Sample samples[] = {
        {0, 0, 0, 0}, {49, 32, 0, 0}, {50, 0, 1, 0}, {249, 32, 1, 0}, {250, 0, 2, 0}, {299, 32, 2, 0},
        {0, 33, 0, 1}, {150, 100, 1, 1}, {299, 166, 2, 1}, {0, 167, 0, 2}, {150, 199, 1, 2},
        {299, 199, 2, 2},
    };
    for (const Sample &s : samples)
        QCOMPARE(shot.pixelColor(s.x, s.y), regionColour(s.col, s.row));

    // Without the grid flag the window is fixed and takes no minimum size.
    QJXDialog plain;
    plain.setBackgroundImage(path, false);
    QCOMPARE(plain.size(), QSize(150, 100));
    QCOMPARE(plain.minimumSize(), QSize(0, 0));
    QCOMPARE(plain.stretchPolicy(), int(QBaseDrawWidget::StretchNone));
}

void TestWindow::missingBackgroundChangesNothing()
{
    QJXDialog dialog;
    dialog.resize(123, 45);
    dialog.setBackgrounColor(QColor(10, 200, 30));
    dialog.setBackgroundImage(QStringLiteral("/nonexistent/bg.png"), true);
    QCOMPARE(dialog.size(), QSize(123, 45));
    QCOMPARE(dialog.grab().toImage().pixelColor(60, 20), QColor(10, 200, 30));
}

void TestWindow::titleIsElidedInItsRectangle()
{
    QJXDialog dialog;
    dialog.resize(200, 60);
    dialog.setBackgrounColor(Qt::black);
    QPalette pal = dialog.palette();
    pal.setColor(QPalette::WindowText, Qt::white);
    dialog.setPalette(pal);
    const QImage empty = dialog.grab().toImage();
    dialog.setDlgTitle(QString());
    QCOMPARE(dialog.grab().toImage(), empty);

    dialog.setTitleRect(QRect(10, 8, 60, 20));
    dialog.setDlgTitle(QStringLiteral("A very long window title that cannot fit"));
    const QImage shot = dialog.grab().toImage();
    int inside = 0, outside = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 200; ++x) {
            if (shot.pixelColor(x, y).lightness() < 60)
                continue;
            (QRect(10, 8, 60, 20).contains(x, y) ? inside : outside)++;
        }
    QVERIFY(inside > 20);
    QCOMPARE(outside, 0);
}

void TestWindow::centringKeepsDialogOnItsScreen()
{
    // On a screen at the desktop origin: a coordinate below 1 becomes 50.
    QJXMainWindow owner;
    owner.setGeometry(10, 10, 100, 100);
    owner.show();
    QDialog small;
    small.resize(40, 20);
    owner.CenterDlg(small);
    QCOMPARE(small.pos(), QPoint(10 + 30, 10 + 40));
    QDialog large;
    large.resize(300, 200);
    owner.CenterDlg(large);
    QCOMPARE(large.pos(), QPoint(50, 50));

    // A second screen right of the first: the fallback stays on that screen.
    const QRect second(1920, 0, 1280, 1024);
    QCOMPARE(QWindowPlacement::centredOn(QRect(1930, 10, 100, 100), QSize(300, 200), second),
             QPoint(1970, 50));
    // A screen left of the origin keeps its negative coordinates.
    const QRect left(-1280, 0, 1280, 1024);
    QCOMPARE(QWindowPlacement::centredOn(QRect(-1000, 300, 400, 300), QSize(200, 100), left),
             QPoint(-900, 400));
}

void TestWindow::systemResizeEdges()
{
    QCOMPARE(QBaseDrawWidget::edgesOfState(QBaseDrawWidget::CursorTopLeft), Qt::TopEdge | Qt::LeftEdge);
    QCOMPARE(QBaseDrawWidget::edgesOfState(QBaseDrawWidget::CursorBottomRight),
             Qt::BottomEdge | Qt::RightEdge);
    QCOMPARE(QBaseDrawWidget::edgesOfState(QBaseDrawWidget::CursorBottom), Qt::Edges(Qt::BottomEdge));
    QCOMPARE(QBaseDrawWidget::edgesOfState(QBaseDrawWidget::CursorNone), Qt::Edges());
    QCOMPARE(QBaseDrawWidget::edgesOfState(QBaseDrawWidget::CursorNoResize), Qt::Edges());
    // Offscreen is not such a window system.
    QVERIFY(!QWindowPlacement::systemMovesWindows());
}

void TestWindow::windowServices()
{
    QCOMPARE(JxMacosInterface::getWindowPos(nullptr), QPoint(0, 0));
    QJXMainWindow window;
    window.setWindowFlags(Qt::FramelessWindowHint);
    window.setGeometry(140, 70, 200, 100);
    QWidget child(&window);
    window.show();
    QCOMPARE(JxMacosInterface::getWindowPos(&child), window.frameGeometry().topLeft());
    QCOMPARE(JxMacosInterface::getWindowPos(&child), QPoint(140, 70));
    QCursor::setPos(QPoint(33, 44));
    QCOMPARE(JxMacosInterface::getGlobalPos(), QCursor::pos());
    JxMacosInterface::showMinimize(nullptr);
    JxMacosInterface::showMinimize(&child);
    QVERIFY(window.windowState() & Qt::WindowMinimized);
}

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
