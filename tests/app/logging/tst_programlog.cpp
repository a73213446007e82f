// The program as started from a menu: what it warns about at start-up (a
// preferences file that does not parse, a session bus that cannot be
// reached) and the end a termination signal brings reach log.txt in its data
// folder, with time and category.

#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"
#include "testsupport.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <signal.h>

class TestProgramLog : public QObject
{
    Q_OBJECT
private slots:
    void startAndEndAreLogged();
};

void TestProgramLog::startAndEndAreLogged()
{
    // A preferences file that does not parse: the settings store warns.
    QFile prefs(QVideoSettingXml::preferencesFilePath());
    QVERIFY(prefs.open(QIODevice::WriteOnly | QIODevice::Truncate));
    prefs.write("<Root><unclosed>");
    prefs.close();
    const QString logPath = QIAnyUtil::getAppDataPath() + QStringLiteral("/log.txt");
    QFile::remove(logPath);

    // A session bus named where nothing listens.
    const QTemporaryDir noBus;
    QVERIFY(noBus.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=") + noBus.filePath("bus"));

    const QByteArray before = TestSupport::serverDefault();
    QProcess program;
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QStringLiteral(VELMORA_PROGRAM), QStringList());
    QVERIFY(program.waitForStarted(10000));
    // Up once the loop-back device is the default output.
    QVERIFY(TestSupport::serverDefaultWhen([&](const QByteArray &d) { return d != before; }, 20000) != before);
    ::kill(pid_t(program.processId()), SIGTERM);
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitCode(), 0);

    QFile log(logPath);
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(log.readAll());
    const QRegularExpression parse(QStringLiteral(
        R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}\S* warning velmora.common: .*does not parse)"),
                                   QRegularExpression::MultilineOption);
    const QRegularExpression ended(QStringLiteral(
        R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}\S* info velmora.app: signal 15 - ending the program$)"),
                                   QRegularExpression::MultilineOption);
    const QRegularExpression noSessionBus(QStringLiteral(
        R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}\S* warning velmora.app: The session bus cannot be reached: \S.*$)"),
                                          QRegularExpression::MultilineOption);
    QVERIFY2(parse.match(text).hasMatch(), qPrintable(text));
    QVERIFY2(noSessionBus.match(text).hasMatch(), qPrintable(text));
    QVERIFY2(ended.match(text).hasMatch(), qPrintable(text));
}

QTEST_MAIN(TestProgramLog)
#include "tst_programlog.moc"
