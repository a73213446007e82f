#pragma once
// Records what the private sound server's "speakers" play, from the monitor
// of the system_sound sink, as interleaved float stereo at 44100 Hz.

#include <QProcess>
#include <QVector>

class SoundCapture
{
public:
    static constexpr int kRate = 44100;
    static constexpr int kChannels = 2;

    ~SoundCapture();
    bool start();
    QVector<float> stop();

private:
    QProcess m_process;
};

namespace SoundLevel {
// Root mean square of the first channel, in dB relative to full scale.
double rmsDb(const QVector<float> &interleaved);
// Goertzel power of one frequency over the first channel.
double tone(const QVector<float> &interleaved, double frequency);
// The part of a capture from `from` to `to` seconds.
QVector<float> slice(const QVector<float> &interleaved, double from, double to);
} // namespace SoundLevel
