// The reading of formats missing from the history, on its worker: real files
// give their container, a file that is not media gives nothing, and a cancel
// or the job's end (the window closing) stops the worker before its next
// file instead of waiting for all of them. A cancelled job still says it
// ended, so that its owner frees it.

#include "testsupport.h"

#include "library/qformatfilljob.h"

#include <QFile>
#include <QPointer>
#include <QSignalSpy>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <thread>

class TestFormatFill : public QObject
{
    Q_OBJECT
private slots:
    void readsRealFilesAndSkipsOthers();
    void cancelStopsBeforeTheNextFile();
    void aCancelledJobEndsAndIsFreed();
    void closingDoesNotWaitForTheRest();
};

void TestFormatFill::readsRealFilesAndSkipsOthers()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString tone = dir.filePath(QStringLiteral("tone.wav"));
    QVERIFY(TestSupport::writeToneWav(tone, 440, 0.5, 44100, 2, 0.25));
    const QString text = dir.filePath(QStringLiteral("notes.mp3"));
    QVERIFY(TestSupport::writeBytes(text, QByteArray("not a recording at all\n")));
    const QString missing = dir.filePath(QStringLiteral("gone.mp3"));

    QFormatFillJob job;
    QList<QFormatFillJob::Filled> reports;
    int endedAfter = -1;
    connect(&job, &QFormatFillJob::filled, this, [&](const QFormatFillJob::Filled &f) { reports << f; });
    connect(&job, &QFormatFillJob::finished, this, [&] { endedAfter = reports.size(); });
    job.start({text, tone, missing});
    QTRY_COMPARE_WITH_TIMEOUT(endedAfter, 1, 10000);
    QCOMPARE(reports.size(), 1);
    const QFormatFillJob::Filled formats = reports.at(0);
    QCOMPARE(formats.size(), 1);
    QCOMPARE(formats.at(0).first, tone);
    QCOMPARE(formats.at(0).second, QStringLiteral("wav"));
}

void TestFormatFill::cancelStopsBeforeTheNextFile()
{
    QSemaphore entered;
    QSemaphore proceed;
    std::atomic<int> reads{0};
    auto *job = new QFormatFillJob(nullptr, [&](const QString &) {
        ++reads;
        entered.release();
        proceed.acquire();
        return QStringLiteral("mp3");
    });
    int reports = 0;
    connect(job, &QFormatFillJob::filled, this, [&reports] { ++reports; });
    QStringList paths;
    for (int i = 0; i < 20; ++i)
        paths << QStringLiteral("/nowhere/%1.mp3").arg(i);
    job->start(paths);
    // The worker is inside its first file when the cancel comes.
    entered.acquire();
    job->cancel();
    proceed.release(paths.size());
    delete job;
    QCOMPARE(reads.load(), 1);
    QCoreApplication::processEvents();
    QCOMPARE(reports, 0);
}

void TestFormatFill::aCancelledJobEndsAndIsFreed()
{
    // Its owner deletes the job once it has ended, as the library does: a
    // cancelled job must end too, or it stays until the owner goes.
    QSemaphore entered;
    QSemaphore proceed;
    std::atomic<int> reads{0};
    auto *job = new QFormatFillJob(nullptr, [&](const QString &) {
        ++reads;
        entered.release();
        proceed.acquire();
        return QStringLiteral("mp3");
    });
    QPointer<QFormatFillJob> alive(job);
    QSignalSpy filled(job, &QFormatFillJob::filled);
    QSignalSpy ended(job, &QFormatFillJob::finished);
    connect(job, &QFormatFillJob::finished, job, &QObject::deleteLater);
    QStringList paths;
    for (int i = 0; i < 20; ++i)
        paths << QStringLiteral("/nowhere/%1.mp3").arg(i);
    job->start(paths);
    entered.acquire();
    job->cancel();
    proceed.release(paths.size());
    QTRY_VERIFY_WITH_TIMEOUT(alive.isNull(), 10000);
    QCOMPARE(ended.size(), 1);
    QCOMPARE(filled.size(), 0);
    QCOMPARE(reads.load(), 1);
}

void TestFormatFill::closingDoesNotWaitForTheRest()
{
    // Each file takes the worker a while, as a large history on a slow disk
    // would: reading all of them would hold the close for ten seconds.
    constexpr int kFiles = 5000;
    QSemaphore entered;
    std::atomic<int> reads{0};
    auto *job = new QFormatFillJob(nullptr, [&](const QString &) {
        if (reads++ == 0)
            entered.release();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return QString();
    });
    QStringList paths;
    for (int i = 0; i < kFiles; ++i)
        paths << QStringLiteral("/nowhere/%1.mp3").arg(i);
    job->start(paths);
    entered.acquire();
    delete job;
    QVERIFY2(reads.load() < kFiles, qPrintable(QString::number(reads.load())));
}

QTEST_GUILESS_MAIN(TestFormatFill)
#include "tst_formatfill.moc"
