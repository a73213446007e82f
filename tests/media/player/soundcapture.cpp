#include "soundcapture.h"

#include "testsupport.h"

#include <QThread>
#include <cmath>
#include <cstring>

SoundCapture::~SoundCapture()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

bool SoundCapture::start()
{
    m_process.start("parec", {"--device=system_sound.monitor", "--format=float32le",
                              "--rate=44100", "--channels=2", "--latency-msec=20"});
    if (!m_process.waitForStarted(5000))
        return false;
    // Let the recording stream settle before anything plays.
    QThread::msleep(150);
    return true;
}

QVector<float> SoundCapture::stop()
{
    m_process.terminate();
    m_process.waitForFinished(3000);
    const QByteArray raw = m_process.readAllStandardOutput();
    QVector<float> samples(raw.size() / int(sizeof(float)));
    std::memcpy(samples.data(), raw.constData(), size_t(samples.size()) * sizeof(float));
    return samples;
}

namespace SoundLevel {

double rmsDb(const QVector<float> &interleaved)
{
    double sum = 0.0;
    int n = 0;
    for (int i = 0; i < interleaved.size(); i += SoundCapture::kChannels, ++n)
        sum += double(interleaved[i]) * interleaved[i];
    if (n == 0 || sum <= 0.0)
        return -200.0;
    return 10.0 * std::log10(sum / n);
}

double tone(const QVector<float> &interleaved, double frequency)
{
    return TestSupport::goertzelPowerInterleaved(interleaved, SoundCapture::kChannels, frequency,
                                                 SoundCapture::kRate);
}

QVector<float> slice(const QVector<float> &interleaved, double from, double to)
{
    const int frames = interleaved.size() / SoundCapture::kChannels;
    const int a = qBound(0, int(from * SoundCapture::kRate), frames);
    const int b = qBound(a, int(to * SoundCapture::kRate), frames);
    return interleaved.mid(a * SoundCapture::kChannels, (b - a) * SoundCapture::kChannels);
}

} // namespace SoundLevel
