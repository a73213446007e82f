// Records a 440 Hz tone in real time, the way capture feeds the recorder,
// until it is killed: recorder_crashchild PATH MUXER CODEC RATE CHANNELS KBPS [mark]
// With "mark", the recording is marked as in progress as the program does.

#include "common/qrecordingmarker.h"
#include "rzcodec/config.h"
#include "rzcodec/recorder.h"

#include <QDateTime>
#include <QFileInfo>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

int main(int argc, char **argv)
{
    if (argc != 7 && argc != 8) {
        std::fprintf(stderr, "usage: %s PATH MUXER CODEC RATE CHANNELS KBPS [mark]\n", argv[0]);
        return 2;
    }
    void *config = rz_config_create();
    if (const int codec = std::atoi(argv[3]))
        rz_config_set_audio_codec(config, codec);
    rz_config_set_audio_sample_rate(config, uint32_t(std::atoi(argv[4])));
    rz_config_set_audio_channels(config, uint32_t(std::atoi(argv[5])));
    if (const int kbps = std::atoi(argv[6]))
        rz_config_set_audio_bitrate(config, uint64_t(kbps) * 1000);
    void *rec = rz_recorder_create(-1);
    if (!rz_recorder_open(rec, argv[1], argv[2], config) || !rz_recorder_run(rec))
        return 1;
    if (argc == 8) {
        convertedInfo info;
        info.convertedPath = QString::fromLocal8Bit(argv[1]);
        info.format = QString::fromLatin1(argv[2]);
        info.extend = QFileInfo(info.convertedPath).suffix();
        info.createTime = QDateTime::currentDateTime().toString("dd-MM-yyyy hh:mm");
        if (!QRecordingMarker::write(info, QString::fromLatin1(argv[2])))
            return 1;
    }
    std::printf("recording\n");
    std::fflush(stdout);

    constexpr int block = 1024;
    std::vector<float> samples(block * 2);
    void *frame = rz_audioframe_create();
    rz_audioframe_set_format(frame, RZ_SAMPLE_FLOAT, 44100, 2, 3);
    const auto start = std::chrono::steady_clock::now();
    for (uint64_t at = 0; at < 60 * 44100; at += block) {
        for (int i = 0; i < block; ++i)
            samples[2 * i] = samples[2 * i + 1] =
                float(0.5 * std::sin(2.0 * M_PI * 440.0 * double(at + uint64_t(i)) / 44100.0));
        rz_audioframe_set_data(frame, samples.data(), block);
        rz_audioframe_set_timestamp(frame, at * 1000000 / 44100);
        rz_recorder_push_frame(rec, frame);
        // How far the recorder got, for the parent to wait on.
        if ((at / block) % 10 == 0) {
            std::printf("recorded %llu\n", static_cast<unsigned long long>(rz_recorder_get_time(rec)));
            std::fflush(stdout);
        }
        std::this_thread::sleep_until(start + std::chrono::microseconds((at + block) * 1000000 / 44100));
    }
    rz_recorder_stop(rec);
    rz_recorder_finish(rec);
    rz_audioframe_release(frame);
    rz_recorder_release(rec);
    rz_config_release(config);
    return 0;
}
