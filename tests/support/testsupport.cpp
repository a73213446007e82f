#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPaintEngine>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <QtEndian>
#include <algorithm>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstring>

#include <sys/resource.h>

namespace TestSupport {

QString screenshotDir()
{
    QString dir = qEnvironmentVariable("VELMORA_SCREENSHOT_DIR");
    if (dir.isEmpty())
        dir = QDir::currentPath() + QStringLiteral("/screenshots");
    QDir().mkpath(dir);
    return dir;
}

namespace {

// A paint engine that keeps the texts it is asked to draw and draws nothing.
class RecordingEngine : public QPaintEngine
{
public:
    RecordingEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}
    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState &) override {}
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
    void drawImage(const QRectF &, const QImage &, const QRectF &, Qt::ImageConversionFlags) override {}
    void drawTiledPixmap(const QRectF &, const QPixmap &, const QPointF &) override {}
    void drawPolygon(const QPointF *, int, PolygonDrawMode) override {}
    void drawPolygon(const QPoint *, int, PolygonDrawMode) override {}
    void drawPath(const QPainterPath &) override {}
    void drawRects(const QRectF *, int) override {}
    void drawRects(const QRect *, int) override {}
    void drawLines(const QLineF *, int) override {}
    void drawLines(const QLine *, int) override {}
    void drawEllipse(const QRectF &) override {}
    void drawPoints(const QPointF *, int) override {}
    void drawTextItem(const QPointF &, const QTextItem &item) override { texts << item.text(); }
    Type type() const override { return QPaintEngine::User; }
    QStringList texts;
};

class RecordingDevice : public QPaintDevice
{
public:
    explicit RecordingDevice(QSize size) : m_size(size) {}
    ~RecordingDevice() override = default;
    QPaintEngine *paintEngine() const override { return &m_engine; }
    QStringList texts() const { return m_engine.texts; }

protected:
    int metric(PaintDeviceMetric m) const override
    {
        const int dpi = qRound(QGuiApplication::primaryScreen()->logicalDotsPerInch());
        switch (m) {
        case PdmWidth: return m_size.width();
        case PdmHeight: return m_size.height();
        case PdmWidthMM: return m_size.width() * 254 / (10 * dpi);
        case PdmHeightMM: return m_size.height() * 254 / (10 * dpi);
        case PdmNumColors: return INT_MAX;
        case PdmDepth: return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY: return dpi;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
        }
        return 0;
    }

private:
    QSize m_size;
    mutable RecordingEngine m_engine;
};

} // namespace

QStringList drawnTexts(QWidget *widget)
{
    RecordingDevice device(widget->size());
    widget->render(&device);
    return device.texts();
}

QString saveScreenshot(QWidget *widget, const QString &name)
{
    // A screenshot that was not written fails the test that asked for it.
    if (!widget) {
        QTest::qFail("screenshot of a null widget", __FILE__, __LINE__);
        return QString();
    }
    const QString path = screenshotDir() + QLatin1Char('/') + name + QStringLiteral(".png");
    if (!widget->grab().save(path, "PNG")) {
        QTest::qFail(qPrintable(QStringLiteral("screenshot not written: ") + path), __FILE__, __LINE__);
        return QString();
    }
    return path;
}

QImage screenOf(QWidget *widget)
{
    QScreen *screen = widget->screen();
    return screen ? screen->grabWindow(widget->window()->winId()).toImage() : QImage();
}

bool glStackLoaded()
{
    const QByteArray maps = readBytes(QStringLiteral("/proc/self/maps"));
    return maps.contains("xcbglintegrations/") || maps.contains("libGLX_mesa") || maps.contains("_dri.so")
           || maps.contains("libEGL_mesa");
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList treeOf(const QString &root)
{
    QStringList names;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        names << QDir(root).relativeFilePath(it.next());
    names.sort();
    return names;
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

qint64 bytesWritten()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : io.readAll().split('\n'))
        if (line.startsWith("wchar:"))
            return line.mid(6).trimmed().toLongLong();
    return -1;
}

