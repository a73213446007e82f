// The history is written behind the changes on a thread of its own: writes
// land in the order they were made and the newest wins, the store hands out
// every change at once, a write that fails is reported with its reason and
// its change goes with the next save, whoever waits for a write is told
// when it (or the newer one that replaced it) ends, and a program that
// quits right after a change leaves it in the file.
#include "common/historydocument.h"
#include "common/historywriter.h"
#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"
#include "testsupport.h"

#include <QDir>
#include <QProcess>
#include <QtTest>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <future>
#include <mutex>
#include <thread>

namespace {

convertedInfo record(int n)
{
    convertedInfo info;
    info.convertedPath = QStringLiteral("/music/REC_%1.mp3").arg(n);
    info.title = QStringLiteral("Take %1").arg(n);
    info.time = QStringLiteral("00:01:00");
    info.size = QStringLiteral("1.00 MB");
    info.createTime = QStringLiteral("07-12-2026 09:15");
    info.format = QStringLiteral("mp3");
    info.extend = QStringLiteral("mp3");
    info.listNames = QStringList {QStringLiteral("Road")};
    return info;
}

QList<convertedInfo> records(int count)
{
    QList<convertedInfo> list;
    for (int n = 0; n < count; ++n)
        list << record(n);
    return list;
}

// The file as it is on disk now, parsed.
HistoryDocument onDisk()
{
    HistoryDocument doc;
    doc.parse(TestSupport::readBytes(QVideoSettingXml::historyFilePath()));
    return doc;
}

QString titleOnDisk(const HistoryDocument &doc, int n)
{
    const int at = doc.findEntry(record(n).convertedPath, false);
    return at < 0 ? QString()
                  : doc.entries().at(at).element().children.first().attribute(QStringLiteral("Title_"));
}

} // namespace

class TestHistoryWriter : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void writesKeepTheirOrderAndTheNewestWins();
    void aWaitIsAnsweredByItsWriteOrTheOneThatReplacedIt_data();
    void aWaitIsAnsweredByItsWriteOrTheOneThatReplacedIt();
    void aLaterCheckRunsOnTheWritersThread();
    void quickChangesEndWithTheNewestOnDisk();
    void failedWriteIsReportedAndGoesWithTheNextSave();
    void quittingRightAfterAChangeKeepsIt();
    void writerMadeBeforeTheApplicationEndsWithIt();
};

void TestHistoryWriter::init()
{
    QVERIFY(QVideoSettingXml::waitForHistory());
    QDir(QIAnyUtil::getAppDataPath()).removeRecursively();
    QVERIFY(QDir().mkpath(QIAnyUtil::getAppDataPath()));
}

void TestHistoryWriter::writesKeepTheirOrderAndTheNewestWins()
{
    HistoryWriter &writer = HistoryWriter::instance();
    std::mutex mutex;
    QList<int> written;
    std::promise<void> inFirst, release;
    std::shared_future<void> released = release.get_future().share();
    const auto write = [&](int n) {
        return [&, n](QString *) {
            std::lock_guard<std::mutex> lock(mutex);
            written << n;
            return true;
        };
    };
    // The first write holds the writer while the others queue up behind it.
    writer.post(QStringLiteral("a"), [&](QString *) {
        inFirst.set_value();
        released.wait();
        std::lock_guard<std::mutex> lock(mutex);
        written << 0;
        return true;
    });
    QCOMPARE(inFirst.get_future().wait_for(std::chrono::seconds(30)), std::future_status::ready);
    for (int n = 1; n <= 40; ++n)
        writer.post(n % 2 ? QStringLiteral("b") : QStringLiteral("a"), write(n));
    release.set_value();
    QVERIFY(writer.waitForIdle());
    // Each file gets the newest of what queued for it, in the order the
    // files were first queued; the write under way was completed.
    QCOMPARE(written, (QList<int> {0, 39, 40}));

    // An idle writer takes each write as it comes.
    written.clear();
    for (int n = 1; n <= 3; ++n) {
        writer.post(QStringLiteral("a"), write(n));
        QVERIFY(writer.waitForIdle());
    }
    QCOMPARE(written, (QList<int> {1, 2, 3}));
}

void TestHistoryWriter::aWaitIsAnsweredByItsWriteOrTheOneThatReplacedIt_data()
{
    // Four writes of one key: the first under way while the second queues,
    // the third replaces the second, the fourth fails. Each wait is
    // answered once, by the write that carried its content.
    QTest::addColumn<int>("waitOn");
    QTest::addColumn<bool>("written");
    QTest::newRow("the write under way") << 0 << true;
    QTest::newRow("a write replaced while it waited") << 1 << true;
    QTest::newRow("the write that replaced it") << 2 << true;
    QTest::newRow("a write that failed") << 3 << false;
}

