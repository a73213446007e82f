// The keep-above state of shown windows on a virtual X display with openbox,
// started before any window exists, as a session's window manager is: the
// window manager is asked through _NET_WM_STATE messages and its answer is
// read back from the window; hiding drops the state and showing brings it back.
#include "common/jxcommoninterface.h"
#include "x11probe.h"

#include <QProcess>
#include <QtTest>

using namespace X11Probe;

class DesktopWmTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void topHintIsAskedOfTheWindowManagerOnceShown();

private:
    QProcess m_windowManager;
};

void DesktopWmTest::initTestCase()
{
    QVERIFY2(QX11Info::isPlatformX11(), "needs the virtual X display");
    m_windowManager.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
    QVERIFY2(m_windowManager.waitForStarted(), "openbox is not installed");
    QTRY_VERIFY_WITH_TIMEOUT(windowManagerRuns(), 10000);
}

void DesktopWmTest::cleanupTestCase()
{
    m_windowManager.terminate();
    QVERIFY(m_windowManager.waitForFinished(5000));
}

void DesktopWmTest::topHintIsAskedOfTheWindowManagerOnceShown()
{
    Panel window(QRect(200, 200, 120, 90), Qt::magenta);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY(!windowProperty(static_cast<xcb_window_t>(window.winId()), "WM_STATE", atom("WM_STATE")).isEmpty());
    QVERIFY(!keptAbove(window));

    JxCommonInterface::setWindowTopHint(window, true);
    QTRY_VERIFY(keptAbove(window));
    JxCommonInterface::setWindowTopHint(window, false);
    QTRY_VERIFY(!keptAbove(window));

    // The window manager drops the state of a withdrawn window; shown again,
    // the window asks for it again.
    JxCommonInterface::setWindowTopHint(window, true);
    QTRY_VERIFY(keptAbove(window));
    window.hide();
    QTRY_VERIFY(!keptAbove(window));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY(keptAbove(window));

    // The overlay is kept above by the window manager as well.
    Panel overlay(QRect(400, 200, 60, 60), Qt::yellow);
    JxCommonInterface::setWindowsIgnoresMouse(&overlay);
    QVERIFY(QTest::qWaitForWindowExposed(&overlay));
    QTRY_VERIFY(keptAbove(overlay));
}


QTEST_MAIN(DesktopWmTest)
#include "tst_desktopwm.moc"
