// The log file: every warning of every library reaches log.txt with its time
// and category, including those of a capture thread and the codec layer's own
// lines, while the handler before it still gets each line (standard error);
// the file is rotated at its size limit, whole lines only, also when several
// threads or two running copies write at once; a FIFO or a link at its path
// is replaced by a new file.
#include "app/applog.h"
#include "app/qlogfile.h"
#include "common/qvideosettingxml.h"
#include "common/statefilelock.h"
#include "recorder/qrecordaudioobject.h"
#include "recorder/qrecordareainfo.h"
#include "rzcodec/recorder.h"
#include "rzcodec/setup.h"
#include "testsupport.h"

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
// it is told on its standard input ("bulk <n>" lines, "say <text>") and
// answers each once done; "quit" ends it.
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

// The process waits for an flock another process holds.
bool waitsForALock(qint64 pid)
{
    QFile locks(QStringLiteral("/proc/locks"));
    return locks.open(QIODevice::ReadOnly)
           && locks.readAll().contains("-> FLOCK  ADVISORY  WRITE " + QByteArray::number(pid) + ' ');
}

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

        // A file found at start-up already past the limit is rotated first.
        QLogFile::uninstall();
        QFile big(path);
        QVERIFY(big.open(QIODevice::WriteOnly | QIODevice::Truncate));
        big.write(QByteArray(int(limit) + 10, 'x'));
        big.close();
        QLogFile::install(path, limit);
        qCWarning(lcApp) << "fresh";
        QCOMPARE(QFileInfo(old).size(), limit + 10);
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

    void aCopyWaitsForTheLockAndFollowsARotation()
    {
        if (!QFile::exists(QStringLiteral("/proc/locks")))
            QSKIP("no /proc/locks to see a process wait for a lock");
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("log.txt"));
        Copy copy(path, 4096, QStringLiteral("one"));
        QVERIFY(copy.tell("say before"));
        QTRY_VERIFY_WITH_TIMEOUT(copy.answered("done"), 60000);
        {
            // Another copy holds the lock: the line waits for it, and the
            // other copy rotates the file meanwhile.
            StateFileLock other(path);
            QVERIFY(other.lock());
            QVERIFY(copy.tell("say after"));
            QTRY_VERIFY_WITH_TIMEOUT(waitsForALock(copy.pid()), 60000);
            QCOMPARE(::rename(QFile::encodeName(path).constData(),
                              QFile::encodeName(QLogFile::previousPath(path)).constData()),
                     0);
            QVERIFY(TestSupport::writeBytes(path, "the other copy's line\n"));
        }
        QTRY_VERIFY_WITH_TIMEOUT(copy.answered("done", 2), 60000);
        QVERIFY(copy.quit());
        const QStringList now = fileLines(path);
        QCOMPARE(now.size(), 2);
        QCOMPARE(now.first(), QStringLiteral("the other copy's line"));
        QVERIFY(now.last().endsWith(QStringLiteral(": after")));
        QCOMPARE(fileLines(QLogFile::previousPath(path)).size(), 1);
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc == 5 && std::strcmp(argv[1], "--copy") == 0)
        return runAsACopy(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toLongLong(),
                          QByteArray(argv[4]));
    LogFileTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_logfile.moc"