void TestHistoryWriter::aWaitIsAnsweredByItsWriteOrTheOneThatReplacedIt()
{
    QFETCH(int, waitOn);
    QFETCH(bool, written);
    HistoryWriter &writer = HistoryWriter::instance();
    const QString key = QStringLiteral("waited");
    std::promise<void> inFirst, release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> writes{0};
    QList<quint64> tickets;
    tickets << writer.post(key, [&](QString *) {
        inFirst.set_value();
        released.wait();
        ++writes;
        return true;
    });
    QCOMPARE(inFirst.get_future().wait_for(std::chrono::seconds(30)), std::future_status::ready);
    for (int n = 1; n <= 2; ++n)
        tickets << writer.post(key, [&](QString *) {
            ++writes;
            return true;
        });
    QObject context;
    int answers = 0;
    bool wasWritten = !written;
    QString why;
    const auto wait = [&] {
        writer.whenEnded(key, tickets.at(waitOn), &context, [&](bool ok, const QString &reason) {
            ++answers;
            wasWritten = ok;
            why = reason;
        });
    };
    if (waitOn < 3)
        wait();
    release.set_value();
    QVERIFY(writer.waitForIdle());
    if (waitOn == 3) {
        tickets << writer.post(key, [](QString *reason) {
            *reason = QStringLiteral("the disk is full");
            return false;
        });
        wait();
        QVERIFY(!writer.waitForIdle());
    }
    QTRY_COMPARE(answers, 1);
    QCOMPARE(wasWritten, written);
    QCOMPARE(why, written ? QString() : QStringLiteral("the disk is full"));
    // The second write never ran: the third took its place.
    QCOMPARE(writes.load(), 2);
    QCoreApplication::processEvents();
    QCOMPARE(answers, 1);
}

void TestHistoryWriter::aLaterCheckRunsOnTheWritersThread()
{
    HistoryWriter &writer = HistoryWriter::instance();
    std::atomic<int> runs {0};
    std::atomic<bool> elsewhere {false};
    const std::thread::id here = std::this_thread::get_id();
    writer.later(std::chrono::milliseconds(5), [&] {
        elsewhere = std::this_thread::get_id() != here;
        ++runs;
    });
    QTRY_COMPARE(runs.load(), 1);
    QVERIFY(elsewhere.load());
    // The newer of two waiting checks runs, once.
    writer.later(std::chrono::hours(1), [&] { runs += 10; });
    writer.later(std::chrono::milliseconds(5), [&] { ++runs; });
    QTRY_COMPARE(runs.load(), 2);
    // A check is nothing to wait for.
    writer.later(std::chrono::hours(1), [&] { runs += 10; });
    QVERIFY(writer.waitForIdle());
    QCOMPARE(runs.load(), 2);
}

void TestHistoryWriter::quickChangesEndWithTheNewestOnDisk()
{
    QVERIFY(QVideoSettingXml::appendConvertedInfos(records(3000)));
    // Changes in quick succession, several to one record: each is what the
    // store hands out at once, whatever the file holds meanwhile.
    for (int round = 0; round < 4; ++round) {
        for (int n = 0; n < 3000; n += 97) {
            const QString title = QStringLiteral("Round %1 of %2").arg(round).arg(n);
            QVERIFY(QVideoSettingXml::changeConvertedInfoValue(record(n).convertedPath, QStringLiteral("Title_"), title));
            QCOMPARE(QVideoSettingXml::GetConvertedInfo(record(n).convertedPath)->title, title);
        }
        QVERIFY(QVideoSettingXml::removeConvertedInfo(record(round * 2 + 1).convertedPath));
        QVERIFY(!QVideoSettingXml::GetConvertedInfo(record(round * 2 + 1).convertedPath));
    }
    QVERIFY(QVideoSettingXml::waitForHistory());
    const HistoryDocument doc = onDisk();
    QCOMPARE(doc.entries().size(), 3000 - 4);
    for (int n = 0; n < 3000; n += 97)
        QCOMPARE(titleOnDisk(doc, n), QStringLiteral("Round 3 of %1").arg(n));
    QCOMPARE(titleOnDisk(doc, 2), QStringLiteral("Take 2"));
    for (int round = 0; round < 4; ++round)
        QCOMPARE(doc.findEntry(record(round * 2 + 1).convertedPath, false), -1);
    // Written as the document renders it.
    QCOMPARE(doc.serialize(), TestSupport::readBytes(QVideoSettingXml::historyFilePath()));
}

