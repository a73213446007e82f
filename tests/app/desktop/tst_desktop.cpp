// The pointer, screen and window services on a virtual X display, judged by
// what the X server says: xdotool moves the pointer and presses its buttons,
// the cursor image is the one a window set, the screen image shows a window's
// colour, the keep-above state is read back from _NET_WM_STATE (written by us
// before mapping; tst_desktopwm.cpp has the window manager's part), and a
// click on the overlay reaches the window below. The automatic-update switch is read from the preferences
// file on disk.
#include "common/jxcommoninterface.h"
#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"
#include "testsupport.h"
#include "x11probe.h"

#include <QApplication>
#include <QBitmap>
#include <QDomDocument>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QWidget>
#include <QX11Info>
#include <QtTest>

#include <xcb/xcb.h>

#include <cstdlib>

using namespace X11Probe;

namespace {

bool xdotool(const QStringList &args)
{
    return QProcess::execute(QStringLiteral("xdotool"), args) == 0;
}

QString preferencesOnDisk(const QString &group, const QString &key)
{
    QFile file(QIAnyUtil::getAppDataPath() + QStringLiteral("/AudioDefaultSetting.xml"));
    QDomDocument doc;
    if (!file.open(QIODevice::ReadOnly) || !doc.setContent(&file))
        return QStringLiteral("<unreadable>");
    const QDomElement element = doc.documentElement().firstChildElement(group);
    return element.hasAttribute(key) ? element.attribute(key) : QStringLiteral("<missing>");
}

} // namespace

class DesktopTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void autoUpdateSwitchIsThePreferencesChoice();
    void pointerPositionAndLeftButtonComeFromTheServer();
    void cursorImageIsWhatTheWindowUnderThePointerSet();
    void screenImageShowsTheWindowsOnIt();
    void topHintIsWrittenOnAnUnmappedWindow();
    void clicksPassThroughTheOverlay();
};

void DesktopTest::initTestCase()
{
    QVERIFY2(QX11Info::isPlatformX11(), "needs the virtual X display");
    QVERIFY(!windowManagerRuns());
}

void DesktopTest::autoUpdateSwitchIsThePreferencesChoice()
{
    QVERIFY(!JxCommonInterface::autoCheckUpdate());
    JxCommonInterface::setAutoCheckUpdate(true);
    QCOMPARE(preferencesOnDisk("UPDATES_ITEM", "bIsAutoUpdate"), QString("Y"));
    QVERIFY(JxCommonInterface::autoCheckUpdate());
    // What the General page stores is what the switch reads.
    QVERIFY(QVideoSettingXml::SetItemValue("UPDATES_ITEM", "bIsAutoUpdate", "N"));
    QVERIFY(!JxCommonInterface::autoCheckUpdate());
    JxCommonInterface::setAutoCheckUpdate(true);
    JxCommonInterface::setAutoCheckUpdate(false);
    QCOMPARE(preferencesOnDisk("UPDATES_ITEM", "bIsAutoUpdate"), QString("N"));
    QVERIFY(!JxCommonInterface::autoCheckUpdate());
}

void DesktopTest::pointerPositionAndLeftButtonComeFromTheServer()
{
    QVERIFY(xdotool({"mousemove", "123", "456"}));
    QTRY_COMPARE(JxCommonInterface::getMousePoint(), QPoint(123, 456));
    QVERIFY(xdotool({"mousemove", "1000", "7"}));
    QTRY_COMPARE(JxCommonInterface::getMousePoint(), QPoint(1000, 7));

    QVERIFY(!JxCommonInterface::mouseIsPressed());
    QVERIFY(xdotool({"mousedown", "1"}));
    QTRY_VERIFY(JxCommonInterface::mouseIsPressed());
    QVERIFY(xdotool({"mouseup", "1"}));
    QTRY_VERIFY(!JxCommonInterface::mouseIsPressed());
    // The right button is not the left one.
    // xdotool has ended, so the server has taken its press.
    QVERIFY(xdotool({"mousedown", "3"}));
    QVERIFY(!JxCommonInterface::mouseIsPressed());
    QVERIFY(xdotool({"mouseup", "3"}));
}

