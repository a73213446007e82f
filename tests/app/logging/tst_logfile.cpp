// The log file: every warning of every library reaches log.txt with its time
// and category, including those of a capture thread and the codec layer's own
// lines, while the handler before it still gets each line (standard error);
// the file is rotated at its size limit, whole lines only, also when several
// threads write at once.
#include "app/applog.h"
#include "app/qlogfile.h"
#include "common/qvideosettingxml.h"
#include "recorder/qrecordaudioobject.h"
#include "recorder/qrecordareainfo.h"
#include "rzcodec/recorder.h"
#include "rzcodec/setup.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <thread>
#include <vector>

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
};

QTEST_MAIN(LogFileTest)
#include "tst_logfile.moc"
