// A program whose way out hangs after a termination signal still gives the
// default output back and ends by the signal: at once on a second signal,
// otherwise when the grace time is over.

#include "testsupport.h"

#include "app/qterminationwatcher.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>

#include <csignal>

class TestTermination : public QObject
{
    Q_OBJECT
private slots:
    void hungProgramEndsByTheSignal_data();
    void hungProgramEndsByTheSignal();
};

void TestTermination::hungProgramEndsByTheSignal_data()
{
    QTest::addColumn<bool>("second");
    QTest::newRow("after the grace time") << false;
    QTest::newRow("at once on a second signal") << true;
}

void TestTermination::hungProgramEndsByTheSignal()
{
    QFETCH(bool, second);
    const QByteArray before = TestSupport::serverDefault();
    QProcess holder;
    holder.start(qEnvironmentVariable("VELMORA_BUILD_DIR") + "/bin/termination_holder", QStringList());
    QVERIFY(holder.waitForStarted(5000));
    QVERIFY(holder.waitForReadyRead(10000));
    QVERIFY(holder.readAll().contains("ready"));
    QVERIFY(TestSupport::serverDefault() != before);

    QElapsedTimer clock;
    clock.start();
    ::kill(pid_t(holder.processId()), SIGTERM);
    if (second) {
        // The first signal has been taken (the watcher asked its thread)
        // while the program goes on running.
        QVERIFY(!holder.waitForFinished(300));
        ::kill(pid_t(holder.processId()), SIGINT);
        QVERIFY(holder.waitForFinished(QTerminationWatcher::kGraceMs / 2));
        QVERIFY(clock.elapsed() < QTerminationWatcher::kGraceMs);
    } else {
        QVERIFY(holder.waitForFinished(QTerminationWatcher::kGraceMs * 3));
        QVERIFY(clock.elapsed() >= QTerminationWatcher::kGraceMs);
    }
    QCOMPARE(holder.exitStatus(), QProcess::CrashExit);   // ended by the signal
    QCOMPARE(TestSupport::serverDefault(), before);
    // Ended by the signal, a sanitized child cannot fail by its exit code:
    // what its sanitizer found is on its standard error.
    const QByteArray errors = holder.readAllStandardError();
    QVERIFY2(!errors.contains("Sanitizer"), errors.constData());
}

QTEST_GUILESS_MAIN(TestTermination)
#include "tst_termination.moc"
