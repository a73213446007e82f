#include "recordingtools.h"

#include "testsupport.h"

#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDomDocument>
#include <QFile>
#include <QTest>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace TestSupport {

Playback::Playback(const QString &wav, const QString &sink, const QStringList &properties)
{
    QStringList args;
    if (!sink.isEmpty())
        args << QStringLiteral("--device=") + sink;
    for (const QString &p : properties)
        args << QStringLiteral("--property=") + p;
    m_proc.start(QStringLiteral("paplay"), args << wav);
    m_started = m_proc.waitForStarted(5000);
}

Playback::~Playback()
{
    m_proc.kill();
    m_proc.waitForFinished(5000);
}

bool Playback::waitPlaying(int ms)
{
    const QByteArray ours = "application.process.id = \"" + QByteArray::number(m_proc.processId()) + '"';
    return m_started && QTest::qWaitFor([&] {
        QByteArray streams;
        return runProgram(QStringLiteral("pactl"), {QStringLiteral("list"), QStringLiteral("sink-inputs")}, 5000,
                          &streams) == 0
               && streams.contains(ours);
    }, ms);
}

bool Playback::waitEnd(int ms)
{
    return m_proc.waitForFinished(ms);
}

MprisPlayer::MprisPlayer(const QStringList &args)
{
    m_proc.start(QCoreApplication::applicationDirPath() + QStringLiteral("/mpris_standin"), args);
    m_ok = m_proc.waitForStarted(5000) && waitFor("ready")
           && (!args.contains(QStringLiteral("--play")) || waitFor("playing"));
}

MprisPlayer::~MprisPlayer()
{
    m_proc.kill();
    m_proc.waitForFinished(5000);
}

int MprisPlayer::asked()
{
    m_said += m_proc.readAllStandardOutput();
    return m_said.count("asked\n");
}

bool MprisPlayer::said(const QByteArray &line)
{
    m_said += m_proc.readAllStandardOutput();
    return m_said.contains(line + '\n');
}

bool MprisPlayer::waitFor(const QByteArray &line, int ms)
{
    const QDeadlineTimer deadline(ms);
    m_said += m_proc.readAllStandardOutput();
    while (!m_said.contains(line + '\n') && m_proc.state() == QProcess::Running && !deadline.hasExpired()
           && m_proc.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
        m_said += m_proc.readAllStandardOutput();
    return m_said.contains(line + '\n');
}

bool stopRecording(QRecordObject &recorder, QRecordObject::SourcesAfterStop sources, int ms)
{
    recorder.stopRecorder(sources);
    return QTest::qWaitFor([&] { return !recorder.isFinishing(); }, ms);
}

struct SlowFinish::State
{
    std::mutex mutex;
    std::condition_variable released;
    bool isReleased = false;
    int entered = 0;
};

SlowFinish::SlowFinish(int delayMs)
    : m_state(std::make_shared<State>())
{
    QRecordingFinisher::setBeforeFinishHook([state = m_state, delayMs] {
        std::unique_lock<std::mutex> lock(state->mutex);
        ++state->entered;
        // A finish that never waited for its owner would hang a test without the bound.
        const auto bound = std::chrono::milliseconds(delayMs >= 0 ? delayMs : 60000);
        state->released.wait_for(lock, bound, [&] { return delayMs < 0 && state->isReleased; });
    });
}

SlowFinish::~SlowFinish()
{
    release();
    QRecordingFinisher::setBeforeFinishHook(nullptr);
}

bool SlowFinish::entered() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->entered > 0;
}

void SlowFinish::release()
{
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->isReleased = true;
    }
    m_state->released.notify_all();
}

struct HeldTagWrite::State
{
    mutable std::mutex mutex;
    std::condition_variable released;
    bool isReleased = false;
    int entered = 0;
    std::thread::id writer;
    QString path;
};

HeldTagWrite::HeldTagWrite()
    : m_state(std::make_shared<State>())
{
    QRecordingFinisher::setBeforeTagsHook([state = m_state](const QString &path) {
        std::unique_lock<std::mutex> lock(state->mutex);
        ++state->entered;
        state->writer = std::this_thread::get_id();
        state->path = path;
        state->released.wait_for(lock, std::chrono::seconds(60), [&] { return state->isReleased; });
    });
}

HeldTagWrite::~HeldTagWrite()
{
    release();
    QRecordingFinisher::setBeforeTagsHook(nullptr);
}

bool HeldTagWrite::entered() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->entered > 0;
}

std::thread::id HeldTagWrite::writer() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->writer;
}

QString HeldTagWrite::path() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->path;
}

void HeldTagWrite::release()
{
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->isReleased = true;
    }
    m_state->released.notify_all();
}

QList<QDomElement> historyEntries(const QString &path)
{
    QList<QDomElement> found;
    QVideoSettingXml::waitForHistory();
    QFile file(QIAnyUtil::getAppDataPath() + QStringLiteral("/History.xml"));
    QDomDocument doc;
    if (!file.open(QIODevice::ReadOnly) || !doc.setContent(&file))
        return found;
    for (QDomElement e = doc.documentElement().firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        if (e.attribute(QStringLiteral("Converted_path_")) == path)
            found << e;
    return found;
}

} // namespace TestSupport
