// Interface utilities: size texts, window flags, and revealing a file in the
// file manager through a stand-in FileManager1 service on a private bus.

#include "widgetkit/views/qfilereveal.h"
#include "widgetkit/views/qjxcommonplatfromapi.h"
#include "widgetkit/views/quianyutiliy.h"
#include "widgetkit/views/vecommonclass.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusError>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

namespace {
// Answers ShowItems as a file manager would, on a connection of its own, and
// records what it was asked to show.
class StandInFileManager : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    bool failCalls = false;
    QList<QStringList> shown;
    QStringList startupIds;

public slots:
    void ShowItems(const QStringList &uris, const QString &startupId)
    {
        if (failCalls) {
            sendErrorReply(QDBusError::Failed, QStringLiteral("cannot show"));
            return;
        }
        shown << uris;
        startupIds << startupId;
    }
};

// Receives what the desktop services would open.
class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void openUrl(const QUrl &url) { opened << url; }
};
} // namespace

class TestPlatform : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void sizeTexts_data();
    void sizeTexts();
    void scaleIsOne();
    void resourceFolderIsTheProgramOne();
    void pathsAreNormalised();
    void revealGoesToTheFileManager();
    void revealWithBackSlashesAndDoubleSlashes();
    void revealFallsBackToTheFolder();
    void revealFallsBackWhenTheFileManagerFails();
    void clickThroughAndOnTop();

private:
    bool registerStandIn();

    QDBusConnection m_standInBus{QString()};
    StandInFileManager m_fileManager;
    UrlRecorder m_urls;
    QTemporaryDir m_dir;
};

void TestPlatform::initTestCase()
{
    QVERIFY2(QDBusConnection::sessionBus().isConnected(), "the test needs a private session bus");
    m_standInBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "standin");
    QVERIFY(m_standInBus.isConnected());
    QVERIFY(m_standInBus.registerObject("/org/freedesktop/FileManager1", &m_fileManager,
                                        QDBusConnection::ExportAllSlots));
    QDesktopServices::setUrlHandler("file", &m_urls, "openUrl");
    QVERIFY(m_dir.isValid());
}

bool TestPlatform::registerStandIn()
{
    return m_standInBus.registerService("org.freedesktop.FileManager1");
}

void TestPlatform::cleanup()
{
    m_standInBus.unregisterService("org.freedesktop.FileManager1");
    m_fileManager.failCalls = false;
    m_fileManager.shown.clear();
    m_fileManager.startupIds.clear();
    m_urls.opened.clear();
}

void TestPlatform::sizeTexts_data()
{
    QTest::addColumn<qulonglong>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0ULL << "0 B";
    QTest::newRow("1023") << 1023ULL << "1023 B";
    QTest::newRow("1024") << 1024ULL << "1.00 KB";
    QTest::newRow("1536") << 1536ULL << "1.50 KB";
    QTest::newRow("just below a MB") << 1048575ULL << "1024.00 KB";
    QTest::newRow("1 MB") << 1048576ULL << "1.00 MB";
    QTest::newRow("1 GB") << 1073741824ULL << "1.00 GB";
    QTest::newRow("2.5 GB") << 2684354560ULL << "2.50 GB";
    QTest::newRow("1 T") << 1099511627776ULL << "1.00 T";
    QTest::newRow("2048 T") << 2251799813685248ULL << "2048.00 T";
}

void TestPlatform::sizeTexts()
{
    QFETCH(qulonglong, bytes);
    QFETCH(QString, text);
    QCOMPARE(QUiAnyUtiliy::converSize(bytes), text);
}

void TestPlatform::scaleIsOne()
{
    QUiAnyUtiliy::QDpiScaleInit();
    QCOMPARE(QUiAnyUtiliy::getDpiScale(), 1.0f);
}

void TestPlatform::resourceFolderIsTheProgramOne()
{
    // The test runner points the resources at the build's folder.
    const QString expected = QDir(qEnvironmentVariable("VELMORA_RESOURCES")).absolutePath();
    QVERIFY(!expected.isEmpty());
    QCOMPARE(QDir(QUiAnyUtiliy::getResourcePath()).absolutePath(), expected);
    QVERIFY(!QUiAnyUtiliy::getResourcePath().endsWith('/'));
}

