#pragma once
// Helpers every test may use: screenshots, whole files, tone files and tone detection.

#include <QHash>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVector>

#include <chrono>
#include <functional>

class QElapsedTimer;
class QImage;
class QWidget;

namespace TestSupport {

// How long a play may take to be heard: the player's output waits for the
// server as long as libpulse does, and a busy machine's server takes seconds.
constexpr int kPlaybackStartMs = 30000;

// Folder the tests write their screenshots into (inside the build tree).
QString screenshotDir();
// Grabs the widget and writes it as <name>.png into screenshotDir(); returns the path, or
// fails the running test and returns "" when nothing could be written.
QString saveScreenshot(QWidget *widget, const QString &name);

// What the display server shows of the widget's window (not a render of the
// widget: a GL view that is not flushed to screen shows as not drawn).
QImage screenOf(QWidget *widget);
// Whether this process has loaded the GL stack: the windowing system's GL
// integration, the GL vendor library or a driver (Qt Gui itself links libGL,
// so that library alone says nothing).
bool glStackLoaded();

// The whole file; empty when it cannot be read.
QByteArray readBytes(const QString &path);
// Every path under root, relative and sorted: hidden files and leftovers of a save included.
QStringList treeOf(const QString &root);
// Writes the whole file, creating the folders on the way; false when not all was written.
bool writeBytes(const QString &path, const QByteArray &bytes);
// Bytes this process has written so far (every write call counted); -1 when unknown.
qint64 bytesWritten();

// While it lives, no file of this process may grow beyond `bytes` (a write
// past it fails with EFBIG, as on a disk that has no more room; root too).
class FileSizeLimit
{
public:
    explicit FileSizeLimit(qint64 bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;
    // False when the limit could not be set.
    bool set() const { return m_set; }

private:
    qint64 m_oldCurrent = 0;
    bool m_set = false;
};

// For programs run outside the test runner (benchmarks): no display needed
// unless QT_QPA_PLATFORM names one, and HOME with the XDG data and config
// folders inside `home`, so that the user's own files are left alone.
void usePrivateHome(const QString &home);

// The texts the widget's painting (and its children's) hands to
// QPainter::drawText, in order, as drawn (elided texts with their "…").
QStringList drawnTexts(QWidget *widget);

// Interleaved float samples of a sine tone.
QVector<float> sineTone(double frequency, double seconds, int sampleRate = 44100,
                        int channels = 2, double amplitude = 0.5);
// One second of each frequency in turn, starting over after the last: where a
// player is in the file can be told from what is heard.
QVector<float> steppedTone(const QVector<double> &steps, int seconds, int sampleRate = 44100,
                           int channels = 2, double amplitude = 0.5);
// Writes a 16-bit PCM WAV file of a sine tone; false when the file cannot be written.
bool writeToneWav(const QString &path, double frequency, double seconds,
                  int sampleRate = 44100, int channels = 2, double amplitude = 0.5);
// Writes interleaved float samples as a 16-bit PCM WAV file; false when it cannot be written.
bool writeWav(const QString &path, const QVector<float> &samples, int sampleRate = 44100,
              int channels = 2);

// Relative power of one frequency in mono samples (Goertzel), normalised by length.
double goertzelPower(const float *samples, int count, double frequency, int sampleRate);
// The same over interleaved samples, first channel only.
double goertzelPowerInterleaved(const QVector<float> &samples, int channels,
                                double frequency, int sampleRate);
// Root mean square of the samples.
double rms(const float *samples, int count);
// Places where samples stop being one seamless sine of the frequency (every
// stride-th value, i.e. one channel of interleaved sound): a lost or repeated
// stretch breaks the recurrence x[n] = 2cos(w)x[n-1] - x[n-2] by more than
// tolerance.
int sineBreaks(const float *samples, int count, int stride, double frequency, int sampleRate = 44100,
               double tolerance = 1e-3);
// The same places, one for each run of broken samples: the index (in
// samples, stride apart) where each run starts.
QVector<int> sineBreakPlaces(const float *samples, int count, int stride, double frequency,
                             int sampleRate = 44100, double tolerance = 1e-3);

// Seconds on the timer, as a fraction.
double sinceStart(const QElapsedTimer &timer);

// Runs a program and waits; returns its exit code, or -1 when it could not start or timed out.
int runProgram(const QString &program, const QStringList &args, int timeoutMs = 60000,
               QByteArray *output = nullptr);

// The private sound server is PipeWire's pulse server (else PulseAudio).
bool soundServerIsPipeWire();
// Stops ("stop") or starts again ("start") the private sound server of the
// running test, as a user's server goes away and comes back; true when done.
bool controlSoundServer(const QString &command);
// The process of the private sound server with this name ("pipewire",
// "wireplumber", "pipewire-pulse"); 0 when it has none.
qint64 soundServerProcess(const QString &name);
// The process the program's connection talks to: PulseAudio's daemon, or
// PipeWire's pulse server; 0 when none is known.
qint64 pulseServerProcess();
// That process stopped, as a server a busy machine keeps from running; it
// goes on when resumed or at the latest when this goes.
class StoppedServer
{
public:
    ~StoppedServer() { resume(); }
    bool stop();
    void resume();

private:
    qint64 m_pid = 0;
};
// How long threads were kept waiting to run (the kernel's run-queue delay
// per thread) since this was made: for each process watched the longest
// wait of one of its threads, summed over the processes. A chain of threads
// across processes (a player asking its sound server) is held back by about
// that much on a starved machine; on a quiet one it is about nothing.
class RunQueueDelay
{
public:
    explicit RunQueueDelay(const QList<qint64> &processes);
    double seconds() const;
    // This process and the private sound server's (for PipeWire also the
    // process that runs its graph).
    static QList<qint64> selfAndSoundServer();

private:
    static QHash<qint64, qint64> threadDelays(qint64 process); // thread -> ns
    QList<qint64> m_processes;
    QHash<qint64, QHash<qint64, qint64>> m_start;
};
// The private server's change reports as a client that stays connected hears
// them (`pactl subscribe`, line by line).
class ServerEvents
{
public:
    ServerEvents();
    ~ServerEvents();
    // Waits until reports reach it, by changing system_sound's volume until
    // one does (and setting it back to 100 %); false after 10 s.
    bool listen();
    // Whether a report containing `what` came since the last clear().
    bool heard(const QByteArray &what);
    void clear();

private:
    QProcess m_proc;
    QByteArray m_events;
};

// Listens to a source as another client of the server does (parec into a
// file), to tell the server's own breaks from a recording's: on a loaded
// machine the sound the server gives of a steady tone breaks now and then,
// and every client hears those breaks at the same moments.
class SourceWitness
{
public:
    explicit SourceWitness(const QByteArray &source);
    ~SourceWitness();
    using Moment = std::chrono::steady_clock::time_point;
    // Waits until the source's sound arrives; false after ms.
    bool listening(int ms = 10000);
    // What was heard so far, interleaved stereo at 44100 Hz.
    QVector<float> heard() const;
    // How many frames the server has handed this listener by now: on a busy
    // machine the server hands its sound over late, to every client alike.
    qint64 framesHeard() const;
    // Stops listening. The places where a tone of `frequency` stopped being
    // one seamless sine in what was heard from `from` to `to` (a tenth of a
    // second wider either side, for the latency); -1 when no tone was heard.
    int breaks(double frequency, Moment from, Moment to);

private:
    QTemporaryDir m_dir;
    QString m_path;
    QProcess m_proc;
    Moment m_firstSample; // when the first sample heard was made, nearly
};

// The server's default output (or input) as a client connected now is told
// it; "?" when it cannot be asked.
QByteArray serverDefault(bool source = false);
// The server's default output (or input) once `done` holds for it, or the
// last one read when timeoutMs have passed by the clock. QTRY_* counts its
// steps rather than the time its check takes, and each reading runs pactl,
// which takes long on a busy machine: a check that never holds would wait
// many times its time-out. A reading that failed ("?") never counts as done.
QByteArray serverDefaultWhen(const std::function<bool(const QByteArray &)> &done, int timeoutMs,
                             bool source = false);
// The same, until it is `expected`.
QByteArray serverDefaultBecomes(const QByteArray &expected, int timeoutMs, bool source = false);
// Leaves the private PipeWire server telling no connection when the defaults
// change, as a client does that leaves while the session manager has yet to
// answer it; a restart of the server ends it. The default output is
// system_sound afterwards. False when it could not.
bool stopDefaultReports();
// Frames a capture may fall short of the wall clock: PipeWire resamples its
// 48000 Hz graph and was measured to deliver about 0.5 % less under full load.
double captureShortfallAllowance(double expectedFrames, double baseFrames);

} // namespace TestSupport
