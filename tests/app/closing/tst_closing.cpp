#include "appfixture.h"
#include "mediaprobe.h"
#include "recordingtools.h"
#include "testsupport.h"

#include "app/mainwindow.h"
#include "app/qaboutdlg.h"
#include "app/qinfofilewrite.h"
#include "app/qpreferencesdlg.h"
#include "app/qshowclosedlg.h"
#include "app/qterminationwatcher.h"
#include "common/jxcommoninterface.h"
#include "common/qconverteroperate.h"
#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"
#include "controls/selectrecordinputwgt.h"
#include "platform/audio/loopbackdevice.h"
#include "recorder/qrecordobject.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxcheckbox.h"
#include "widgetkit/qjxmessagebox.h"
#include "widgetkit/qjxradiobutton.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <csignal>
#include <memory>

using namespace AppFixture;
using TestSupport::historyEntries;
using TestSupport::Playback;

namespace {

const QString kMissing = QStringLiteral("<missing>");

QString stored(const QString &group, const QString &key)
{
    return QVideoSettingXml::GetItemValue(group, key, kMissing);
}

void store(const QString &group, const QString &key, const QString &value)
{
    QVideoSettingXml::SetItemValue(group, key, value);
}

} // namespace

// Records the addresses the program asks the desktop to open.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened << url; }
};

class TestClosing : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void menuHoldsEveryCommand();
    void preferencesAndAboutFromTheMenu();
    void promptAnswers_data();
    void promptAnswers();
    void storedChoiceActsWithoutPrompt_data();
    void storedChoiceActsWithoutPrompt();
    void exitWhileRecordingKeepsTheRecording_data();
    void exitWhileRecordingKeepsTheRecording();
    void startUpWritesTheInformationFileAndLogPath();

private:
    QTemporaryDir m_dir;
    QString m_tone;
    UrlCatcher m_urls;
    std::unique_ptr<MainWindow> m_window;
};

void TestClosing::initTestCase()
{
    m_tone = m_dir.filePath("tone.wav");
    QVERIFY(TestSupport::writeToneWav(m_tone, 440, 8.0));
    QDesktopServices::setUrlHandler("https", &m_urls, "open");
}

void TestClosing::init()
{
    QFile::remove(QIAnyUtil::getAppDataPath() + "/AudioDefaultSetting.xml");
    m_window = std::make_unique<MainWindow>();
    useWavFormat();
    m_window->SetOutPath(m_dir.filePath(QTest::currentTestFunction()));
    m_window->resize(841, 498);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QVERIFY(AppFixture::windowReady(*m_window));
}

void TestClosing::cleanup()
{
    m_window.reset();
}

void TestClosing::menuHoldsEveryCommand()
{
    QMenuBar *bar = m_window->helpMenuBar();
    QVERIFY(bar && bar->isVisible());
    const QList<QAction *> menus = bar->actions();
    QCOMPARE(menus.size(), 1);
    QCOMPARE(menus.first()->text(), QString("Help"));
    QStringList texts;
    for (QAction *action : menus.first()->menu()->actions())
        texts << (action->isSeparator() ? QString("-") : action->text());
    QCOMPARE(texts, (QStringList{"Preferences", "About", "Help", "Home", "-", "Check for Updates"}));
    QVERIFY(!TestSupport::saveScreenshot(m_window.get(), "main-window-menu").isEmpty());

    m_urls.opened.clear();
    menus.first()->menu()->actions().at(2)->trigger();
    menus.first()->menu()->actions().at(3)->trigger();
    QCOMPARE(m_urls.opened.size(), 2);
    QCOMPARE(m_urls.opened.at(0).path(), QString("/api/product/redirect"));
    QCOMPARE(m_urls.opened.at(0).query(), QString("pid=2604&page_type=help"));
    QCOMPARE(m_urls.opened.at(1).host(), m_urls.opened.at(0).host());

    // No update service here: the user is told so.
    QString told;
    onModal<QJXMessageBox>([&told](QJXMessageBox &box) {
        told = box.getMessage();
        box.reject();
    });
    menus.first()->menu()->actions().at(5)->trigger();
    QCOMPARE(told, QString("No update service is configured on this system."));
}

