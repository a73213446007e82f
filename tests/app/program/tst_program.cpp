// The program as a user starts it, on a virtual display with the private
// sound server: the main window shows (a screenshot of the screen is kept),
// the loop-back device is the default output while it runs, and SIGTERM
// ends it the way an exit does: normally, with the previous default output
// given back.

#include "appfixture.h"
#include "testsupport.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QtTest>

#include <signal.h>

namespace {

// Pixels of the screen that are not the empty black of the virtual display.
int drawnPixels(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            count += (image.pixel(x, y) & 0xffffff) != 0 ? 1 : 0;
    return count * 4;
}

} // namespace

class TestProgram : public QObject
{
    Q_OBJECT
private slots:
    void showsItsWindowAndGivesTheOutputBackOnSigterm();
};

void TestProgram::showsItsWindowAndGivesTheOutputBackOnSigterm()
{
    const QByteArray before = TestSupport::serverDefault();
    QCOMPARE(before, QByteArray("system_sound"));

    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QStringLiteral(VELMORA_PROGRAM), {QStringLiteral("--ignored-argument")});
    QVERIFY(program.waitForStarted(10000));

    QScreen *screen = QGuiApplication::primaryScreen();
    QImage shot;
    // The main window is about 840 x 500 pixels.
    const bool shown = QTest::qWaitFor([&] {
        shot = screen->grabWindow(0).toImage();
        return drawnPixels(shot) > 300000;
    }, 20000);
    QVERIFY(shot.save(TestSupport::screenshotDir() + QStringLiteral("/app_program_screen.png")));
    QVERIFY2(shown, qPrintable(QString::number(drawnPixels(shot))));
    QTRY_VERIFY_WITH_TIMEOUT(TestSupport::serverDefault() != before, 10000);
    QCOMPARE(program.state(), QProcess::Running);

    ::kill(pid_t(program.processId()), SIGTERM);
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(TestSupport::serverDefault(), before);
}

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
