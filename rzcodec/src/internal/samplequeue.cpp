#include "internal/samplequeue.h"

#include "internal/error.h"

#include <algorithm>

namespace rz {

namespace {
// A lost stretch shorter than this is left alone: capture clocks jitter.
constexpr uint64_t kGapToleranceUs = 100000;
// The longest stretch of silence a single gap may insert.
constexpr uint64_t kMaxGapUs = 10000000;
// How much a queue holds before it drops its oldest samples.
constexpr int kCapacitySeconds = 60;
} // namespace

SampleQueue::SampleQueue(int sampleRate, int channels)
    : m_rate(sampleRate), m_channels(channels), m_capacityFrames(sampleRate * kCapacitySeconds)
{
}

void SampleQueue::setNotifier(std::condition_variable *cv, std::mutex *cvMutex, int wakeFrames)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_cv = cv;
    m_cvMutex = cvMutex;
    m_wakeFrames = std::max(1, wakeFrames);
}

void SampleQueue::push(const float *samples, int frames, uint64_t timestampUs)
{
    if (frames <= 0)
        return;
    std::condition_variable *cv;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (timestampUs != UINT64_MAX) {
            if (!m_haveBase) {
                m_haveBase = true;
                m_baseUs = timestampUs;
                m_pushedFrames = 0;
            } else {
                const uint64_t expected = m_baseUs + m_pushedFrames * 1000000ULL / uint64_t(m_rate);
                if (timestampUs > expected + kGapToleranceUs) {
                    const uint64_t gapUs = std::min(timestampUs - expected, kMaxGapUs);
                    const size_t gapFrames = size_t(gapUs * uint64_t(m_rate) / 1000000ULL);
                    m_data.insert(m_data.end(), gapFrames * size_t(m_channels), 0.0f);
                    m_pushedFrames += gapFrames;
                    m_kept += gapFrames;
                }
            }
        }
        m_data.insert(m_data.end(), samples, samples + size_t(frames) * size_t(m_channels));
        m_pushedFrames += uint64_t(frames);
        m_kept += uint64_t(frames);
        const size_t stored = (m_data.size() - m_read) / size_t(m_channels);
        if (stored > size_t(m_capacityFrames)) {
            const size_t drop = stored - size_t(m_capacityFrames);
            m_read += drop * size_t(m_channels);
            m_readPosition += drop;
            m_kept -= drop;
            logError("audio input: the consumer is behind, dropped the oldest samples");
        }
        if (m_read > m_data.size() / 2) {
            m_data.erase(m_data.begin(), m_data.begin() + std::ptrdiff_t(m_read));
            m_read = 0;
        }
        cv = stored >= size_t(m_wakeFrames.load()) ? m_cv : nullptr;
    }
    if (cv) {
        std::lock_guard<std::mutex> lock(*m_cvMutex);
        cv->notify_one();
    }
}

int SampleQueue::take(std::vector<float> &out, int maxFrames)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const int stored = int((m_data.size() - m_read) / size_t(m_channels));
    const int n = std::max(0, std::min(stored, maxFrames));
    out.assign(m_data.begin() + std::ptrdiff_t(m_read),
               m_data.begin() + std::ptrdiff_t(m_read + size_t(n) * size_t(m_channels)));
    m_read += size_t(n) * size_t(m_channels);
    m_readPosition += uint64_t(n);
    if (m_read == m_data.size()) {
        m_data.clear();
        m_read = 0;
    }
    return n;
}

int SampleQueue::discard(int frames)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const size_t stored = (m_data.size() - m_read) / size_t(m_channels);
    const size_t n = std::min(stored, size_t(std::max(0, frames)));
    m_read += n * size_t(m_channels);
    m_readPosition += n;
    m_kept -= n;
    return int(n);
}

void SampleQueue::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_kept -= (m_data.size() - m_read) / size_t(m_channels);
    m_data.clear();
    m_read = 0;
    m_readPosition = 0;
    m_haveBase = false;
}

void SampleQueue::restartTimeLine()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_haveBase = false;
}

uint64_t SampleQueue::readPosition() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_readPosition;
}

int SampleQueue::available() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return int((m_data.size() - m_read) / size_t(m_channels));
}

} // namespace rz
