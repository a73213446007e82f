// A dialog's shadow band on a real X server: with no compositing manager the
// screen shows it opaque in the dialog's own colour, not as a black band;
// once a compositing manager holds its selection the band is see-through
// again, and back to opaque when it goes.

#include "widgetkit/qjxdialogex.h"
#include "widgetkit/qveanyutiliy.h"
#include "widgetkit/qwindowcompositing.h"

#include "testsupport.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QX11Info>
#include <QtTest>

#include <xcb/xcb.h>

namespace {

class Dialog : public QJXDialogEx
{
public:
    Dialog()
    {
        setBackgroundImage(QVeAnyUtiliy::getResourcePath() + QStringLiteral("/image/common/bg_1.png"), true);
        setAttribute(Qt::WA_TranslucentBackground);
        setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
        setGridViewInfo({50, 50}, {50, 50}, {50, 50}, {50, 50});
        setFixedSize(300, 180);
    }
};

// Owns the compositing manager's selection of screen 0, as a compositor does.
class FakeCompositor
{
public:
    FakeCompositor()
    {
        xcb_connection_t *c = QX11Info::connection();
        const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(QX11Info::appScreen());
        xcb_intern_atom_reply_t *atom =
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, name.size(), name.constData()), nullptr);
        m_atom = atom ? atom->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(atom);
        m_window = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, m_window, QX11Info::appRootWindow(), 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_set_selection_owner(c, m_window, m_atom, XCB_CURRENT_TIME);
        xcb_flush(c);
    }
    ~FakeCompositor()
    {
        xcb_connection_t *c = QX11Info::connection();
        xcb_destroy_window(c, m_window);
        xcb_flush(c);
    }
    bool valid() const { return m_atom != XCB_ATOM_NONE; }

private:
    xcb_atom_t m_atom = XCB_ATOM_NONE;
    xcb_window_t m_window = 0;
};

// What the X screen shows where the dialog is.
QImage onScreen(const QWidget &w)
{
    const QRect g = w.frameGeometry();
    return w.screen()->grabWindow(0, g.x(), g.y(), g.width(), g.height()).toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// Pixels of the outer 3 px ring darker than the dialog's page by a margin.
int darkRing(const QImage &shot)
{
    const int page = shot.pixelColor(shot.width() / 2, shot.height() / 2).lightness();
    int dark = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            if (x >= 3 && x < shot.width() - 3 && y >= 3 && y < shot.height() - 3)
                continue;
            if (shot.pixelColor(x, y).lightness() < page - 20)
                ++dark;
        }
    return dark;
}

} // namespace

class TestMarginsX11 : public QObject
{
    Q_OBJECT
private slots:
    void withoutCompositorTheBandIsOpaque();
    void aCompositorMakesItSeeThrough();
};

void TestMarginsX11::withoutCompositorTheBandIsOpaque()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    QVERIFY(!QWindowCompositing::isRunning());
    Dialog dialog;
    dialog.move(100, 100);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(dialog.drawsOpaque());
    QImage shot;
    QTRY_VERIFY((shot = onScreen(dialog)).pixelColor(150, 90).lightness() > 20 && darkRing(shot) == 0);
    QVERIFY(shot.save(QDir(TestSupport::screenshotDir()).filePath(QStringLiteral("widgetkit_dialog_margins_x11.png"))));
}

void TestMarginsX11::aCompositorMakesItSeeThrough()
{
    {
        FakeCompositor compositor;
        QVERIFY(compositor.valid());
        QTRY_VERIFY(QWindowCompositing::isRunning());
        Dialog dialog;
        QVERIFY(!dialog.drawsOpaque());
        const QImage drawn = dialog.grab().toImage();
        QVERIFY(qAlpha(drawn.pixel(0, 0)) < 40);
    }
    QTRY_VERIFY(!QWindowCompositing::isRunning());
    Dialog dialog;
    QVERIFY(dialog.drawsOpaque());
}

QTEST_MAIN(TestMarginsX11)
#include "tst_margins_x11.moc"
