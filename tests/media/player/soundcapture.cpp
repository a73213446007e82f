#include "soundcapture.h"

#include "testsupport.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <algorithm>
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
    // On a busy machine parec may take seconds to start and the server to
    // answer it, or parec gives up on a server that did not answer in time:
    // it is started again until its first samples arrive.
    const QDeadlineTimer deadline(kStartMs);
    do {
        if (startOnce(deadline))
            return true;
        QTest::qWait(100);
    } while (!deadline.hasExpired());
    return false;
}

bool SoundCapture::startOnce(const QDeadlineTimer &deadline)
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
    // Straight into a file: a pipe that nobody reads while a test sleeps
    // would stall the recorder and lose sound.
    m_process.setStandardOutputFile(m_path, QIODevice::Truncate);
    m_process.start("parec", {"--device=system_sound.monitor", "--format=float32le",
                              "--rate=44100", "--channels=2", "--latency-msec=20"});
    if (!m_process.waitForStarted(int(qMax<qint64>(1, deadline.remainingTime()))))
        return false;
    // The monitor delivers silence all the time: once the first samples
    // arrive, the recording runs and nothing played from now on is missed.
    const auto arrived = [this] { return QFileInfo(m_path).size() >= 4096; };
    if (!QTest::qWaitFor([&] { return arrived() || m_process.state() == QProcess::NotRunning; },
                         int(qMax<qint64>(1, deadline.remainingTime())))
        || !arrived())
        return false;
    m_skip = m_read = QFileInfo(m_path).size() / 8 * 8;
    m_samples.clear();
    m_clock.start();
    m_ranFor = -1;
    return true;
}

QVector<float> SoundCapture::stop()
{
    if (m_clock.isValid() && m_ranFor < 0)
        m_ranFor = m_clock.elapsed() / 1000.0;
    m_process.terminate();
    m_process.waitForFinished(3000);
    return peek();
}

const QVector<float> &SoundCapture::peek()
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(m_read))
        return m_samples;
    // Whole frames only: the recorder may be half way through writing one.
    const qint64 frameBytes = qint64(sizeof(float)) * kChannels;
    const QByteArray raw = file.read((file.size() - m_read) / frameBytes * frameBytes);
    const int had = m_samples.size();
    m_samples.resize(had + raw.size() / int(sizeof(float)));
    std::memcpy(m_samples.data() + had, raw.constData(), size_t(raw.size()));
    m_read += raw.size();
    return m_samples;
}

double SoundCapture::seconds()
{
    return SoundLevel::seconds(peek());
}

bool SoundCapture::waitForSeconds(double seconds, int timeoutMs)
{
    return QTest::qWaitFor([&] { return this->seconds() >= seconds; }, timeoutMs);
}

bool SoundCapture::waitForHeard(double seconds, int timeoutMs)
{
    return QTest::qWaitFor([&] { return SoundLevel::heard(peek()).length() >= seconds; }, timeoutMs);
}

double SoundCapture::missedSeconds()
{
    if (!m_clock.isValid())
        return 0;
    const double ran = m_ranFor >= 0 ? m_ranFor : m_clock.elapsed() / 1000.0;
    return std::max(0.0, ran - seconds());
}

QString SoundCapture::lengthAgrees(const QVector<float> &capture, double seconds, double tolerance)
{
    const double audible = SoundLevel::audibleSeconds(capture);
    const double missed = missedSeconds();
    if (audible < seconds + tolerance && audible > seconds - tolerance - missed)
        return {};
    return QString("heard %1 s of %2 s, the capture missed %3 s").arg(audible).arg(seconds).arg(missed);
}

