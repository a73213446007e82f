#include "app/jxhelper.h"
#include "common/jxcommoninterface.h"
#include "common/qconverteroperate.h"
#include "common/qianyutil.h"
#include "testsupport.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

// Answers the file manager's and logind's calls and records them.
class StandIn : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Standin")
public:
    QStringList calls;
    QStringList refuse;

public slots:
    Q_SCRIPTABLE void ShowItems(const QStringList &uris, const QString &startup)
    {
        Q_UNUSED(startup);
        calls << QStringLiteral("ShowItems ") + uris.join(QLatin1Char(','));
    }
    Q_SCRIPTABLE void PowerOff(bool interactive) { record(QStringLiteral("PowerOff"), interactive); }
    Q_SCRIPTABLE void Suspend(bool interactive) { record(QStringLiteral("Suspend"), interactive); }

private:
    void record(const QString &method, bool interactive)
    {
        calls << QStringLiteral("%1 %2").arg(method).arg(interactive);
        if (refuse.contains(method))
            sendErrorReply(QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"),
                           QStringLiteral("refused by the stand-in"));
    }
};

class TestServices : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void textsOfTimesSizesAndRates();
    void probesOfRealFiles();
    void writableProbeKeepsFoldersAsTheyWere();
    void revealCollapsesSeparatorsOnly();
    void powerRequestsGoToLogindAndFailuresAreLogged();
    void informationFileCarriesTheBuildVersion();
    void systemVersionComesFromOsRelease();

private:
    QString readLog() const;
    QTemporaryDir m_dir;
    QProcess m_systemBus;
    StandIn m_logind;
    StandIn m_fileManager;
};

void TestServices::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QConverterOperate::setLogFilePath(m_dir.filePath("log.txt"));

    // A private bus stands in for the system bus before Qt first opens it.
    m_systemBus.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
    QVERIFY(m_systemBus.waitForStarted());
    QTRY_VERIFY(m_systemBus.canReadLine());
    const QByteArray address = m_systemBus.readLine().trimmed();
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", address);
    QDBusConnection logindBus = QDBusConnection::connectToBus(QString::fromUtf8(address), "logind-standin");
    QVERIFY(logindBus.isConnected());
    QVERIFY(logindBus.registerService("org.freedesktop.login1"));
    QVERIFY(logindBus.registerObject("/org/freedesktop/login1", "org.freedesktop.login1.Manager", &m_logind,
                                     QDBusConnection::ExportScriptableSlots));

    QDBusConnection session = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "fm-standin");
    QVERIFY2(session.isConnected(), "the test runs on a private session bus");
    QVERIFY(session.registerService("org.freedesktop.FileManager1"));
    QVERIFY(session.registerObject("/org/freedesktop/FileManager1", "org.freedesktop.FileManager1",
                                   &m_fileManager, QDBusConnection::ExportScriptableSlots));
}

void TestServices::cleanupTestCase()
{
    QDBusConnection::disconnectFromBus("logind-standin");
    m_systemBus.terminate();
    m_systemBus.waitForFinished();
}

