// The log file: every warning of every library reaches log.txt with its time
// and category, including those of a capture thread and the codec layer's own
// lines, while the handler before it still gets each line (standard error);
// the file is rotated at its size limit, whole lines only, also when several
// threads or two running copies write at once, and a file found past the
// limit keeps its newest lines within it; a line never waits for another copy
// that holds the lock; a FIFO or a link at its path is replaced by a new
// file, and a file that cannot be written is said once; lines logged on the
// way out after the display is lost reach the file.
#include "app/applog.h"
#include "app/qdisplaywatch.h"
#include "app/qlogfile.h"
#include "common/qvideosettingxml.h"
#include "common/statefilelock.h"
#include "recorder/qrecordaudioobject.h"
#include "recorder/qrecordareainfo.h"
#include "rzcodec/recorder.h"
#include "rzcodec/setup.h"
#include "owndisplay.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <QApplication>
#include <QProcess>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What the handler before the log file saw, and from which threads.
struct Seen
{
    QMutex mutex;
    QStringList lines;
    int fromOtherThreads = 0;
    QThread *mainThread = nullptr;
};
Seen s_seen;

void keepLine(QtMsgType, const QMessageLogContext &context, const QString &text)
{
    QMutexLocker lock(&s_seen.mutex);
    s_seen.lines << QStringLiteral("%1: %2").arg(QString::fromLatin1(context.category), text);
    if (QThread::currentThread() != s_seen.mainThread)
        ++s_seen.fromOtherThreads;
}

QStringList fileLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(file.readAll());
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// "2026-12-07T22:15:01.123 warning velmora.common: text" (the time may carry
// its offset from UTC).
const QRegularExpression kLine(QStringLiteral(
    R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}\S* (info|warning|critical) ([\w.]+): (.*)$)"));

int countMatching(const QStringList &lines, const QString &category, const QString &part)
{
    int n = 0;
    for (const QString &line : lines) {
        const QRegularExpressionMatch m = kLine.match(line);
        if (m.hasMatch() && m.captured(2) == category && m.captured(3).contains(part))
            ++n;
    }
    return n;
}

void silent(QtMsgType, const QMessageLogContext &, const QString &) { }

// A running copy of the program, as the parent's cases need it: it logs what
// it is told on its standard input ("bulk <n>" lines, "say <text>") on its
// GUI thread and answers each once done, "timed <text>" answering how long
// the line took ("took <microseconds>"); "quit" ends it.
int runAsACopy(const QString &path, qint64 limit, const QByteArray &name)
{
    qInstallMessageHandler(silent);
    QLogFile::install(path, limit);
    std::puts("ready");
    std::fflush(stdout);
    for (std::string command; std::getline(std::cin, command) && command != "quit";) {
        const QByteArray line = QByteArray::fromStdString(command);
        if (line.startsWith("bulk ")) {
            for (int i = 0; i < line.mid(5).toInt(); ++i)
                qCWarning(lcApp, "%s line %04d %s", name.constData(), i, "--------------------------------");
        } else if (line.startsWith("timed ")) {
            QElapsedTimer clock;
            clock.start();
            qCWarning(lcApp, "%s", line.mid(6).constData());
            std::printf("took %lld\n", clock.nsecsElapsed() / 1000);
            std::fflush(stdout);
            continue;
        } else {
            qCWarning(lcApp, "%s", line.mid(4).constData());
        }
        std::puts("done");
        std::fflush(stdout);
    }
    QLogFile::uninstall();
    return 0;
}

// This test program run as such a copy.
class Copy
{
public:
    Copy(const QString &path, qint64 limit, const QString &name)
    {
        m_process.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("--copy"), path, QString::number(limit), name});
    }
    qint64 pid() const { return m_process.processId(); }
    bool tell(const QByteArray &what)
    {
        m_process.write(what + '\n');
        return m_process.waitForBytesWritten();
    }
    // It has answered so many times in all.
    bool answered(const QByteArray &what, int times = 1)
    {
        m_heard += m_process.readAllStandardOutput();
        return m_heard.count(what + '\n') >= times;
    }
    // Waits until it has answered so many times in all.
    bool waitForAnswers(const QByteArray &what, int times)
    {
        while (!answered(what, times)) {
            if (!m_process.waitForReadyRead(30000))
                return false;
        }
        return true;
    }
    // The microseconds the last "timed" line took, once it answered; -1 before.
    qint64 took()
    {
        m_heard += m_process.readAllStandardOutput();
        const int at = m_heard.lastIndexOf("took ");
        const int end = m_heard.indexOf('\n', at);
        return at < 0 || end < 0 ? -1 : m_heard.mid(at + 5, end - at - 5).toLongLong();
    }
    bool quit()
    {
        return tell("quit") && m_process.waitForFinished(60000)
               && m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    }
    QByteArray standardError() { return m_process.readAllStandardError(); }