void usePrivateHome(const QString &home)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("HOME", QFile::encodeName(home));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home + QStringLiteral("/data")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home + QStringLiteral("/config")));
}

QVector<float> sineTone(double frequency, double seconds, int sampleRate, int channels,
                        double amplitude)
{
    const int frames = int(std::lround(seconds * sampleRate));
    QVector<float> out(frames * channels);
    for (int i = 0; i < frames; ++i) {
        const float v = float(amplitude * std::sin(2.0 * M_PI * frequency * i / sampleRate));
        for (int c = 0; c < channels; ++c)
            out[i * channels + c] = v;
    }
    return out;
}

QVector<float> steppedTone(const QVector<double> &steps, int seconds, int sampleRate,
                           int channels, double amplitude)
{
    QVector<float> out;
    out.reserve(seconds * sampleRate * channels);
    for (int s = 0; s < seconds; ++s)
        out += sineTone(steps.at(s % steps.size()), 1.0, sampleRate, channels, amplitude);
    return out;
}

static void putLe32(QByteArray &b, quint32 v)
{
    char d[4];
    qToLittleEndian(v, d);
    b.append(d, 4);
}

static void putLe16(QByteArray &b, quint16 v)
{
    char d[2];
    qToLittleEndian(v, d);
    b.append(d, 2);
}

bool writeToneWav(const QString &path, double frequency, double seconds, int sampleRate,
                  int channels, double amplitude)
{
    return writeWav(path, sineTone(frequency, seconds, sampleRate, channels, amplitude), sampleRate, channels);
}

bool writeWav(const QString &path, const QVector<float> &samples, int sampleRate, int channels)
{
    const quint32 dataBytes = quint32(samples.size() * 2);
    QByteArray b;
    b.append("RIFF");
    putLe32(b, 36 + dataBytes);
    b.append("WAVEfmt ");
    putLe32(b, 16);
    putLe16(b, 1);
    putLe16(b, quint16(channels));
    putLe32(b, quint32(sampleRate));
    putLe32(b, quint32(sampleRate * channels * 2));
    putLe16(b, quint16(channels * 2));
    putLe16(b, 16);
    b.append("data");
    putLe32(b, dataBytes);
    for (float s : samples)
        putLe16(b, quint16(qint16(std::lround(s * 32767.0f))));
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(b) == b.size();
}

double goertzelPower(const float *samples, int count, double frequency, int sampleRate)
{
    if (count <= 0)
        return 0.0;
    const double coeff = 2.0 * std::cos(2.0 * M_PI * frequency / sampleRate);
    double s1 = 0.0, s2 = 0.0;
    for (int i = 0; i < count; ++i) {
        const double s0 = samples[i] + coeff * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double power = s1 * s1 + s2 * s2 - coeff * s1 * s2;
    return power / (double(count) * count);
}

double goertzelPowerInterleaved(const QVector<float> &samples, int channels, double frequency,
                                int sampleRate)
{
    QVector<float> mono(samples.size() / qMax(1, channels));
    for (int i = 0; i < mono.size(); ++i)
        mono[i] = samples[i * channels];
    return goertzelPower(mono.constData(), mono.size(), frequency, sampleRate);
}

double rms(const float *samples, int count)
{
    if (count <= 0)
        return 0.0;
    double sum = 0.0;
    for (int i = 0; i < count; ++i)
        sum += double(samples[i]) * samples[i];
    return std::sqrt(sum / count);
}

double sinceStart(const QElapsedTimer &timer)
{
    return timer.elapsed() / 1000.0;
}

int runProgram(const QString &program, const QStringList &args, int timeoutMs, QByteArray *output)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForStarted(10000))
        return -1;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(2000);
        return -1;
    }
    if (output)
        *output = p.readAll();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

bool soundServerIsPipeWire()
{
    return qEnvironmentVariable("VELMORA_SOUND_SERVER") == QLatin1String("pipewire");
}

