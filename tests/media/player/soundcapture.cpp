#include "soundcapture.h"

#include "testsupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <cmath>
#include <cstring>

SoundCapture::SoundCapture()
    : m_path(m_dir.filePath("capture.raw"))
{
}

SoundCapture::~SoundCapture()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

bool SoundCapture::start()
{
    // Straight into a file: a pipe that nobody reads while a test sleeps
    // would stall the recorder and lose sound.
    m_process.setStandardOutputFile(m_path, QIODevice::Truncate);
    m_process.start("parec", {"--device=system_sound.monitor", "--format=float32le",
                              "--rate=44100", "--channels=2", "--latency-msec=20"});
    if (!m_process.waitForStarted(5000))
        return false;
    // The monitor delivers silence all the time: once the first samples
    // arrive, the recording runs and nothing played from now on is missed.
    QElapsedTimer timer;
    timer.start();
    while (QFileInfo(m_path).size() < 4096) {
        if (timer.elapsed() > 5000)
            return false;
        QThread::msleep(5);
    }
    m_skip = QFileInfo(m_path).size() / 8 * 8;
    return true;
}

QVector<float> SoundCapture::stop()
{
    m_process.terminate();
    m_process.waitForFinished(3000);
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    file.seek(m_skip);
    const QByteArray raw = file.readAll();
    QVector<float> samples(raw.size() / int(sizeof(float)) / 2 * 2);
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

Heard heard(const QVector<float> &capture)
{
    Heard h;
    const double block = 0.02;
    const double total = double(capture.size()) / SoundCapture::kChannels / SoundCapture::kRate;
    for (double t = 0; t + block <= total; t += block) {
        if (rmsDb(slice(capture, t, t + block)) > -30) {
            if (h.from < 0)
                h.from = t;
            h.to = t + block;
        }
    }
    return h;
}

} // namespace SoundLevel
