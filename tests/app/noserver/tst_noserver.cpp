// The main window started while no sound server runs: the window says that
// recording is unavailable until the server is back, and Start says why;
// the log says it once however often the server is tried (less and less
// often), and once more when it is back; an exit meanwhile claims nothing
// about a device that was never loaded. Once the server is back the window
// sets the loop-back device up as at a start and records.

#include "appfixture.h"
#include "mediaprobe.h"
#include "recordingsetup.h"
#include "recordingtools.h"
#include "serverobjects.h"
#include "testsupport.h"

#include "app/mainwindow.h"
#include "app/qservernotice.h"
#include "controls/selectrecordinputwgt.h"
#include "recorder/qrecordobject.h"
#include "widgetkit/qjxbasebutton.h"
#include "ui_mainwindow.h"

#include <QLoggingCategory>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <chrono>
#include <memory>
#include <mutex>

namespace {

// Every line logged while it lives, debug lines of the recorder included.
class LoggedLines
{
public:
    LoggedLines()
    {
        s_self = this;
        QLoggingCategory::setFilterRules(QStringLiteral("velmora.recorder.debug=true"));
        m_previous = qInstallMessageHandler(keep);
    }
    ~LoggedLines()
    {
        qInstallMessageHandler(m_previous);
        QLoggingCategory::setFilterRules(QString());
        s_self = nullptr;
    }
    QStringList matching(const QString &pattern, QtMsgType type) const
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        QStringList found;
        for (const auto &line : m_lines)
            if (line.first == type && line.second.contains(QRegularExpression(pattern)))
                found << line.second;
        return found;
    }
    // Warnings and worse.
    QStringList warnings() const
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        QStringList found;
        for (const auto &line : m_lines)
            if (line.first != QtDebugMsg && line.first != QtInfoMsg)
                found << line.second;
        return found;
    }
    void clear()
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_lines.clear();
    }

private:
    static void keep(QtMsgType type, const QMessageLogContext &context, const QString &text)
    {
        if (LoggedLines *self = s_self) {
            std::lock_guard<std::mutex> guard(self->m_mutex);
            self->m_lines.append({type, QString::fromLatin1(context.category) + QLatin1String(": ") + text});
        }
    }
    static LoggedLines *s_self;
    QtMessageHandler m_previous = nullptr;
    mutable std::mutex m_mutex;
    QList<QPair<QtMsgType, QString>> m_lines;
};

LoggedLines *LoggedLines::s_self = nullptr;

const QString kTries = QStringLiteral("sound server: not reachable, next try in (\\d+) ms");

} // namespace

class TestNoServer : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void startedWithoutAServer_data();
    void startedWithoutAServer();

private:
    QTemporaryDir m_dir;
    QString m_tone;
};

void TestNoServer::initTestCase()
{
    m_tone = m_dir.filePath("tone.wav");
    QVERIFY(TestSupport::writeToneWav(m_tone, 440, 8.0));
    AppFixture::useWavFormat();
    TestSupport::useSources(true, false);
}

void TestNoServer::startedWithoutAServer_data()
{
    QTest::addColumn<bool>("serverComesBack");
    QTest::newRow("the server never comes") << false;
    QTest::newRow("a server starts later") << true;
}