bool SoundCapture::waitForSilenceAfterSound(double quiet, int timeoutMs)
{
    return QTest::qWaitFor(
        [&] {
            const SoundLevel::Heard h = SoundLevel::heard(peek());
            return h.from >= 0 && this->seconds() - h.to >= quiet;
        },
        timeoutMs);
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

double medianDb(const QVector<float> &interleaved, double from, double to)
{
    QVector<double> levels;
    for (double t = from; t + 0.05 <= to + 1e-9; t += 0.05)
        levels << rmsDb(slice(interleaved, t, t + 0.05));
    if (levels.isEmpty())
        return -200.0;
    std::sort(levels.begin(), levels.end());
    return levels[levels.size() / 2];
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

double seconds(const QVector<float> &interleaved)
{
    return double(interleaved.size()) / SoundCapture::kChannels / SoundCapture::kRate;
}

Heard heard(const QVector<float> &capture)
{
    Heard h;
    const double block = 0.02;
    const double total = seconds(capture);
    for (double t = 0; t + block <= total; t += block) {
        if (rmsDb(slice(capture, t, t + block)) > -30) {
            if (h.from < 0)
                h.from = t;
            h.to = t + block;
        }
    }
    return h;
}

QVector<SoundBlock> soundBlocks(const QVector<float> &capture, double block)
{
    // A block counts for the share of it that sounds, against the median
    // audible block: a loaded server plays late, not less, and counting
    // each edge of its gap as a whole block would count sound never played.
    QVector<SoundBlock> blocks;
    const double total = seconds(capture);
    for (double t = 0; t + block <= total; t += block) {
        const double db = rmsDb(slice(capture, t, t + block));
        if (db > -30)
            blocks << SoundBlock{t, std::pow(10.0, db / 10)};
    }
    if (blocks.isEmpty())
        return blocks;
    QVector<double> powers;
    for (const SoundBlock &b : blocks)
        powers << b.share;
    std::nth_element(powers.begin(), powers.begin() + powers.size() / 2, powers.end());
    const double median = powers[powers.size() / 2];
    for (SoundBlock &b : blocks)
        b.share /= median;
    return blocks;
}

double audibleSeconds(const QVector<float> &capture)
{
    const double block = 0.02;
    double audible = 0;
    for (const SoundBlock &b : soundBlocks(capture, block))
        audible += block * b.share;
    return audible;
}

QVector<float> withoutGaps(const QVector<float> &capture)
{
    const double block = 0.01;
    QVector<float> joined;
    for (const SoundBlock &b : soundBlocks(capture, block)) {
        if (b.share >= 0.5)
            joined += slice(capture, b.at, b.at + block);
    }
    return joined;
}

double dominantTone(const QVector<float> &part, const QVector<double> &tones)
{
    double best = 0, bestPower = -1;
    for (double f : tones) {
        const double p = tone(part, f);
        if (p > bestPower) {
            bestPower = p;
            best = f;
        }
    }
    return best;
}

double toneSeconds(const QVector<float> &capture, double from, double frequency,
                   const QVector<double> &tones, double to)
{
    const double block = 0.05;
    const double end = to < 0 ? seconds(capture) : to;
    double found = 0;
    for (double t = std::max(0.0, from); t + block <= end; t += block) {
        const QVector<float> part = slice(capture, t, t + block);
        if (rmsDb(part) > -30 && dominantTone(part, tones) == frequency)
            found += block;
    }
    return found;
}

QString positionAgrees(quint64 positionUs, quint64 startUs, double heard, double wall, double ratio)
{
    // The heard span is measured in 20 ms blocks, and PipeWire's pulse server
    // reports the played position in steps of up to about 95 ms.
    const double slack = 0.1;
    const double moved = (double(positionUs) - double(startUs)) / 1e6;
    if (moved < heard * ratio - slack)
        return QString("position %1 s behind the %2 s heard").arg(moved).arg(heard * ratio);
    if (moved > wall * ratio + slack)
        return QString("position %1 s ahead of the %2 s of wall clock").arg(moved).arg(wall * ratio);
    return {};
}

QString endAgrees(double capturedAtEnd, const QVector<float> &capture)
{
    // The capture runs behind the server by its fragments (20 ms asked) and
    // the blocks of the heard span; a loaded machine adds to both.
    const double captureSlack = 0.3;
    // The player notices the drained output within tens of milliseconds and
    // a test's wait polls; more than a second later is an end held back.
    const double lateBound = 1.0;
    const Heard h = heard(capture);
    if (h.from < 0)
        return QString("no sound heard");
    if (capturedAtEnd < h.to - captureSlack)
        return QString("the end came at %1 s of the capture, sound was heard until %2 s")
            .arg(capturedAtEnd)
            .arg(h.to);
    if (capturedAtEnd > h.to + lateBound)
        return QString("the end came at %1 s of the capture, the sound ended at %2 s").arg(capturedAtEnd).arg(h.to);
    return {};
}

} // namespace SoundLevel