void TestHistoryWriter::failedWriteIsReportedAndGoesWithTheNextSave()
{
    QVERIFY(QVideoSettingXml::appendConvertedInfos(records(400)));
    QVERIFY(QVideoSettingXml::waitForHistory());
    const QString file = QVideoSettingXml::historyFilePath();
    const QByteArray before = TestSupport::readBytes(file);
    QVERIFY(before.size() > 4096);

    // Reported as the window hears it: queued to this thread.
    QList<QPair<QString, QString>> failures;
    QObject receiver;
    connect(&HistoryWriter::instance(), &HistoryWriter::writeFailed, &receiver,
            [&failures](const QString &path, const QString &reason) { failures.append({path, reason}); },
            Qt::QueuedConnection);
    {
        // The disk takes no file as large as the history any more.
        TestSupport::FileSizeLimit limit(before.size() / 2);
        QVERIFY(limit.set());
        QVERIFY(QVideoSettingXml::changeConvertedInfoValue(record(7).convertedPath, QStringLiteral("Title_"),
                                                           QStringLiteral("Kept in memory")));
        QVERIFY(!QVideoSettingXml::waitForHistory());
    }
    QTRY_COMPARE(failures.size(), 1);
    QCOMPARE(failures.first().first, file);
    const QString reason = failures.first().second;
    QVERIFY2(reason.contains(QString::fromLocal8Bit(std::strerror(EFBIG))), qPrintable(reason));
    // The file is as it was; the change is still the history here.
    QCOMPARE(TestSupport::readBytes(file), before);
    QCOMPARE(QVideoSettingXml::GetConvertedInfo(record(7).convertedPath)->title, QStringLiteral("Kept in memory"));

    // With room again, the next change writes both.
    QVERIFY(QVideoSettingXml::changeConvertedInfoValue(record(8).convertedPath, QStringLiteral("Title_"),
                                                       QStringLiteral("Next")));
    QVERIFY(QVideoSettingXml::waitForHistory());
    const HistoryDocument doc = onDisk();
    QCOMPARE(doc.entries().size(), 400);
    QCOMPARE(titleOnDisk(doc, 7), QStringLiteral("Kept in memory"));
    QCOMPARE(titleOnDisk(doc, 8), QStringLiteral("Next"));
    QCOMPARE(failures.size(), 1);
}

void TestHistoryWriter::quittingRightAfterAChangeKeepsIt()
{
    QVERIFY(QVideoSettingXml::appendConvertedInfos(records(3000)));
    QVERIFY(QVideoSettingXml::waitForHistory());
    // Another copy of this program changes the history and returns from
    // main at once.
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--change-and-quit")});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
    const HistoryDocument doc = onDisk();
    QCOMPARE(doc.entries().size(), 3001);
    QCOMPARE(titleOnDisk(doc, 3000), QStringLiteral("Take 3000"));
    QCOMPARE(titleOnDisk(doc, 2999), QStringLiteral("Changed last"));
}

void TestHistoryWriter::writerMadeBeforeTheApplicationEndsWithIt()
{
    // A child whose writer is made before its application object, as the
    // program's is when it reads its history first thing.
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--writer-before-application")});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
    QCOMPARE(titleOnDisk(onDisk(), 1), QStringLiteral("Take 1"));
}

namespace {

// The writer made before the application object stopped with it: a write
// posted after it went runs on the posting thread at once.
int writerBeforeApplication(int argc, char *argv[])
{
    HistoryWriter::instance();
    {
        QCoreApplication app(argc, argv);
        if (!QVideoSettingXml::SaveConvertedInfo(record(1)))
            return 1;
    }
    const std::thread::id here = std::this_thread::get_id();
    static std::thread::id ranOn;
    HistoryWriter::instance().post(QStringLiteral("after the application"), [](QString *) {
        ranOn = std::this_thread::get_id();
        return true;
    });
    if (ranOn != here) {
        std::fprintf(stderr, "the writer outlived the application object\n");
        return 2;
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 2 && std::strcmp(argv[1], "--writer-before-application") == 0)
        return writerBeforeApplication(argc, argv);
    QCoreApplication app(argc, argv);
    if (argc == 2 && std::strcmp(argv[1], "--change-and-quit") == 0) {
        const bool changed = QVideoSettingXml::SaveConvertedInfo(record(3000))
                             && QVideoSettingXml::changeConvertedInfoValue(
                                 record(2999).convertedPath, QStringLiteral("Title_"), QStringLiteral("Changed last"));
        return changed ? 0 : 1;
    }
    TestHistoryWriter test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_historywriter.moc"
