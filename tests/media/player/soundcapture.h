#pragma once
// Records what the private sound server's "speakers" play, from the monitor
// of the system_sound sink, as interleaved float stereo at 44100 Hz.

#include <QProcess>
#include <QTemporaryDir>
#include <QVector>

class SoundCapture
{
public:
    static constexpr int kRate = 44100;
    static constexpr int kChannels = 2;

    SoundCapture();
    ~SoundCapture();
    bool start();
    QVector<float> stop();

private:
    QTemporaryDir m_dir;
    QString m_path;
    QProcess m_process;
    qint64 m_skip = 0; // bytes recorded before start() returned
};

namespace SoundLevel {
// Root mean square of the first channel, in dB relative to full scale.
double rmsDb(const QVector<float> &interleaved);
// Goertzel power of one frequency over the first channel.
double tone(const QVector<float> &interleaved, double frequency);
// The part of a capture from `from` to `to` seconds.
QVector<float> slice(const QVector<float> &interleaved, double from, double to);

// Seconds of a capture in which something is heard, from the first audible
// 20 ms block to the last.
struct Heard {
    double from = -1, to = -1;
    double length() const { return from < 0 ? 0 : to - from; }
};
Heard heard(const QVector<float> &capture);
} // namespace SoundLevel
