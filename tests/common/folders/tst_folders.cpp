// Folders come from the sandbox's XDG settings and are created on demand;
// size texts switch units exactly at the powers of 1024.
#include "common/qianyutil.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

class FoldersTest : public QObject
{
    Q_OBJECT
private slots:
    void appDataFolderIsCreatedUnderXdgData()
    {
        const QString expected = qEnvironmentVariable("XDG_DATA_HOME") + "/Velmora Audio Recorder";
        QDir(expected).removeRecursively();
        QVERIFY(!QDir(expected).exists());
        QCOMPARE(QIAnyUtil::getAppDataPath(), expected);
        QVERIFY(QDir(expected).exists());
        QCOMPARE(QIAnyUtil::getAppDataPath(), expected);
    }
    void documentAndTempFoldersAreNamedAndCreated()
    {
        const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QVERIFY(docs.startsWith(qEnvironmentVariable("HOME")));
        QCOMPARE(QIAnyUtil::getDocumentPath(), docs + "/Velmora Audio Recorder");
        QVERIFY(QDir(QIAnyUtil::getDocumentPath()).exists());
        const QString temp = QIAnyUtil::getTempSavePath();
        QVERIFY(temp.endsWith("/Velmora Audio Recorder"));
        QVERIFY(QDir(temp).exists());
    }
    void resourceFolderFollowsEnvironmentAndIsCached()
    {
        const QByteArray saved = qgetenv("VELMORA_RESOURCES");
        QVERIFY(!saved.isEmpty());
        const QString first = QIAnyUtil::getResourcePath();
        QCOMPARE(first, QDir::cleanPath(QString::fromLocal8Bit(saved)));
        QVERIFY(!first.endsWith('/'));
        qputenv("VELMORA_RESOURCES", "/somewhere/else");
        QCOMPARE(QIAnyUtil::getResourcePath(), first);
        qputenv("VELMORA_RESOURCES", saved);
    }
    void resourceFolderFallsBackBesideExecutable()
    {
        const QString expected = QCoreApplication::applicationDirPath() + "/resources";
        if (qEnvironmentVariableIsSet("VELMORA_FOLDERS_CHILD")) {
            QCOMPARE(QIAnyUtil::getResourcePath(), expected);
            return;
        }
        // A process of its own: the folder is cached on first use.
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("VELMORA_RESOURCES");
        env.insert("VELMORA_FOLDERS_CHILD", "1");
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {"resourceFolderFallsBackBesideExecutable"});
        QVERIFY(child.waitForFinished(30000));
        QVERIFY2(child.exitCode() == 0, child.readAllStandardOutput().constData());
    }
    void applicationFolderEndsWithSlash()
    {
        QCOMPARE(QIAnyUtil::getApplicationDirPath(), QCoreApplication::applicationDirPath() + "/");
        QVERIFY(QIAnyUtil::dndTmpPath().isEmpty());
    }
    void restorePasswordIsAPlainStore()
    {
        QVERIFY(QIAnyUtil::getRestorePassWord().isEmpty());
        QIAnyUtil::setRestorePassWord("secret");
        QCOMPARE(QIAnyUtil::getRestorePassWord(), QString("secret"));
    }
    void sizeTexts_data()
    {
        QTest::addColumn<qulonglong>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0ULL << "0 B";
        QTest::newRow("1023") << 1023ULL << "1023 B";
        QTest::newRow("1024") << 1024ULL << "1024 B";
        QTest::newRow("1025") << 1025ULL << "1.00 KB";
        QTest::newRow("1536") << 1536ULL << "1.50 KB";
        QTest::newRow("1048576") << 1048576ULL << "1024.00 KB";
        QTest::newRow("1048577") << 1048577ULL << "1.00 MB";
        QTest::newRow("1073741824") << 1073741824ULL << "1024.00 MB";
        QTest::newRow("1073741825") << 1073741825ULL << "1.00 GB";
        QTest::newRow("5 TB") << 5497558138880ULL << "5120.00 GB";
    }
    void sizeTexts()
    {
        QFETCH(qulonglong, bytes);
        QFETCH(QString, text);
        QCOMPARE(QIAnyUtil::size2String(bytes), text);
    }
    // A recording's length text: whole seconds as hours:minutes:seconds, the
    // hours never wrapped at a day.
    void lengthTexts_data()
    {
        QTest::addColumn<qulonglong>("microseconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0ULL << "00:00:00";
        QTest::newRow("under a second") << 999999ULL << "00:00:00";
        QTest::newRow("61 s") << 61000000ULL << "00:01:01";
        QTest::newRow("59:59") << 3599999999ULL << "00:59:59";
        QTest::newRow("1 h") << 3600000000ULL << "01:00:00";
        QTest::newRow("23:59:59") << 86399000000ULL << "23:59:59";
        QTest::newRow("25 h") << 90000000000ULL << "25:00:00";
        QTest::newRow("100 h 2 min 3 s") << 360123000000ULL << "100:02:03";
    }
    void lengthTexts()
    {
        QFETCH(qulonglong, microseconds);
        QFETCH(QString, text);
        QCOMPARE(QIAnyUtil::duration2String(microseconds), text);
    }
};

QTEST_GUILESS_MAIN(FoldersTest)
#include "tst_folders.moc"
