#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Pixels near the accent orange of the record button's picture.
int accentPixels(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            count += qAbs(c.red() - 255) < 12 && qAbs(c.green() - 132) < 12 && qAbs(c.blue() - 65) < 12;
        }
    return count;
}

} // namespace

class TestInstall : public QObject
{
    Q_OBJECT
private slots:
    void installedProgramStartsWithItsPictures();
};

void TestInstall::installedProgramStartsWithItsPictures()
{
    QTemporaryDir prefix;
    QByteArray output;
    const int code = TestSupport::runProgram(VELMORA_CMAKE,
                                             {"--install", VELMORA_BUILD_TREE, "--prefix", prefix.path()},
                                             120000, &output);
    QVERIFY2(code == 0, output.constData());

    const QString program = prefix.filePath("bin/velmora-audio-recorder");
    const QString resources = prefix.filePath("share/velmora-audio-recorder/resources");
    const QString desktop = prefix.filePath("share/applications/velmora-audio-recorder.desktop");
    QVERIFY(QFileInfo(program).isExecutable());
    QVERIFY(QFile::exists(resources + "/image/btn_close.png"));
    QVERIFY(QFile::exists(resources + "/image/common/no_title_logo.png"));
    QVERIFY(!QImage(prefix.filePath("share/icons/hicolor/128x128/apps/velmora-audio-recorder.png")).isNull());
    QVERIFY(QFile::exists(desktop));
    QByteArray complaints;
    QCOMPARE(TestSupport::runProgram("desktop-file-validate", {desktop}, 30000, &complaints), 0);
    QVERIFY2(complaints.trimmed().isEmpty(), complaints.constData());

    // Started as a user starts it: no hint where the resources are.
    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("VELMORA_RESOURCES");
    run.setProcessEnvironment(env);
    run.setProcessChannelMode(QProcess::ForwardedChannels);
    run.start(program, QStringList());
    QVERIFY(run.waitForStarted(10000));
    QScreen *screen = QGuiApplication::primaryScreen();
    QImage shot;
    const bool drawn = QTest::qWaitFor([&] {
        shot = screen->grabWindow(0).toImage();
        return accentPixels(shot) > 1000;
    }, 20000);
    QVERIFY(shot.save(TestSupport::screenshotDir() + "/app_installed_program.png"));
    QVERIFY2(drawn, qPrintable(QString::number(accentPixels(shot))));
    // It loads its codec module from under the prefix, not the build tree.
    const auto mapsModule = [&run, &prefix] {
        QFile maps(QStringLiteral("/proc/%1/maps").arg(run.processId()));
        if (!maps.open(QIODevice::ReadOnly))
            return false;
        for (const QByteArray &line : maps.readAll().split('\n'))
            if (line.endsWith("/velmora-codec.so") && line.contains(QDir(prefix.path()).canonicalPath().toUtf8()))
                return true;
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(mapsModule(), 20000);
    QCOMPARE(run.state(), QProcess::Running);
    run.terminate();
    // The program's own watcher ends it by force 9.5 s after the signal at
    // the latest; a busy machine adds its teardown to that.
    QVERIFY(run.waitForFinished(30000));
}

QTEST_MAIN(TestInstall)
#include "tst_install.moc"
