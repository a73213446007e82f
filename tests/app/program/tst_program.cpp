// The program as a user starts it, on a virtual display with the private
// sound server: the main window shows (a screenshot of the screen is kept),
// the loop-back device is the default output while it runs, and SIGTERM
// ends it the way an exit does: normally, with the previous default output
// given back. FFmpeg comes into the process only after the recordings table
// is painted, and a codec module that is missing or broken is told to the
// user and the log.

#include "appfixture.h"
#include "testsupport.h"

#include "common/convertedinfo.h"
#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
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

// Whether the process has a library of that name mapped.
bool maps(qint64 pid, const QByteArray &library)
{
    QFile file(QStringLiteral("/proc/%1/maps").arg(pid));
    return file.open(QIODevice::ReadOnly) && file.readAll().contains(library);
}

// A history of one recording on disk whose format is not yet known: the
// kind of record the library fills in at start.
void writeOneRecordHistory(const QString &folder)
{
    const QString wav = folder + QStringLiteral("/tone.wav");
    QVERIFY(TestSupport::writeToneWav(wav, 440.0, 1.0));
    convertedInfo info;
    info.convertedPath = wav;
    info.time = QStringLiteral("00:00:01");
    info.size = QIAnyUtil::size2String(quint64(QFileInfo(wav).size()));
    info.createTime = QStringLiteral("01-01-2024 10:00");
    info.extend = QStringLiteral("wav");
    info.title = QStringLiteral("tone");
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(info));
}

// Waits for a message box beside the program's main window; its X window
// id, or none when no second window showed.
QString messageBoxOf(const QProcess &program)
{
    QByteArray windows;
    const bool shown = QTest::qWaitFor(
        [&] {
            windows.clear();
            return TestSupport::runProgram(QStringLiteral("xdotool"),
                                           {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                            QStringLiteral("--pid"), QString::number(program.processId())},
                                           10000, &windows)
                       == 0
                   && windows.trimmed().split('\n').size() >= 2;
        },
        30000);
    return shown ? QString::fromLatin1(windows.trimmed().split('\n').last()) : QString();
}

// The user takes the message box with Return.
bool answerWithReturn(const QString &box)
{
    return TestSupport::runProgram(QStringLiteral("xdotool"),
                                   {QStringLiteral("windowfocus"), QStringLiteral("--sync"), box,
                                    QStringLiteral("key"), QStringLiteral("Return")})
           == 0;
}

} // namespace

class TestProgram : public QObject
{
    Q_OBJECT
private slots:
    void showsItsWindowAndGivesTheOutputBackOnSigterm();
    void codecLibrariesComeAfterTheTableIsPainted();
    void missingOrBrokenCodecModuleIsToldAndEndsTheProgram();
    void damagedHistoryIsToldAtStart_data();
    void damagedHistoryIsToldAtStart();
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
    QVERIFY(TestSupport::serverDefaultWhen([&](const QByteArray &d) { return d != before; }, 10000) != before);
    QCOMPARE(program.state(), QProcess::Running);

    ::kill(pid_t(program.processId()), SIGTERM);
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(TestSupport::serverDefault(), before);
}

void TestProgram::codecLibrariesComeAfterTheTableIsPainted()
{
    if (QByteArray(VELMORA_CODEC_MODULE).isEmpty())
        QSKIP("this build links the codec layer into the program");
    QTemporaryDir files;
    QVERIFY(files.isValid());
    writeOneRecordHistory(files.path());
    if (QTest::currentTestFailed())
        return;

    // The dynamic loader names every library as it maps it, on the same
    // stream as the marker the program prints when the table's rows are
    // painted (it quits then).
    {
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VELMORA_STARTUP_MARK"), QStringLiteral("1"));
        env.insert(QStringLiteral("LD_DEBUG"), QStringLiteral("files"));
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(QStringLiteral(VELMORA_PROGRAM), QStringList());
        QVERIFY(program.waitForStarted(10000));
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitCode(), 0);
        const QByteArray out = program.readAll();
        const int painted = out.indexOf("velmora-startup: table painted");
        QVERIFY2(painted > 0, out.right(2000).constData());
        const QByteArray start = out.left(painted);
        QVERIFY2(start.contains("file=libQt5Widgets.so"), "the loader did not report what it maps");
        QVERIFY2(!start.contains("file=libavcodec.so"), "FFmpeg was loaded before the table was painted");
        QVERIFY2(!start.contains("file=libtag.so"), "TagLib was loaded before the table was painted");
    }

    // Left running, the program loads them on its own soon after.
    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QStringLiteral(VELMORA_PROGRAM), QStringList());
    QVERIFY(program.waitForStarted(10000));
    // One after the other: a busy machine may look between the two.
    QTRY_VERIFY_WITH_TIMEOUT(maps(program.processId(), "libavcodec.so") && maps(program.processId(), "libtag.so"),
                             30000);
    // The record's format, read from its file after the paint, is stored.
    QTRY_VERIFY_WITH_TIMEOUT(
        !QVideoSettingXml::GetConvertedInfo(files.path() + QStringLiteral("/tone.wav")).value_or(convertedInfo()).format.isEmpty(),
        20000);
    ::kill(pid_t(program.processId()), SIGTERM);
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
}