void TestNoServer::startedWithoutAServer()
{
    QFETCH(bool, serverComesBack);
    QVERIFY(TestSupport::controlSoundServer(QStringLiteral("stop")));
    // The tests after this one, and the check of what is left loaded, need the server.
    bool running = false;
    auto restart = qScopeGuard([&running] {
        if (!running)
            TestSupport::controlSoundServer(QStringLiteral("start"));
    });

    auto logged = std::make_unique<LoggedLines>();
    auto window = std::make_unique<MainWindow>();
    window->SetOutPath(m_dir.filePath(QTest::currentDataTag()));
    window->resize(841, 498);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QTRY_VERIFY(window->serverNotice() && window->serverNotice()->isVisible());
    QVERIFY(!window->inputSelector()->serverReachable());
    QVERIFY(window->serverNotice()->text().contains("recording is unavailable until it is back"));
    // The notice holds its whole text in the band it covers.
    const QRect needed = window->serverNotice()->fontMetrics().boundingRect(
        window->serverNotice()->contentsRect(), Qt::AlignCenter | Qt::TextWordWrap,
        window->serverNotice()->text());
    QVERIFY(window->serverNotice()->contentsRect().contains(needed));
    QVERIFY(!TestSupport::saveScreenshot(window.get(), "app_noserver_notice").isEmpty());

    // Tried again and again, each time later than the last, and said once.
    QTRY_VERIFY_WITH_TIMEOUT(logged->matching(kTries, QtDebugMsg).size() >= 4, 15000);
    QList<int> waits;
    for (const QString &line : logged->matching(kTries, QtDebugMsg))
        waits << QRegularExpression(kTries).match(line).captured(1).toInt();
    for (int i = 1; i < waits.size(); ++i)
        QVERIFY2(waits.at(i) >= waits.at(i - 1) && waits.at(i) > waits.first(),
                 qPrintable(logged->matching(kTries, QtDebugMsg).join('\n')));
    QCOMPARE(
        logged->warnings(),
        QStringList("velmora.recorder: sound server: cannot be reached (Cannot connect to the sound server: "
                    "Connection refused); recording is unavailable until it is back"));

    if (!serverComesBack) {
        // Start tries the server itself and says why it cannot record.
        AppFixture::ModalCloser closer;
        QTest::mouseClick(window->form()->m_btnStartRecord, Qt::LeftButton);
        QTRY_COMPARE(closer.messages.size(), 1);
        QVERIFY2(closer.messages.first().startsWith("Recording failed!\n"),
                 qPrintable(closer.messages.first()));
        QVERIFY(!window->isRecording());
        QVERIFY(window->serverNotice()->isVisible());
        logged->clear();
        window.reset();
        // Nothing of the program was ever on a server: nothing to give back, nothing to claim.
        QCOMPARE(logged->warnings(), QStringList());
        return;
    }

    running = TestSupport::controlSoundServer(QStringLiteral("start"));
    QVERIFY(running);
    QTRY_VERIFY_WITH_TIMEOUT(!window->serverNotice()->isVisible(), 15000);
    QCOMPARE(logged->matching("sound server: reachable again", QtInfoMsg).size(), 1);
    // Set up as at a start: the device is the default output.
    QCOMPARE(TestSupport::serverDefaultBecomes("rzaudio_device", 15000), QByteArray("rzaudio_device"));
    QCOMPARE(logged->warnings().size(), 1);

    // The tone is on the new device before Start: a stream listed by the
    // server may still be on its way there, and the recording's first part
    // would be silent.
    TestSupport::Playback play(m_tone);
    TestSupport::SourceWitness server(AppFixture::deviceMonitor());
    QVERIFY(play.waitPlaying() && server.listening() && MediaProbe::waitHeard(server, 0.3));
    const auto started = std::chrono::steady_clock::now();
    QTest::mouseClick(window->form()->m_btnStartRecord, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(window->recordObject() && window->recordObject()->recordedTime() >= 1000000,
                             15000);
    const QString path = window->recordObject()->outputPath();
    const auto stopped = std::chrono::steady_clock::now();
    QTest::mouseClick(window->form()->m_btnStopRecord, Qt::LeftButton);
    QVERIFY(AppFixture::recordingStored(*window));
    const MediaProbe::Decoded decoded = MediaProbe::decode(path);
    QVERIFY2(decoded.seconds() >= 0.9, qPrintable(QString::number(decoded.seconds())));
    const QString holds = MediaProbe::holdsTheTone(decoded, server.breaks(440, started, stopped));
    QVERIFY2(holds.isEmpty(), qPrintable(holds));
    QCOMPARE(TestSupport::historyEntries(path).size(), 1);

    window.reset();
    QCOMPARE(TestSupport::serverDefault(), QByteArray("system_sound"));
    QCOMPARE(TestSupport::sinksNamed("rzaudio_device"), 0);
    QCOMPARE(logged->warnings().size(), 1);
}

QTEST_MAIN(TestNoServer)
#include "tst_noserver.moc"