int sineBreaks(const float *samples, int count, int stride, double frequency, int sampleRate,
               double tolerance)
{
    const double c = 2.0 * std::cos(2.0 * M_PI * frequency / sampleRate);
    int breaks = 0;
    for (int n = 2 * stride; n < count; n += stride) {
        const double r = samples[n] - c * samples[n - stride] + samples[n - 2 * stride];
        if (std::fabs(r) > tolerance)
            ++breaks;
    }
    return breaks;
}

QVector<int> sineBreakPlaces(const float *samples, int count, int stride, double frequency, int sampleRate,
                             double tolerance)
{
    const double c = 2.0 * std::cos(2.0 * M_PI * frequency / sampleRate);
    QVector<int> places;
    int last = -1;
    for (int n = 2 * stride; n < count; n += stride) {
        const double r = samples[n] - c * samples[n - stride] + samples[n - 2 * stride];
        if (std::fabs(r) <= tolerance)
            continue;
        // The three samples of the recurrence all see one step: a run closer
        // than a few samples is the same break.
        if (last < 0 || n - last > 10 * stride)
            places << n;
        last = n;
    }
    return places;
}

SourceWitness::SourceWitness(const QByteArray &source)
    : m_path(m_dir.filePath(QStringLiteral("heard.raw")))
{
    m_proc.setStandardOutputFile(m_path);
    m_proc.start(QStringLiteral("parec"),
                 {QStringLiteral("--device=") + QString::fromUtf8(source),
                  QStringLiteral("--format=float32le"), QStringLiteral("--rate=44100"),
                  QStringLiteral("--channels=2"), QStringLiteral("--latency-msec=20")});
}

SourceWitness::~SourceWitness()
{
    m_proc.kill();
    m_proc.waitForFinished(5000);
}

bool SourceWitness::listening(int ms)
{
    if (!m_proc.waitForStarted(ms) || !QTest::qWaitFor([this] { return QFileInfo(m_path).size() >= 4096; }, ms))
        return false;
    const double heard = double(QFileInfo(m_path).size()) / (2 * sizeof(float)) / 44100;
    m_firstSample = std::chrono::steady_clock::now()
                    - std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                        std::chrono::duration<double>(heard));
    return true;
}

QVector<float> SourceWitness::heard() const
{
    const QByteArray raw = readBytes(m_path);
    QVector<float> samples(raw.size() / int(2 * sizeof(float)) * 2);
    std::memcpy(samples.data(), raw.constData(), size_t(samples.size()) * sizeof(float));
    return samples;
}

qint64 SourceWitness::framesHeard() const
{
    return QFileInfo(m_path).size() / qint64(2 * sizeof(float));
}

int SourceWitness::breaks(double frequency, Moment from, Moment to)
{
    m_proc.terminate();
    m_proc.waitForFinished(5000);
    const QByteArray raw = readBytes(m_path);
    const auto frameAt = [this, &raw](Moment m) {
        const double s = std::chrono::duration<double>(m - m_firstSample).count();
        return std::clamp(int(s * 44100), 0, int(raw.size() / int(2 * sizeof(float))));
    };
    const int first = frameAt(from - std::chrono::milliseconds(100));
    const int end = frameAt(to + std::chrono::milliseconds(100));
    const float *samples = reinterpret_cast<const float *>(raw.constData()) + 2 * first;
    const int count = 2 * (end - first);
    if (std::none_of(samples, samples + count, [](float v) { return std::fabs(v) > 0.05f; }))
        return -1;
    // PipeWire's resampling bends a sine by up to about 0.002 under load.
    return sineBreakPlaces(samples, count, 2, frequency, 44100, 5e-3).size();
}

bool controlSoundServer(const QString &command)
{
    const QString fixture = qEnvironmentVariable("VELMORA_SOURCE_DIR") + QLatin1String("/tests/support/pulse-fixture.sh");
    const QString dir = QFileInfo(qEnvironmentVariable("PULSE_RUNTIME_PATH")).path();
    QByteArray said;
    if (runProgram(fixture, {command, dir}, 60000, &said) == 0)
        return true;
    // Why the server did not start or stop, for a failure that does not come again.
    qWarning("sound fixture %s failed: %s", qPrintable(command), said.constData());
    return false;
}