void TestClosing::preferencesAndAboutFromTheMenu()
{
    const QString before = QConverterOperate::getConverterPath();
    // Cancel: the output folder is stored again, unchanged.
    onModal<QPreferencesDlg>([](QPreferencesDlg &dialog) { dialog.cancelButton()->click(); });
    m_window->ActOnPreferDlg();
    QCOMPARE(stored("OutPut_path", "path_value"), before);
    QCOMPARE(stored("UPDATES_ITEM", "bIsAutoUpdate"), kMissing);

    // Automatic updates switched on reach the update layer once.
    JxCommonInterface::setAutoCheckUpdate(false);
    onModal<QPreferencesDlg>([](QPreferencesDlg &dialog) {
        dialog.findChildren<QJXRadioButton *>().first()->click();
        dialog.okButton()->click();
    });
    m_window->ActOnPreferDlg();
    QCOMPARE(stored("UPDATES_ITEM", "bIsAutoUpdate"), QString("Y"));
    QVERIFY(JxCommonInterface::autoCheckUpdate());

    QString version;
    onModal<QAboutDlg>([&version](QAboutDlg &dialog) {
        version = dialog.versionLabel()->text();
        dialog.close();
    });
    m_window->ActOnAbout();
    QCOMPARE(version, "Version " + JxCommonInterface::getAppVersion());
}

void TestClosing::promptAnswers_data()
{
    QTest::addColumn<bool>("accept");
    QTest::addColumn<bool>("exit");
    QTest::addColumn<bool>("noShow");
    QTest::newRow("closed") << false << true << false;
    QTest::newRow("minimise") << true << false << false;
    QTest::newRow("minimise, don't ask again") << true << false << true;
    QTest::newRow("exit, don't ask again") << true << true << true;
}

void TestClosing::promptAnswers()
{
    QFETCH(bool, accept);
    QFETCH(bool, exit);
    QFETCH(bool, noShow);
    onModal<QShowCloseDlg>([=](QShowCloseDlg &prompt) {
        QVERIFY(prompt.isCloseDlg()); // no stored choice: exit
        if (!exit)
            prompt.minimiseChoice()->click();
        if (noShow)
            prompt.noShowBox()->click();
        if (accept)
            prompt.okButton()->click();
        else
            prompt.closeButton()->click();
    });
    QTest::mouseClick(m_window->form()->m_btnClose, Qt::LeftButton);

    if (!accept) {
        QVERIFY(m_window->isVisible() && !m_window->isMinimized());
        QCOMPARE(stored("REMIND_ITEM", "isShowRemind"), kMissing);
        QCOMPARE(stored("CLOSE_ITEM", "bIsCloseDlg"), kMissing);
        return;
    }
    QCOMPARE(stored("REMIND_ITEM", "isShowRemind"), noShow ? QString("N") : kMissing);
    QCOMPARE(stored("CLOSE_ITEM", "bIsCloseDlg"), exit ? QString("Y") : QString("N"));
    if (exit) {
        QTRY_VERIFY(!m_window->isVisible());
        return;
    }
    QTRY_VERIFY(m_window->isMinimized());
    if (noShow) {
        // Asked no more: the next click minimises at once.
        m_window->showNormal();
        QTRY_VERIFY(!m_window->isMinimized());
        QTest::mouseClick(m_window->form()->m_btnClose, Qt::LeftButton);
        QVERIFY(!QApplication::activeModalWidget());
        QTRY_VERIFY(m_window->isMinimized());
    }
}

void TestClosing::storedChoiceActsWithoutPrompt_data()
{
    QTest::addColumn<QString>("close");
    QTest::addColumn<bool>("exit");
    QTest::newRow("exit") << "Y" << true;
    QTest::newRow("minimise") << "N" << false;
    QTest::newRow("lower-case y minimises") << "y" << false;
}

