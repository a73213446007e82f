#pragma once
// Two-source sound for the recorder benchmarks: music-like "system sound"
// through the capture gain pushed into the recorder, speech-like "microphone"
// sound pushed into its second-input stream, block by block with sample-count
// time stamps, never more than a few seconds ahead of the recorder. Pure tones
// would flatter the encoder: real sound keeps every band busy.

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
        : m_rec(recorder), m_stream(stream), m_system(music()), m_mic(speech()),
          m_block(kBlock * 2), m_micBlock(kBlock * 2)
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
            const size_t sys = size_t(m_at % (m_system.size() / 2)) * 2;
            const size_t mic = size_t(m_at % (m_mic.size() / 2)) * 2;
            for (size_t i = 0; i < size_t(kBlock) * 2; ++i) {
                m_block[i] = m_system[(sys + i) % m_system.size()] * gain;
                m_micBlock[i] = m_mic[(mic + i) % m_mic.size()];
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

    // Twelve seconds of stereo "music" (interleaved): a chord a beat, each note
    // with decaying overtones, a bass line and noise hats, panned apart.
    static std::vector<float> music()
    {
        static const double chords[4][3] = {{261.6, 329.6, 392.0}, {220.0, 261.6, 329.6},
                                            {174.6, 220.0, 261.6}, {196.0, 246.9, 293.7}};
        const int frames = 12 * kRate;
        const int beat = kRate / 2;
        std::vector<float> s(size_t(frames) * 2);
        uint32_t noise = 12345;
        for (int i = 0; i < frames; ++i) {
            const int n = i / beat;
            const double t = double(i % beat) / kRate;
            const double *chord = chords[(n / 4) % 4];
            double left = 0, right = 0;
            for (int k = 0; k < 3; ++k) {
                double note = 0;
                for (int h = 1; h <= 5; ++h)
                    note += std::sin(2.0 * M_PI * chord[k] * h * i / kRate) / (h * h);
                note *= std::exp(-3.0 * t) * 0.12;
                left += note * (1.0 - 0.3 * k);
                right += note * (0.4 + 0.3 * k);
            }
            const double bass = 0.2 * std::sin(2.0 * M_PI * chord[0] / 4 * i / kRate) * std::exp(-2.0 * t);
            noise = noise * 1664525u + 1013904223u;
            const double hat = (double(noise >> 8) / double(1u << 24) - 0.5) * 0.1
                               * std::exp(-40.0 * double(i % (beat / 2)) / kRate);
            s[size_t(2 * i)] = float(left + bass + hat);
            s[size_t(2 * i + 1)] = float(right + bass - hat);
        }
        return s;
    }

    // Seven seconds of "speech": a voice with a gliding pitch and moving
    // formants, four syllables a second, breath noise between them.
    static std::vector<float> speech()
    {
        const int frames = 7 * kRate;
        std::vector<float> s(size_t(frames) * 2);
        uint32_t noise = 777;
        double phase = 0;
        for (int i = 0; i < frames; ++i) {
            const double t = double(i) / kRate;
            const double pitch = 130.0 + 30.0 * std::sin(2.0 * M_PI * 0.7 * t);
            phase += 2.0 * M_PI * pitch / kRate;
            const double f1 = 500.0 + 250.0 * std::sin(2.0 * M_PI * 4.0 * t);
            const double f2 = 1500.0 + 600.0 * std::sin(2.0 * M_PI * 3.0 * t + 1.0);
            double voice = 0;
            for (int h = 1; h <= 24; ++h) {
                const double f = pitch * h;
                const double formant = std::exp(-std::pow((f - f1) / 150.0, 2))
                                       + 0.5 * std::exp(-std::pow((f - f2) / 250.0, 2));
                voice += formant * std::sin(phase * h) / h;
            }
            const double syllable = std::pow(std::sin(M_PI * std::fmod(t * 4.0, 1.0)), 2);
            noise = noise * 1664525u + 1013904223u;
            const double breath = (double(noise >> 8) / double(1u << 24) - 0.5) * 0.02;
            s[size_t(2 * i)] = s[size_t(2 * i + 1)] = float(0.3 * voice * syllable + breath);
        }
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