qint64 soundServerProcess(const QString &name)
{
    const QString dir = QFileInfo(qEnvironmentVariable("PULSE_RUNTIME_PATH")).path();
    QFile pids(dir + QLatin1String("/pids"));
    if (!pids.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : pids.readAll().split('\n')) {
        const QByteArray pid = line.trimmed();
        QFile comm(QLatin1String("/proc/") + QString::fromLatin1(pid) + QLatin1String("/comm"));
        if (!pid.isEmpty() && comm.open(QIODevice::ReadOnly) && QString::fromUtf8(comm.readAll().trimmed()) == name)
            return pid.toLongLong();
    }
    return 0;
}

qint64 pulseServerProcess()
{
    if (soundServerIsPipeWire())
        return soundServerProcess(QStringLiteral("pipewire-pulse"));
    QFile pid(qEnvironmentVariable("PULSE_RUNTIME_PATH") + QLatin1String("/pid"));
    return pid.open(QIODevice::ReadOnly) ? pid.readAll().trimmed().toLongLong() : 0;
}

bool StoppedServer::stop()
{
    m_pid = pulseServerProcess();
    return m_pid > 0 && ::kill(pid_t(m_pid), SIGSTOP) == 0;
}

void StoppedServer::resume()
{
    if (m_pid > 0)
        ::kill(pid_t(m_pid), SIGCONT);
    m_pid = 0;
}

RunQueueDelay::RunQueueDelay(const QList<qint64> &processes)
    : m_processes(processes)
{
    for (qint64 process : processes)
        m_start.insert(process, threadDelays(process));
}

double RunQueueDelay::seconds() const
{
    qint64 sum = 0;
    for (qint64 process : m_processes) {
        const QHash<qint64, qint64> before = m_start.value(process);
        qint64 longest = 0;
        const QHash<qint64, qint64> now = threadDelays(process);
        for (auto it = now.cbegin(); it != now.cend(); ++it)
            longest = std::max(longest, it.value() - before.value(it.key(), 0));
        sum += longest;
    }
    return double(sum) / 1e9;
}

QList<qint64> RunQueueDelay::selfAndSoundServer()
{
    QList<qint64> processes{QCoreApplication::applicationPid(), pulseServerProcess()};
    if (soundServerIsPipeWire())
        processes.append(soundServerProcess(QStringLiteral("pipewire")));
    processes.removeAll(0);
    return processes;
}

QHash<qint64, qint64> RunQueueDelay::threadDelays(qint64 process)
{
    // schedstat: time run, time waited to run (both ns), time slices.
    QHash<qint64, qint64> delays;
    const QString tasks = QStringLiteral("/proc/%1/task").arg(process);
    const QStringList threads = QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &thread : threads) {
        QFile stat(tasks + QLatin1Char('/') + thread + QLatin1String("/schedstat"));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> fields = stat.readAll().simplified().split(' ');
        if (fields.size() >= 2)
            delays.insert(thread.toLongLong(), fields.at(1).toLongLong());
    }
    return delays;
}

ServerEvents::ServerEvents()
{
    m_proc.start(QStringLiteral("stdbuf"), {QStringLiteral("-oL"), QStringLiteral("pactl"), QStringLiteral("subscribe")});
}

ServerEvents::~ServerEvents()
{
    m_proc.kill();
    m_proc.waitForFinished(3000);
}

bool ServerEvents::listen()
{
    if (!m_proc.waitForStarted(5000))
        return false;
    // A volume set to what it is already changes nothing: alternate.
    int tries = 0;
    const bool listening = QTest::qWaitFor([&] {
        return runProgram(QStringLiteral("pactl"), {QStringLiteral("set-sink-volume"), QStringLiteral("system_sound"),
                                                    ++tries % 2 ? QStringLiteral("99%") : QStringLiteral("100%")}) == 0
               && heard("on sink");
    }, 10000);
    return runProgram(QStringLiteral("pactl"), {QStringLiteral("set-sink-volume"), QStringLiteral("system_sound"),
                                                QStringLiteral("100%")}) == 0
           && listening;
}