void TestClosing::storedChoiceActsWithoutPrompt()
{
    QFETCH(QString, close);
    QFETCH(bool, exit);
    store("REMIND_ITEM", "isShowRemind", "N");
    store("CLOSE_ITEM", "bIsCloseDlg", close);
    QTest::mouseClick(m_window->form()->m_btnClose, Qt::LeftButton);
    QVERIFY(!QApplication::activeModalWidget());
    if (exit) {
        // The window fades out first, then closes.
        QVERIFY(m_window->isVisible());
        QTRY_VERIFY(m_window->windowOpacity() < 1.0);
        QTRY_VERIFY(!m_window->isVisible());
    } else {
        QTRY_VERIFY(m_window->isMinimized());
        QVERIFY(m_window->isVisible());
    }
}

void TestClosing::exitWhileRecordingKeepsTheRecording_data()
{
    QTest::addColumn<QString>("road");
    QTest::newRow("exit chosen in the prompt") << "prompt";
    QTest::newRow("exit by the stored choice") << "stored";
    QTest::newRow("SIGTERM from the session") << "sigterm";
    QTest::newRow("SIGHUP of a closed terminal") << "sighup";
}

void TestClosing::exitWhileRecordingKeepsTheRecording()
{
    QFETCH(QString, road);
    if (road == "stored") {
        store("REMIND_ITEM", "isShowRemind", "N");
        store("CLOSE_ITEM", "bIsCloseDlg", "Y");
    }
    // Wired as the program wires it.
    QTerminationWatcher termination;
    connect(&termination, &QTerminationWatcher::terminationRequested, m_window.get(),
            &MainWindow::OnTerminationRequested);
    QSignalSpy requested(&termination, &QTerminationWatcher::terminationRequested);

    Playback play(m_tone);
    // Recording starts once another listener of the device hears the tone,
    // and the file is judged by what that listener heard of the server.
    TestSupport::SourceWitness server(LoopbackDevice::instance()->sinkName() + ".monitor");
    QVERIFY(play.waitPlaying() && server.listening() && MediaProbe::waitHeard(server, 0.3));
    const auto started = std::chrono::steady_clock::now();
    QTest::mouseClick(m_window->form()->m_btnStartRecord, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(m_window->recordObject() && m_window->recordObject()->recordedTime() >= 1000000, 30000);
    const QString path = m_window->recordObject()->outputPath();

    if (road == "prompt")
        onModal<QShowCloseDlg>([](QShowCloseDlg &dialog) { dialog.okButton()->click(); });
    if (road == "sigterm" || road == "sighup") {
        const int sig = road == "sigterm" ? SIGTERM : SIGHUP;
        QVERIFY(::raise(sig) == 0);
        QTRY_COMPARE(requested.count(), 1);
        QCOMPARE(requested.at(0).at(0).toInt(), sig);
    } else {
        QTest::mouseClick(m_window->form()->m_btnClose, Qt::LeftButton);
    }
    QTRY_VERIFY(!m_window->isVisible());
    QVERIFY(!m_window->isRecording());
    const int serverBreaks = server.breaks(440, started, std::chrono::steady_clock::now());

    const MediaProbe::Decoded decoded = MediaProbe::decode(path);
    QVERIFY2(decoded.seconds() >= 0.9, qPrintable(QString::number(decoded.seconds())));
    const QString holds = MediaProbe::holdsTheTone(decoded, serverBreaks);
    QVERIFY2(holds.isEmpty(), qPrintable(holds));
    QCOMPARE(historyEntries(path).size(), 1);
}

void TestClosing::startUpWritesTheInformationFileAndLogPath()
{
    QCOMPARE(QConverterOperate::getLogFilePath(), QIAnyUtil::getAppDataPath() + "/log.txt");
    // Written on a worker as the window is built.
    QTRY_VERIFY(m_window->infoFileWrite()->isFinished());
    QVERIFY(QFile::exists(JxCommonInterface::getAppInfoFile()));
    QVERIFY(!JxCommonInterface::isNeedInitInfoFile());
}

QTEST_MAIN(TestClosing)
#include "tst_closing.moc"