QString TestServices::readLog() const
{
    QFile log(m_dir.filePath("log.txt"));
    if (!log.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(log.readAll());
}

void TestServices::textsOfTimesSizesAndRates()
{
    const quint64 sec = 1000000ULL;
    QCOMPARE(JXHelper::getTime(0), QString("00:00:00"));
    QCOMPARE(JXHelper::getTime(3661 * sec), QString("01:01:01"));
    QCOMPARE(JXHelper::getTime(100 * 3600 * sec), QString("100:00:00"));
    // Beyond the 32-bit millisecond limit (about 596 hours) the count goes on.
    QCOMPARE(JXHelper::getTime(1000ULL * 3600 * sec), QString("1000:00:00"));
    QCOMPARE(JXHelper::getPlayTime(61 * sec, 3600 * sec), QString("00:01:01 / 01:00:00"));

    QCOMPARE(JXHelper::getCountStringTime(3723 * sec + 45000, 0), QString("01:02:03.045"));
    QCOMPARE(JXHelper::getCountStringTime(60 * sec - 1000, 1), QString("59 s"));
    QCOMPARE(JXHelper::getCountStringTime(61 * sec, 1), QString("01 min 01 s"));
    QCOMPARE(JXHelper::getCountStringTime(3723 * sec, 1), QString("01 h 02 min 03 s"));
    QCOMPARE(JXHelper::getCountStringTime(3723 * sec, 2), QString("62 min 03 s"));
    QCOMPARE(JXHelper::getCountStringTime(61 * sec, 2), QString("61 s"));
    QCOMPARE(JXHelper::getCountStringTime(59 * sec, 2), QString());
    QCOMPARE(JXHelper::getCountStringTime(61 * sec, 3), QString());

    QCOMPARE(JXHelper::getFileSizeToString(0), QString("0B"));
    QCOMPARE(JXHelper::getFileSizeToString(1023), QString("1023 B"));
    QCOMPARE(JXHelper::getFileSizeToString(1024), QString("1.00 KB"));
    QCOMPARE(JXHelper::getFileSizeToString(1536), QString("1.50 KB"));
    QCOMPARE(JXHelper::getFileSizeToString(1048576), QString("1.00 MB"));
    QCOMPARE(JXHelper::getFileSizeToString(1073741824LL), QString("1.00 GB"));

    QCOMPARE(JXHelper::getBitRate(999), QString("999 bps"));
    QCOMPARE(JXHelper::getBitRate(1000), QString("1 kps"));
    QCOMPARE(JXHelper::getBitRate(128000), QString("128 kps"));
    QCOMPARE(JXHelper::getBitRate(128999), QString("128 kps"));
}

void TestServices::probesOfRealFiles()
{
    const QString wav = m_dir.filePath("tone.wav");
    QVERIFY(TestSupport::writeToneWav(wav, 440, 2.5));
    QCOMPARE(JXHelper::getFileTime(wav), QString("00:00:02"));
    QVERIFY(JXHelper::hasVedeoOrAudio(wav));
    // No cover and no video: nothing to show.
    QVERIFY(JXHelper::getCoverImage(wav).isNull());

    const QString text = m_dir.filePath("notes.txt");
    QFile file(text);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a media file\n");
    file.close();
    QCOMPARE(JXHelper::getFileTime(text), QString());
    QVERIFY(!JXHelper::hasVedeoOrAudio(text));
    QVERIFY(!JXHelper::isDVDDir(m_dir.path()));
    QVERIFY(JXHelper::getCoverImage(m_dir.filePath("missing.mp3")).isNull());
}

void TestServices::writableProbeKeepsFoldersAsTheyWere()
{
    QTemporaryDir folder;
    const QString base = folder.path() + '/';
    const QString name = QIAnyUtil::displayName();
    QVERIFY(JxCommonInterface::isWritableDir(base));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList());

    // Files of those names are the user's: they stay as they were.
    QStringList existing{base + name + ".txt"};
    for (int n = 1; n <= 50; ++n)
        existing << base + name + QString::number(n) + ".txt";
    for (const QString &path : existing) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("keep me");
    }
    QVERIFY(JxCommonInterface::isWritableDir(base));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), existing.size());
    for (const QString &path : existing) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("keep me"));
    }
    for (int n = 51; n <= 99; ++n) {
        QFile f(base + name + QString::number(n) + ".txt");
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    // Every name taken: no answer but "no", and nothing touched.
    QVERIFY(!JxCommonInterface::isWritableDir(base));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), 100);

    QVERIFY(!JxCommonInterface::isWritableDir(folder.path() + "/no-such-folder/"));
    // A folder that is a file's name cannot take a probe either.
    QVERIFY(!JxCommonInterface::isWritableDir(base + name + "7.txt/"));
}