void TestPlatform::pathsAreNormalised()
{
    // A back-slash is part of a file name, never a separator.
    QCOMPARE(QFileReveal::normalisedPath("/music/a\\b.mp3"), QString("/music/a\\b.mp3"));
    QCOMPARE(QFileReveal::normalisedPath("/home//me///x.wav"), QString("/home/me/x.wav"));
    QCOMPARE(QFileReveal::normalisedPath("/plain/path.wav"), QString("/plain/path.wav"));
}

void TestPlatform::revealGoesToTheFileManager()
{
    QVERIFY(registerStandIn());
    const QString file = m_dir.filePath("REC_20261207 (1).mp3");
    QFile touch(file);
    QVERIFY(touch.open(QIODevice::WriteOnly));
    touch.close();

    VECommonClass::setOpenFinder(file);
    QTRY_COMPARE(m_fileManager.shown.size(), 1);
    QCOMPARE(m_fileManager.shown.first(), QStringList{QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded)});
    QCOMPARE(QUrl(m_fileManager.shown.first().first()).toLocalFile(), file);

    QJXCommonPlatfromApi::showFileInFolder(file.toStdString());
    QTRY_COMPARE(m_fileManager.shown.size(), 2);
    QCOMPARE(m_fileManager.shown.at(1), m_fileManager.shown.at(0));
    // The file manager answers in order: once a later call to it is answered,
    // the answers to both reveals have been handled, and neither fell back.
    QDBusPendingCallWatcher later(QDBusConnection::sessionBus().asyncCall(QDBusMessage::createMethodCall(
        "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1", "org.freedesktop.DBus.Peer", "Ping")));
    QSignalSpy answered(&later, &QDBusPendingCallWatcher::finished);
    QVERIFY(answered.wait());
    QVERIFY(!later.isError());
    QVERIFY(m_urls.opened.isEmpty());
}

void TestPlatform::revealWithBackSlashesAndDoubleSlashes()
{
    QVERIFY(registerStandIn());
    QVERIFY(QDir(m_dir.path()).mkpath("sub"));
    // The back-slash belongs to the file's name; only the doubled "/" goes.
    const QString expected = m_dir.path() + "/sub/a\\take.wav";
    QString written = m_dir.path() + "//sub///a\\take.wav";
    VECommonClass::setOpenFinder(written);
    QTRY_COMPARE(m_fileManager.shown.size(), 1);
    QCOMPARE(QUrl(m_fileManager.shown.first().first()).toLocalFile(), expected);
}

void TestPlatform::revealFallsBackToTheFolder()
{
    // No service owns the name: the folder is opened instead.
    QVERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(
        "org.freedesktop.FileManager1"));
    const QString file = m_dir.filePath("gone.wav");
    VECommonClass::setOpenFinder(file);
    QTRY_COMPARE(m_urls.opened.size(), 1);
    QCOMPARE(m_urls.opened.first(), QUrl::fromLocalFile(m_dir.path()));
    QVERIFY(m_fileManager.shown.isEmpty());
}

void TestPlatform::revealFallsBackWhenTheFileManagerFails()
{
    QVERIFY(registerStandIn());
    m_fileManager.failCalls = true;
    QJXCommonPlatfromApi::showFileInFolder(m_dir.filePath("a.wav").toStdString());
    QTRY_COMPARE(m_urls.opened.size(), 1);
    QCOMPARE(m_urls.opened.first(), QUrl::fromLocalFile(m_dir.path()));
}

void TestPlatform::clickThroughAndOnTop()
{
    QJXCommonPlatfromApi::setWindowsIgnoresMouse(nullptr);
    VECommonClass::setWindowTopHint(nullptr);

    QWidget overlay;
    QWidget *child = new QWidget(&overlay);
    overlay.show();
    QVERIFY(QTest::qWaitForWindowExposed(&overlay));
    QJXCommonPlatfromApi::setWindowsIgnoresMouse(child);
    QVERIFY(overlay.windowFlags() & Qt::WindowTransparentForInput);
    QVERIFY(overlay.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(overlay.isVisible());
    QVERIFY(overlay.windowHandle()->flags() & Qt::WindowTransparentForInput);

    QWidget dialog;
    VECommonClass::setWindowTopHint(&dialog);
    QVERIFY(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(!(dialog.windowFlags() & Qt::WindowTransparentForInput));
    QVERIFY(!dialog.isVisible()); // a hidden window is not shown by it
}

QTEST_MAIN(TestPlatform)
#include "tst_platform.moc"