void DesktopTest::cursorImageIsWhatTheWindowUnderThePointerSet()
{
    // A red square in the top left of an otherwise clear cursor.
    QPixmap shape(32, 32);
    shape.fill(Qt::transparent);
    {
        QPainter painter(&shape);
        painter.fillRect(0, 0, 16, 16, Qt::red);
    }
    Panel window(QRect(300, 300, 200, 200), Qt::white);
    window.setCursor(QCursor(shape, 5, 7));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(xdotool({"mousemove", "400", "400"}));

    QPoint hotSpot;
    QImage cursor;
    QTRY_VERIFY((cursor = JxCommonInterface::getMacCursor(hotSpot), hotSpot == QPoint(5, 7)));
    QVERIFY(cursor.width() >= 100 && cursor.height() >= 100);
    QCOMPARE(cursor.pixelColor(3, 3), QColor(Qt::red));
    QCOMPARE(cursor.pixelColor(15, 15), QColor(Qt::red));
    QCOMPARE(cursor.pixelColor(20, 20).alpha(), 0);
    QCOMPARE(cursor.pixelColor(99, 99).alpha(), 0);

    // Off the window the server's own cursor shows again.
    QVERIFY(xdotool({"mousemove", "50", "50"}));
    QTRY_VERIFY((cursor = JxCommonInterface::getMacCursor(hotSpot), cursor.pixelColor(15, 15) != QColor(Qt::red)));
}

void DesktopTest::screenImageShowsTheWindowsOnIt()
{
    const QColor green(10, 200, 30);
    Panel window(QRect(100, 120, 150, 100), green);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QImage screen;
    QTRY_VERIFY((screen = JxCommonInterface::NSScreenImage(), screen.pixelColor(175, 170) == green));
    QVERIFY(!TestSupport::saveScreenshot(&window, "desktop-panel").isEmpty());
    QCOMPARE(screen.size(), QSize(1280, 1024));
    QCOMPARE(screen.pixelColor(100, 120), green);
    QCOMPARE(screen.pixelColor(249, 219), green);
    QVERIFY(screen.pixelColor(99, 119) != green);
    QVERIFY(screen.pixelColor(250, 220) != green);
}

void DesktopTest::topHintIsWrittenOnAnUnmappedWindow()
{
    // Before a window is mapped its client states the hint itself.
    Panel window(QRect(600, 100, 100, 100), Qt::blue);
    window.winId();
    QVERIFY(!keptAbove(window));
    JxCommonInterface::setWindowTopHint(window, true);
    QVERIFY(keptAbove(window));
    QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    JxCommonInterface::setWindowTopHint(window, false);
    QVERIFY(!keptAbove(window));
    QVERIFY(!window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    // A child names its window; the hint stays when the window is shown.
    QWidget child(&window);
    JxCommonInterface::setWindowTopHint(child, true);
    QVERIFY(keptAbove(window));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(keptAbove(window));
}

void DesktopTest::clicksPassThroughTheOverlay()
{
    Panel below(QRect(500, 500, 200, 200), Qt::darkGreen);
    below.show();
    QVERIFY(QTest::qWaitForWindowExposed(&below));
    Panel overlay(QRect(520, 520, 100, 100), Qt::yellow);
    overlay.show();
    QVERIFY(QTest::qWaitForWindowExposed(&overlay));

    // Plain, the overlay takes the click.
    QVERIFY(xdotool({"mousemove", "570", "570", "click", "1"}));
    QTRY_COMPARE(overlay.presses, 1);
    QCOMPARE(below.presses, 0);

    JxCommonInterface::setWindowsIgnoresMouse(&overlay);
    QVERIFY(overlay.isVisible());
    QVERIFY(xdotool({"mousemove", "571", "571", "click", "1"}));
    QTRY_COMPARE(below.presses, 1);
    QCOMPARE(overlay.presses, 1);
    // Half opacity, as the window manager reads it.
    const QVector<quint32> opacity =
        windowProperty(static_cast<xcb_window_t>(overlay.winId()), "_NET_WM_WINDOW_OPACITY", XCB_ATOM_CARDINAL);
    QCOMPARE(opacity.size(), 1);
    QVERIFY(qAbs(qint64(opacity.first()) - qint64(0x7fffffff)) <= 1);
    QVERIFY(!TestSupport::saveScreenshot(&overlay, "desktop-overlay").isEmpty());

    // One not shown yet is shown, above the others, and lets clicks through too.
    Panel late(QRect(640, 640, 40, 40), Qt::cyan);
    JxCommonInterface::setWindowsIgnoresMouse(&late);
    QVERIFY(QTest::qWaitForWindowExposed(&late));
    QVERIFY(keptAbove(late));
    QVERIFY(xdotool({"mousemove", "660", "660", "click", "1"}));
    QTRY_COMPARE(below.presses, 2);
    QCOMPARE(late.presses, 0);

    JxCommonInterface::setWindowsIgnoresMouse(nullptr);   // nothing happens
}

QTEST_MAIN(DesktopTest)
#include "tst_desktop.moc"