void TestProgram::missingOrBrokenCodecModuleIsToldAndEndsTheProgram()
{
    if (QByteArray(VELMORA_CODEC_MODULE).isEmpty())
        QSKIP("this build links the codec layer into the program");
    // The program alone in a folder of its own: the module it looks for
    // beside it is missing, then a file that is no library.
    QTemporaryDir tree;
    QVERIFY(tree.isValid());
    const QString built = QStringLiteral(VELMORA_PROGRAM);
    const QString module = QStringLiteral(VELMORA_CODEC_MODULE);
    const QString relative = QDir(QFileInfo(built).absolutePath()).relativeFilePath(module);
    QVERIFY(QDir().mkpath(tree.path() + QStringLiteral("/bin")));
    const QString program = tree.path() + QStringLiteral("/bin/") + QFileInfo(built).fileName();
    QVERIFY(QFile::copy(built, program));
    const QString expected = QFileInfo(tree.path() + QStringLiteral("/bin/") + relative).absoluteFilePath();
    const QString log = QIAnyUtil::getAppDataPath() + QStringLiteral("/log.txt");

    const QList<QPair<QByteArray, QByteArray>> cases = {
        {QByteArray(), "No such file or directory"},
        {QByteArray("not a library"), "file too short"},
    };
    for (const auto &[content, reason] : cases) {
        if (!content.isEmpty()) {
            QVERIFY(QDir().mkpath(QFileInfo(expected).absolutePath()));
            QFile file(expected);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        QFile::remove(log);
        QProcess run;
        run.setProcessChannelMode(QProcess::MergedChannels);
        run.start(program, QStringList());
        QVERIFY(run.waitForStarted(10000));
        QByteArray out;
        QTRY_VERIFY_WITH_TIMEOUT((out += run.readAll()).contains("codec module could not be loaded"), 30000);
        QTRY_VERIFY_WITH_TIMEOUT((out += run.readAll()).contains(reason), 5000);
        QVERIFY2(out.contains(expected.toUtf8()), out.constData());
        QFile logFile(log);
        QVERIFY(logFile.open(QIODevice::ReadOnly));
        const QByteArray logged = logFile.readAll();
        QVERIFY2(logged.contains(expected.toUtf8()) && logged.contains(reason), logged.constData());
        QCOMPARE(run.state(), QProcess::Running);

        // The message box waits for the user, who takes it with Return.
        const QString box = messageBoxOf(run);
        QVERIFY(!box.isEmpty());
        const QString shot = TestSupport::screenshotDir() + QStringLiteral("/app_program_codec_module_%1.png")
                                                                .arg(content.isEmpty() ? "missing" : "broken");
        QVERIFY(QGuiApplication::primaryScreen()->grabWindow(0).save(shot));
        QVERIFY(answerWithReturn(box));
        QVERIFY(run.waitForFinished(20000));
        QCOMPARE(run.exitStatus(), QProcess::NormalExit);
        QCOMPARE(run.exitCode(), 1);
    }
}

void TestProgram::damagedHistoryIsToldAtStart_data()
{
    QTest::addColumn<bool>("cutShort");
    // The program reads its history before its window is made: what the
    // read found is still told once the window shows.
    QTest::newRow("cut short in its second record") << true;
    QTest::newRow("nothing but blanks") << false;
}

void TestProgram::damagedHistoryIsToldAtStart()
{
    QFETCH(bool, cutShort);
    QTemporaryDir files;
    QVERIFY(files.isValid());
    const QString history = QVideoSettingXml::historyFilePath();
    const QString tone = files.path() + QStringLiteral("/tone.wav");
    QByteArray damaged = "   \n\n  ";
    if (cutShort) {
        writeOneRecordHistory(files.path());
        if (QTest::currentTestFailed())
            return;
        QVERIFY(QVideoSettingXml::waitForHistory());
        damaged = TestSupport::readBytes(history);
        const int end = damaged.lastIndexOf("</ROOTITEM>");
        QVERIFY(end > 0);
        damaged = damaged.left(end) + "    <Path_item Converted_path_=\"/music/cut";
    }
    QVERIFY(TestSupport::writeBytes(history, damaged));
    const QString bad = history + QStringLiteral(".bad");
    QFile::remove(bad);
    const QString log = QIAnyUtil::getAppDataPath() + QStringLiteral("/log.txt");
    QFile::remove(log);

    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QStringLiteral(VELMORA_PROGRAM), QStringList());
    QVERIFY(program.waitForStarted(10000));
    // A message box beside the main window waits for the user.
    const QString box = messageBoxOf(program);
    QVERIFY(!box.isEmpty());
    QVERIFY(QGuiApplication::primaryScreen()->grabWindow(0).save(
        TestSupport::screenshotDir()
        + QStringLiteral("/app_program_damaged_history_%1.png").arg(cutShort ? "cut" : "blank")));
    // The damaged file is kept for the user, and the log says so.
    QCOMPARE(TestSupport::readBytes(bad), damaged);
    QFile logFile(log);
    QVERIFY(logFile.open(QIODevice::ReadOnly));
    const QByteArray logged = logFile.readAll();
    QVERIFY2(logged.contains("does not parse or is refused") && logged.contains(bad.toUtf8()),
             logged.constData());
    // The record that could be read is the history again.
    if (cutShort)
        QTRY_VERIFY_WITH_TIMEOUT(TestSupport::readBytes(history).contains(tone.toUtf8())
                                     && TestSupport::readBytes(history).contains("</ROOTITEM>"),
                                 10000);
    QVERIFY(answerWithReturn(box));
    ::kill(pid_t(program.processId()), SIGTERM);
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QFile::remove(bad);
}

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
