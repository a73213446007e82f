// A program whose way out hangs after a termination signal, or after its
// display went away, still gives the default output back and ends by the
// signal (SIGHUP for the display): at once on a second signal, otherwise
// when the grace time is over; a display that goes while a signal's way out
// runs is no second signal.

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
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("sent"); // 0: a line on its input instead
    QTest::addColumn<bool>("second");
    QTest::addColumn<int>("endedBy");
    QTest::newRow("after the grace time") << QString() << int(SIGTERM) << false << int(SIGTERM);
    QTest::newRow("at once on a second signal") << QString() << int(SIGTERM) << true << int(SIGINT);
    QTest::newRow("display gone, after the grace time") << "display-lost" << 0 << false << int(SIGHUP);
    QTest::newRow("display gone while a signal's way out runs")
        << "display-lost-later" << int(SIGTERM) << false << int(SIGTERM);
}

void TestTermination::hungProgramEndsByTheSignal()
{
    QFETCH(QString, mode);
    QFETCH(int, sent);
    QFETCH(bool, second);
    QFETCH(int, endedBy);
    const QByteArray before = TestSupport::serverDefault();
    QProcess holder;
    holder.start(qEnvironmentVariable("VELMORA_BUILD_DIR") + "/bin/termination_holder",
                 mode.isEmpty() ? QStringList() : QStringList(mode));
    QVERIFY(holder.waitForStarted(5000));
    QVERIFY(holder.waitForReadyRead(10000));
    QVERIFY(holder.readAll().contains("ready"));
    // PipeWire's session manager applies a default a moment after the server answers.
    QTRY_VERIFY_WITH_TIMEOUT(TestSupport::serverDefault() != before, 10000);

    QElapsedTimer clock;
    clock.start();
    if (sent)
        ::kill(pid_t(holder.processId()), sent);
    else
        QVERIFY(holder.write("the display is gone\n") > 0 && holder.waitForBytesWritten(5000));
    if (second) {
        // The first signal has been taken (the watcher asked its thread)
        // while the program goes on running.
        QVERIFY(!holder.waitForFinished(300));
        ::kill(pid_t(holder.processId()), SIGINT);
        QVERIFY(holder.waitForFinished(QTerminationWatcher::kGraceMs / 2));
        QVERIFY(clock.elapsed() < QTerminationWatcher::kGraceMs);
    } else {
        QVERIFY(holder.waitForFinished(QTerminationWatcher::kGraceMs * 3));
        QVERIFY2(clock.elapsed() >= QTerminationWatcher::kGraceMs, qPrintable(QString::number(clock.elapsed())));
    }
    QCOMPARE(holder.exitStatus(), QProcess::CrashExit);   // ended by the signal
    QCOMPARE(holder.exitCode(), endedBy);
    // Given back on the way out; PipeWire applies it a moment later.
    QTRY_COMPARE_WITH_TIMEOUT(TestSupport::serverDefault(), before, 10000);
    // Ended by the signal, a sanitized child cannot fail by its exit code:
    // what its sanitizer found is on its standard error.
    const QByteArray errors = holder.readAllStandardError();
    QVERIFY2(!errors.contains("Sanitizer"), errors.constData());
}

QTEST_GUILESS_MAIN(TestTermination)
#include "tst_termination.moc"