bool ServerEvents::heard(const QByteArray &what)
{
    m_proc.waitForReadyRead(20);
    m_events += m_proc.readAllStandardOutput();
    return m_events.contains(what);
}

void ServerEvents::clear()
{
    heard(QByteArray());
    m_events.clear();
}

QByteArray serverDefault(bool source)
{
    QByteArray out;
    if (runProgram(QStringLiteral("pactl"), {source ? QStringLiteral("get-default-source")
                                                    : QStringLiteral("get-default-sink")},
                   10000, &out) != 0)
        return QByteArray("?");
    return out.trimmed();
}

QByteArray serverDefaultWhen(const std::function<bool(const QByteArray &)> &done, int timeoutMs, bool source)
{
    QByteArray current;
    (void)QTest::qWaitFor(
        [&] {
            current = serverDefault(source);
            return current != "?" && done(current);
        },
        timeoutMs);
    return current;
}

QByteArray serverDefaultBecomes(const QByteArray &expected, int timeoutMs, bool source)
{
    return serverDefaultWhen([&](const QByteArray &d) { return d == expected; }, timeoutMs, source);
}

namespace {

// True once a client connected now is told that the default output is sink.
bool defaultOutputBecomes(const QByteArray &sink)
{
    return runProgram(QStringLiteral("pactl"), {QStringLiteral("set-default-sink"), QString::fromUtf8(sink)}) == 0
           && QTest::qWaitFor([&] { return serverDefault(false) == sink; }, 5000);
}

// One client that leaves while the stopped session manager has yet to
// answer its binding of the defaults.
bool leaveWhileTheManagerIsStopped(qint64 manager, int waitMs)
{
    if (::kill(pid_t(manager), SIGSTOP) != 0)
        return false;
    QProcess leaver;
    leaver.start(QStringLiteral("pactl"), {QStringLiteral("info")});
    leaver.waitForFinished(waitMs);
    leaver.kill();
    leaver.waitForFinished(5000);
    return ::kill(pid_t(manager), SIGCONT) == 0;
}

} // namespace

bool stopDefaultReports()
{
    const qint64 manager = soundServerProcess(QStringLiteral("wireplumber"));
    if (manager <= 0)
        return false;
    // A client that stays connected tells whether the server still reports.
    ServerEvents events;
    const bool listening = events.listen();
    // The leaver must have bound the defaults before it goes: under load
    // that takes longer, so each attempt gives it more time.
    bool stopped = false;
    for (int attempt = 1; listening && !stopped && attempt <= 4; ++attempt) {
        if (!leaveWhileTheManagerIsStopped(manager, 300 * attempt))
            break;
        events.clear();
        if (!defaultOutputBecomes("mic_feed"))
            break;
        // A server that still reports does so within milliseconds.
        stopped = !QTest::qWaitFor([&] { return events.heard("on server"); }, 1000);
        if (!defaultOutputBecomes("system_sound"))
            stopped = false;
    }
    return stopped;
}

double captureShortfallAllowance(double expectedFrames, double baseFrames)
{
    return soundServerIsPipeWire() ? qMax(baseFrames, 0.005 * expectedFrames) : baseFrames;
}


FileSizeLimit::FileSizeLimit(qint64 bytes)
{
    // The write past the limit fails rather than ending the process.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit {};
    if (getrlimit(RLIMIT_FSIZE, &limit) != 0)
        return;
    m_oldCurrent = qint64(limit.rlim_cur);
    limit.rlim_cur = rlim_t(bytes);
    m_set = setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

FileSizeLimit::~FileSizeLimit()
{
    rlimit limit {};
    if (!m_set || getrlimit(RLIMIT_FSIZE, &limit) != 0)
        return;
    limit.rlim_cur = rlim_t(m_oldCurrent);
    setrlimit(RLIMIT_FSIZE, &limit);
}

} // namespace TestSupport
