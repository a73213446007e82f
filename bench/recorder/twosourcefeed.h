#pragma once
// Two-source sound for the recorder benchmarks: a 440 Hz "system sound"
// through the capture gain pushed into the recorder, a 1 kHz "microphone"
// pushed into its second-input stream, block by block with sample-count time
// stamps, never more than a few seconds ahead of the recorder.

#include "rzcodec/recorder.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <thread>
#include <vector>

class TwoSourceFeed
{
public:
    static constexpr int kRate = 44100;
    static constexpr int kBlock = 1024;

    TwoSourceFeed(void *recorder, void *stream)
        : m_rec(recorder), m_stream(stream), m_system(toneSecond(440, 0.5f)),
          m_mic(toneSecond(1000, 0.3f)), m_block(kBlock * 2), m_micBlock(kBlock * 2)
    {
        m_sysFrame = rz_audioframe_create();
        m_micFrame = rz_audioframe_create();
        rz_audioframe_set_format(m_sysFrame, RZ_SAMPLE_FLOAT, kRate, 2, 3);
        rz_audioframe_set_format(m_micFrame, RZ_SAMPLE_FLOAT, kRate, 2, 3);
    }
    ~TwoSourceFeed()
    {
        rz_audioframe_release(m_sysFrame);
        rz_audioframe_release(m_micFrame);
    }
    TwoSourceFeed(const TwoSourceFeed &) = delete;
    TwoSourceFeed &operator=(const TwoSourceFeed &) = delete;

    // Pushes the sound up to `frames` (from the start); returns the frames pushed so far.
    uint64_t pushUntil(uint64_t frames)
    {
        const float gain = 0.8f; // the capture's volume below 100 %
        for (; m_at + kBlock <= frames; m_at += kBlock) {
            const size_t off = size_t(m_at % kRate);
            for (size_t i = 0; i < size_t(kBlock) * 2; ++i) {
                m_block[i] = m_system[(off * 2 + i) % m_system.size()] * gain;
                m_micBlock[i] = m_mic[(off * 2 + i) % m_mic.size()];
            }
            const uint64_t ts = m_at * 1000000 / kRate;
            rz_audioframe_set_data(m_sysFrame, m_block.data(), kBlock);
            rz_audioframe_set_timestamp(m_sysFrame, ts);
            rz_recorder_push_frame(m_rec, m_sysFrame);
            rz_audioframe_set_data(m_micFrame, m_micBlock.data(), kBlock);
            rz_audioframe_set_timestamp(m_micFrame, ts);
            rz_stream_push_frame(m_stream, m_micFrame);
            while (m_at * 1000000 / kRate > rz_recorder_get_time(m_rec) + 5000000)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return m_at;
    }

    // One second of a tone with a whole number of cycles, so that it repeats seamlessly.
    static std::vector<float> toneSecond(double frequency, float amplitude)
    {
        std::vector<float> s(kRate * 2);
        for (int i = 0; i < kRate; ++i)
            s[size_t(2 * i)] = s[size_t(2 * i + 1)] =
                amplitude * float(std::sin(2.0 * M_PI * frequency * i / kRate));
        return s;
    }

private:
    void *m_rec;
    void *m_stream;
    void *m_sysFrame = nullptr;
    void *m_micFrame = nullptr;
    std::vector<float> m_system, m_mic, m_block, m_micBlock;
    uint64_t m_at = 0;
};