void TestServices::revealCollapsesSeparatorsOnly()
{
    QCOMPARE(JxCommonInterface::collapsedPath("/a//b\\c"), QString("/a/b\\c"));
    QCOMPARE(JxCommonInterface::collapsedPath("/x///y////z.wav"), QString("/x/y/z.wav"));

    const QString file = m_dir.filePath("back\\slash.wav");
    QVERIFY(TestSupport::writeToneWav(file, 440, 0.1));
    m_fileManager.calls.clear();
    JxCommonInterface::showFileInFolder((m_dir.path() + "//back\\slash.wav").toUtf8().constData());
    QTRY_COMPARE(m_fileManager.calls.size(), 1);
    QCOMPARE(m_fileManager.calls.first(),
             "ShowItems " + QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded));

    JXHelper::setOpenFinder(m_dir.path() + "//tone.wav");
    QTRY_COMPARE(m_fileManager.calls.size(), 2);
    QVERIFY(m_fileManager.calls.last().endsWith("/tone.wav"));
    QVERIFY(!m_fileManager.calls.last().contains("//tone"));
}

void TestServices::powerRequestsGoToLogindAndFailuresAreLogged()
{
    JxCommonInterface::shutdownComputer();
    QTRY_COMPARE(m_logind.calls, QStringList{"PowerOff 0"});
    JxCommonInterface::sleepComputer();
    QTRY_COMPARE(m_logind.calls, (QStringList{"PowerOff 0", "Suspend 0"}));
    QVERIFY(!readLog().contains("failed"));

    m_logind.refuse << "Suspend";
    JxCommonInterface::sleepComputer();
    QTRY_VERIFY(readLog().contains("Suspend failed: org.freedesktop.DBus.Error.AccessDenied"));

    // Without logind on the bus, the request fails and says so.
    QVERIFY(QDBusConnection("logind-standin").unregisterService("org.freedesktop.login1"));
    JxCommonInterface::shutdownComputer();
    QTRY_VERIFY(readLog().contains("PowerOff failed: org.freedesktop.DBus.Error.ServiceUnknown"));
}

void TestServices::informationFileCarriesTheBuildVersion()
{
    const QString path = JxCommonInterface::getAppInfoFile();
    QVERIFY(path.startsWith(QIAnyUtil::getAppDataPath() + '/'));
    QFile::remove(path);
    QVERIFY(JxCommonInterface::isNeedInitInfoFile());
    QCOMPARE(JxCommonInterface::getAppVersion(), QString(VELMORA_TEST_VERSION));

    JxCommonInterface::InitInfoToFile(path.toUtf8().constData());
    QVERIFY(!JxCommonInterface::isNeedInitInfoFile());
    {
        QSettings info(path, QSettings::IniFormat);
        QCOMPARE(info.value("CFBundleShortVersionString").toString(), QString(VELMORA_TEST_VERSION));
        QCOMPARE(info.value("CFBundleVersion").toString(), QString(VELMORA_TEST_VERSION ".0"));
        QCOMPARE(info.value("CFBundleIdentifier").toString(), QString("com.Velmora.VelmoraAudioRecorder"));
        QCOMPARE(info.value("CFBundleDisplayName").toString(), QString("Velmora Audio Recorder"));
        QVERIFY(info.value("SUFeedURL").toString().contains("/api/product/version?pid="));
        QCOMPARE(info.value("SUPublicDSAKeyFile").toString(), QString("DSAKeyFile.pem"));
        QVERIFY(info.value("NSAppTransportSecurity/NSAllowsArbitraryLoads").toBool());
        // A file from an older build is brought up to the running version.
        info.setValue("CFBundleShortVersionString", "0.9.1");
    }
    QVERIFY(JxCommonInterface::isNeedInitInfoFile());
    JxCommonInterface::InitInfoToFile(path.toUtf8().constData());
    QCOMPARE(JxCommonInterface::getAppVersion(), QString(VELMORA_TEST_VERSION));
}

void TestServices::systemVersionComesFromOsRelease()
{
    QSettings release("/etc/os-release", QSettings::IniFormat);
    const QString id = release.value("VERSION_ID").toString();
    if (id.isEmpty())
        QSKIP("this system has no VERSION_ID");
    QVERIFY(JxCommonInterface::SystemVersionInfo().endsWith(' ' + id));
    unsigned int major = 77, minor = 0, fix = 0;
    JxCommonInterface::SystemVersionInfoValue(major, minor, fix);
    QCOMPARE(major, id.section('.', 0, 0).toUInt());
}

QTEST_MAIN(TestServices)
#include "tst_services.moc"
