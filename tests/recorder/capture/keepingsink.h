#pragma once
// A recorder double: keeps every block pushed into it, with its time stamp
// and the thread that pushed it.

#include "recorder/iaudioframesink.h"

#include <QVector>

#include <mutex>
#include <set>
#include <thread>
#include <vector>

class KeepingSink : public IAudioFrameSink
{
public:
    bool pushAudioFrame(const AudioFrame &frame) override
    {
        std::lock_guard<std::mutex> guard(mutex);
        const auto *s = reinterpret_cast<const float *>(frame.data);
        samples.insert(samples.end(), s, s + frame.size / sizeof(float));
        stamps.push_back(frame.timestamp);
        frames.push_back(frame.size / (2 * sizeof(float)));
        threads.insert(std::this_thread::get_id());
        return true;
    }
    QVector<float> copy()
    {
        std::lock_guard<std::mutex> guard(mutex);
        QVector<float> out(int(samples.size()));
        std::copy(samples.begin(), samples.end(), out.begin());
        return out;
    }
    size_t blockCount()
    {
        std::lock_guard<std::mutex> guard(mutex);
        return stamps.size();
    }
    quint64 lastStamp()
    {
        std::lock_guard<std::mutex> guard(mutex);
        return stamps.empty() ? 0 : stamps.back();
    }
    // Every block starts where the one before ended, by its sample count.
    bool stampsRunWithoutGaps(QString *why)
    {
        std::lock_guard<std::mutex> guard(mutex);
        if (stamps.empty())
            return *why = "no blocks", false;
        const quint64 first = quint64(double(stamps[0]) * 44100 / 1e6 + 0.5);
        quint64 pos = first;
        for (size_t i = 0; i < stamps.size(); ++i) {
            const quint64 expected = quint64(double(pos) * 1000000.0 / 44100);
            if (stamps[i] != expected) {
                *why = QString("block %1 stamped %2, expected %3").arg(i).arg(stamps[i]).arg(expected);
                return false;
            }
            if (i + 1 < stamps.size() && frames[i] != 1024) {
                *why = QString("block %1 holds %2 frames").arg(i).arg(frames[i]);
                return false;
            }
            pos += frames[i];
        }
        return true;
    }

    std::mutex mutex;
    std::vector<float> samples;
    std::vector<quint64> stamps;
    std::vector<quint64> frames;
    std::set<std::thread::id> threads;
};