private:
    QProcess m_process;
    QByteArray m_heard;
};

} // namespace

class LogFileTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        s_seen.mainThread = QThread::currentThread();
        qInstallMessageHandler(keepLine);
    }
    void cleanup() { QLogFile::uninstall(); }

    void warningsOfEveryLibraryReachTheFile()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        // The folder is made when missing, as at a first start.
        const QString path = dir.filePath(QStringLiteral("data/log.txt"));
        QLogFile::install(path);
        QCOMPARE(QLogFile::path(), path);
        rz_setup_log_sink(forwardCodecLine);

        // The settings store: a preferences file that does not parse.
        QFile prefs(QVideoSettingXml::preferencesFilePath());
        QVERIFY(prefs.open(QIODevice::WriteOnly | QIODevice::Truncate));
        prefs.write("<Root><unclosed>");
        prefs.close();
        QVideoSettingXml::GetItemValue("CLOSE_ITEM", "bIsCloseDlg", "N", "");

        // The codec layer: a recording into a folder that does not exist.
        void *recorder = rz_recorder_create(-1);
        const QByteArray missing = dir.filePath(QStringLiteral("no-such-folder/a.wav")).toUtf8();
        QCOMPARE(rz_recorder_open(recorder, missing.constData(), "wav", nullptr), RZ_FAILED);
        rz_recorder_release(recorder);

        // A capture thread: no sound server runs for this test, so the
        // microphone's thread cannot open its source.
        QRecordAreaInfo::getAreaInfo()->setAudioRecordValid(2, true);
        {
            QRecordAudioObject mic(QRecordAudioObject::MicrophoneTrack);
            QVERIFY(!mic.setStart());
            mic.setStop();
        }

        const QStringList lines = fileLines(path);
        for (const QString &line : lines)
            QVERIFY2(kLine.match(line).hasMatch(), qPrintable(line));
        QCOMPARE(countMatching(lines, QStringLiteral("velmora.common"), QStringLiteral("does not parse")), 1);
        QVERIFY(countMatching(lines, QStringLiteral("velmora.codec"), QString::fromUtf8(missing)) >= 1);
        QVERIFY2(countMatching(lines, QStringLiteral("velmora.recorder"), QStringLiteral("capture track")) >= 1,
                 qPrintable(lines.join('\n')));
        {
            QMutexLocker lock(&s_seen.mutex);
            QVERIFY(s_seen.fromOtherThreads > 0);
            // Standard error (the handler before) got the same lines.
            QVERIFY(s_seen.lines.filter(QStringLiteral("velmora.common: ")).filter("does not parse").size() == 1);
            QVERIFY(!s_seen.lines.filter(QStringLiteral("velmora.codec: ")).isEmpty());
        }

        // Debug lines switched on still stay out of the file; after the
        // handler goes, nothing more is written.
        QLoggingCategory::setFilterRules(QStringLiteral("velmora.app.debug=true"));
        qCDebug(lcApp) << "a debug line";
        QLoggingCategory::setFilterRules(QString());
        QLogFile::uninstall();
        rz_setup_log_sink(nullptr);
        qCWarning(lcApp) << "after the log file";
        const QStringList after = fileLines(path);
        QCOMPARE(after.size(), lines.size());
        QVERIFY(QLogFile::path().isEmpty());
    }

    void rotationKeepsTheFileBounded()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("log.txt"));
        const qint64 limit = 8192;
        QLogFile::install(path, limit);
        // Four threads at once, 300 lines each of about 80 bytes: several rotations.
        const int perThread = 300;
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([t] {
                for (int i = 0; i < perThread; ++i)
                    qCWarning(lcApp, "writer %d line %04d %s", t, i, "--------------------------------");
            });
        }
        for (std::thread &t : threads)
            t.join();
        qCWarning(lcApp) << "the last line";

        const QString old = QLogFile::previousPath(path);
        QCOMPARE(old, path + QStringLiteral(".1"));
        QVERIFY(QFileInfo(path).size() <= limit);
        QVERIFY(QFileInfo(old).size() <= limit);
        QVERIFY(QFileInfo(old).size() > limit / 2);
        QVERIFY(!QFileInfo::exists(path + QStringLiteral(".2")));
        const QStringList current = fileLines(path);
        const QStringList previous = fileLines(old);
        // Whole lines only, no two run together.
        for (const QString &line : current + previous) {
            const QRegularExpressionMatch m = kLine.match(line);
            QVERIFY2(m.hasMatch() && m.captured(2) == QStringLiteral("velmora.app"), qPrintable(line));
            QVERIFY2(m.captured(3) == QStringLiteral("the last line")
                         || QRegularExpression(QStringLiteral("^writer \\d line \\d{4} -{32}$")).match(m.captured(3)).hasMatch(),
                     qPrintable(line));
        }
        QVERIFY(current.last().endsWith(QStringLiteral("the last line")));

        // A file found at start-up already past the limit (three times it)
        // is rotated first, and the copy kept holds its newest whole lines
        // within the limit.
        QLogFile::uninstall();
        QByteArray big;
        for (int n = 0; big.size() < 3 * limit; ++n)
            big += QStringLiteral("old line %1 ------------------------------\n")
                       .arg(n, 5, 10, QLatin1Char('0'))
                       .toUtf8();
        QVERIFY(TestSupport::writeBytes(path, big));
        QLogFile::install(path, limit);
        qCWarning(lcApp) << "fresh";
        const QByteArray kept = TestSupport::readBytes(old);
        QVERIFY2(kept.size() <= limit && kept.size() > limit - 100, qPrintable(QString::number(kept.size())));
        QVERIFY(big.endsWith(kept));
        QVERIFY(kept.startsWith("old line "));
        QCOMPARE(fileLines(path).size(), 1);
    }

    void whatIsNoRegularFileIsReplaced_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("said");
        QTest::newRow("FIFO, nobody reading") << "fifo" << QByteArray("was a FIFO");
        QTest::newRow("FIFO, read by someone") << "read fifo" << QByteArray("was a FIFO");
        QTest::newRow("link to a file") << "link" << QByteArray("was a symbolic link");
        QTest::newRow("link to nothing") << "dangling link" << QByteArray("was a symbolic link");
    }
    void whatIsNoRegularFileIsReplaced()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, said);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("log.txt"));
        const QString target = dir.filePath(QStringLiteral("elsewhere.txt"));
        const QByteArray name = QFile::encodeName(path);
        int reader = -1;
        if (kind.contains(QLatin1String("fifo"))) {
            QCOMPARE(::mkfifo(name.constData(), 0600), 0);
            if (kind == QLatin1String("read fifo"))
                QVERIFY((reader = ::open(name.constData(), O_RDONLY | O_NONBLOCK)) >= 0);
        } else {
            if (kind == QLatin1String("link"))
                QVERIFY(TestSupport::writeBytes(target, "kept\n"));
            QVERIFY(QFile::link(target, path));
        }
        Copy copy(path, QLogFile::kDefaultLimit, QStringLiteral("one"));
        // Not held up by a pipe.
        QTRY_VERIFY_WITH_TIMEOUT(copy.answered("ready"), 20000);
        QVERIFY(copy.tell("say into a file of its own"));
        QTRY_VERIFY(copy.answered("done"));
        QVERIFY(copy.quit());
        if (reader >= 0)
            ::close(reader);
        const QByteArray told = copy.standardError();
        QVERIFY2(told.contains("log: " + name + ' ' + said + "; a new log file replaces it"), told.constData());
        QVERIFY(QFileInfo(path).isFile() && !QFileInfo(path).isSymLink());
        const QStringList lines = fileLines(path);
        QCOMPARE(lines.size(), 1);
        QVERIFY(lines.first().endsWith(QStringLiteral(": into a file of its own")));
        // What a link pointed to is left as it was.
        if (kind == QLatin1String("link"))
            QCOMPARE(TestSupport::readBytes(target), QByteArray("kept\n"));
        else
            QVERIFY(!QFileInfo::exists(target));
    }

    void twoCopiesRotateWithinTheLimit()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("log.txt"));
        const qint64 limit = 4096;
        Copy one(path, limit, QStringLiteral("one"));
        Copy two(path, limit, QStringLiteral("two"));
        QTRY_VERIFY_WITH_TIMEOUT(one.answered("ready") && two.answered("ready"), 60000);
        // Both write their lines at once, rotating many times; then each its last line.
        QVERIFY(one.tell("bulk 400") && two.tell("bulk 400"));
        QTRY_VERIFY_WITH_TIMEOUT(one.answered("done") && two.answered("done"), 60000);
        QVERIFY(one.tell("say one's last line") && two.tell("say two's last line"));
        QTRY_VERIFY_WITH_TIMEOUT(one.answered("done", 2) && two.answered("done", 2), 60000);
        QVERIFY(one.quit() && two.quit());
        const QString old = QLogFile::previousPath(path);
        QVERIFY2(QFileInfo(path).size() <= limit, qPrintable(QString::number(QFileInfo(path).size())));
        QVERIFY2(QFileInfo(old).size() <= limit, qPrintable(QString::number(QFileInfo(old).size())));
        const QStringList lines = fileLines(old) + fileLines(path);
        for (const QString &line : lines)
            QVERIFY2(kLine.match(line).hasMatch(), qPrintable(line));
        QCOMPARE(countMatching(lines, QStringLiteral("velmora.app"), QStringLiteral("one's last line")), 1);
        QCOMPARE(countMatching(lines, QStringLiteral("velmora.app"), QStringLiteral("two's last line")), 1);
    }

    void aLineNeverWaitsForTheLockAndFollowsARotation_data()
    {
        QTest::addColumn<bool>("rotates");
        QTest::newRow("a line that fits") << false;
        QTest::newRow("a line that would rotate the file") << true;
    }
    void aLineNeverWaitsForTheLockAndFollowsARotation()
    {
        QFETCH(bool, rotates);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("log.txt"));
        const QString old = QLogFile::previousPath(path);
        const qint64 limit = 4096;
        QByteArray before;
        // Just within the limit: the next line would pass it.
        while (rotates && before.size() < limit - 60)
            before += "an earlier line -----------------------------------\n";
        QVERIFY(TestSupport::writeBytes(path, before));
        Copy copy(path, limit, QStringLiteral("one"));
        QTRY_VERIFY_WITH_TIMEOUT(copy.answered("ready"), 60000);
        {
            // Another copy holds the lock (for as long as this block runs,
            // whole seconds on a busy machine): a line logged meanwhile on
            // the copy's GUI thread returns at once and is in the file.
            StateFileLock other(path);
            QVERIFY(other.lock());
            QElapsedTimer held;
            held.start();
            QVERIFY(copy.tell("timed while another copy holds the lock"));
            qint64 took = -1;
            QTRY_VERIFY_WITH_TIMEOUT((took = copy.took()) >= 0, 60000);
            QVERIFY2(took < 500000 && took < held.nsecsElapsed() / 1000, qPrintable(QString::number(took)));
            QCOMPARE(countMatching(fileLines(path), QStringLiteral("velmora.app"),
                                   QStringLiteral("while another copy holds the lock")),
                     1);
            if (!rotates) {
                // The other copy rotates the file meanwhile: the copy goes on in the new one.
                QCOMPARE(::rename(QFile::encodeName(path).constData(), QFile::encodeName(old).constData()), 0);
                QVERIFY(TestSupport::writeBytes(path, "the other copy's line\n"));
            }
        }
        QVERIFY(copy.tell("say after"));
        QTRY_VERIFY_WITH_TIMEOUT(copy.answered("done"), 60000);
        if (rotates) {
            // Once the lock is free the copy rotates at its next try (a
            // second after the one that failed): each file within the
            // limit, the one kept holding the newest lines.
            int said = 1;
            const auto rotated = [&] {
                if (QFileInfo::exists(old))
                    return true;
                // One more line, which rotates the file once the copy tries the lock again.
                return copy.tell("say later") && copy.waitForAnswers("done", ++said) && QFileInfo::exists(old);
            };
            QTRY_VERIFY_WITH_TIMEOUT(rotated(), 30000);
            QVERIFY2(QFileInfo(path).size() <= limit && QFileInfo(old).size() <= limit,
                     qPrintable(QStringLiteral("%1 %2").arg(QFileInfo(path).size()).arg(QFileInfo(old).size())));
            const QStringList lines = fileLines(old) + fileLines(path);
            QCOMPARE(countMatching(lines, QStringLiteral("velmora.app"),
                                   QStringLiteral("while another copy holds the lock")),
                     1);
            QCOMPARE(countMatching(lines, QStringLiteral("velmora.app"), QStringLiteral("after")), 1);
            QVERIFY(fileLines(old).first().startsWith(QStringLiteral("an earlier line")));
        }
        QVERIFY(copy.quit());
        if (!rotates) {
            const QStringList now = fileLines(path);
            QCOMPARE(now.size(), 2);
            QCOMPARE(now.first(), QStringLiteral("the other copy's line"));
            QVERIFY(now.last().endsWith(QStringLiteral(": after")));
            QCOMPARE(fileLines(old).size(), 1);
        }
    }

    void aFileThatCannotBeWrittenIsSaidOnce()
    {
        // Its folder cannot be made: a file stands where it should be.
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(TestSupport::writeBytes(dir.filePath(QStringLiteral("data")), "a file\n"));
        const QString path = dir.filePath(QStringLiteral("data/log.txt"));
        Copy copy(path, QLogFile::kDefaultLimit, QStringLiteral("one"));
        QTRY_VERIFY_WITH_TIMEOUT(copy.answered("ready"), 60000);
        QVERIFY(copy.tell("bulk 20"));
        QTRY_VERIFY_WITH_TIMEOUT(copy.answered("done"), 60000);
        QVERIFY(copy.quit());
        const QByteArray told = copy.standardError();
        QCOMPARE(told.count("log: cannot write " + QFile::encodeName(path)), 1);
    }

    void linesOfTheWayOutAfterTheDisplayIsLostReachTheFile()
    {
        TestSupport::OwnDisplay display;
        QVERIFY2(!display.name().isEmpty(), "Xvfb did not start");
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("log.txt"));
        QProcess program;
        program.setProcessEnvironment(display.environment());
        program.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--display-lost"), path});
        QVERIFY(program.waitForStarted(10000));
        QTRY_VERIFY_WITH_TIMEOUT(program.canReadLine() || (program.waitForReadyRead(10) && false), 30000);
        QCOMPARE(program.readLine(), QByteArray("ready\n"));
        display.goAway();
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitCode(), 1);
        // Written by the way out on the GUI thread, with their category, up
        // to the last one before the log closes.
        const QStringList lines = fileLines(path);
        QCOMPARE(countMatching(lines, QStringLiteral("velmora.app"), QStringLiteral("the way out begins")), 1);
        QCOMPARE(countMatching(lines, QStringLiteral("velmora.app"), QStringLiteral("last changes are lost")),
                 1);
        QVERIFY2(lines.last().endsWith(QStringLiteral("the way out ends")), qPrintable(lines.join('\n')));
    }
};

namespace {

// The program's way out when its display goes, as main() sets it up: the
// log installed first, the watch after it; the way out logs on the GUI
// thread and ends the process.
int runLosingTheDisplay(const QString &path)
{
    qInstallMessageHandler(silent);
    QLogFile::install(path);
    QDisplayWatch watch([] {
        qCInfo(lcApp) << "the way out begins";
        qCCritical(lcApp) << "The recordings library's last changes are lost (as the way out may say)";
        qCWarning(lcApp) << "the way out ends";
        QLogFile::uninstall();
        std::fflush(nullptr);
        _exit(1);
    });
    std::puts("ready");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--display-lost") == 0)
        return runLosingTheDisplay(QString::fromLocal8Bit(argv[2]));
    if (argc == 5 && std::strcmp(argv[1], "--copy") == 0)
        return runAsACopy(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toLongLong(),
                          QByteArray(argv[4]));
    LogFileTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_logfile.moc"
