#pragma once
// Records what the private sound server's "speakers" play, from the monitor
// of the system_sound sink, as interleaved float stereo at 44100 Hz.
//
// The waits below poll what has been captured so far, so a test waits for
// the sound it expects instead of sleeping for a set time: on a loaded
// machine the sound comes later, not differently.

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QVector>

class SoundCapture
{
public:
    static constexpr int kRate = 44100;
    static constexpr int kChannels = 2;

    SoundCapture();
    ~SoundCapture();
    // Runs once the first samples arrive; false when they did not within
    // kStartMs, parec started again as often as it ended meanwhile.
    bool start();
    QVector<float> stop();

    // What was captured so far, and its length in seconds; the capture runs on.
    const QVector<float> &peek();
    double seconds();
    // Wait until the capture holds `seconds` in all.
    bool waitForSeconds(double seconds, int timeoutMs = 10000);
    // Wait until sound was heard for `seconds` (from its first audible moment
    // to its last so far).
    bool waitForHeard(double seconds, int timeoutMs = 10000);
    // Wait until the sound has been followed by `quiet` seconds of silence:
    // its end is in the capture.
    bool waitForSilenceAfterSound(double quiet = 0.15, int timeoutMs = 10000);
    // Wall-clock seconds since start() (until stop()) that the capture does
    // not hold: what is still on its way, and what the server dropped for
    // this listener when it could not keep up on a starved machine. A sound
    // judged by its length allows for it.
    double missedSeconds();
    // Empty when the sound heard in `capture` (gaps not counted) lasts
    // `seconds`, give or take `tolerance`, and less by what this capture
    // missed; otherwise the disagreement, for the failure message.
    QString lengthAgrees(const QVector<float> &capture, double seconds, double tolerance);

private:
    static constexpr int kStartMs = 30000;
    bool startOnce(const QDeadlineTimer &deadline);
    QTemporaryDir m_dir;
    QString m_path;
    QProcess m_process;
    qint64 m_skip = 0; // bytes recorded before start() returned
    qint64 m_read = 0; // bytes taken into m_samples
    QElapsedTimer m_clock; // since start() returned
    double m_ranFor = -1; // seconds from start() to stop()
    QVector<float> m_samples;
};

namespace SoundLevel {
// Root mean square of the first channel, in dB relative to full scale.
double rmsDb(const QVector<float> &interleaved);
// The median level of the 50 ms blocks from `from` to `to` seconds: the
// level of the steady part, unmoved by a short gap or a change at an edge.
double medianDb(const QVector<float> &interleaved, double from, double to);
// Goertzel power of one frequency over the first channel.
double tone(const QVector<float> &interleaved, double frequency);
// The part of a capture from `from` to `to` seconds.
QVector<float> slice(const QVector<float> &interleaved, double from, double to);
double seconds(const QVector<float> &interleaved);

// Seconds of a capture in which something is heard, from the first audible
// 20 ms block to the last.
struct Heard {
    double from = -1, to = -1;
    double length() const { return from < 0 ? 0 : to - from; }
};
Heard heard(const QVector<float> &capture);
// The audible blocks of a capture (above -30 dB), each with the share of it
// that sounds: its power against the median audible block's (for sound of
// one steady level).
struct SoundBlock
{
    double at = 0; // seconds
    double share = 0;
};
QVector<SoundBlock> soundBlocks(const QVector<float> &capture, double block);
// Seconds of sound in all, gaps not counted: the shares of 20 ms blocks.
double audibleSeconds(const QVector<float> &capture);
// The capture's sound with the gaps a loaded server leaves taken out (10 ms
// blocks, those more silent than sounding dropped): its times are the times
// of what was played, to within a hundredth of a second per gap.
QVector<float> withoutGaps(const QVector<float> &capture);
// Which of `tones` is the strongest in a part of a capture.
double dominantTone(const QVector<float> &part, const QVector<double> &tones);
// Seconds of audible 50 ms blocks from `from` to `to` (the end when below 0)
// in which `frequency` is the strongest of `tones`.
double toneSeconds(const QVector<float> &capture, double from, double frequency,
                   const QVector<double> &tones, double to = -1);

// Empty when a play position agrees with the sound and the wall clock: read
// after `heard` seconds of the play from `startUs` were captured and `wall`
// seconds after play began, it has moved on at least as far as was heard and
// no further than the wall clock allows (`ratio` media seconds per second).
// Otherwise the disagreement, for the failure message.
QString positionAgrees(quint64 positionUs, quint64 startUs, double heard, double wall,
                       double ratio = 1.0);
// Empty when an end reported once `capturedAtEnd` seconds were in the capture
// agrees with the sound in it: its last sound was heard by then (give or take
// the capture's own delay), and not long before. Measured on the capture, not
// from the start of the play: a loaded machine may be slow to start the sound
// without the end being late. Otherwise the disagreement, for the message.
QString endAgrees(double capturedAtEnd, const QVector<float> &capture);
} // namespace SoundLevel
