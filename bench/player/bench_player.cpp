// How fast the player's sound chain runs, and how long opening and seeking
// take, measured on generated files. Run by hand: bench_player.

#include "internal/audiofiltergraph.h"
#include "internal/ffmpeg.h"
#include "internal/waveblock.h"
#include "rzcodec/player.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int kRate = 44100;

// Seconds of stereo float sound filtered per second of work.
double chainSpeed(const rz::AudioFilterSettings &settings, double seconds)
{
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    const rz::AudioFormat format(kRate, stereo, AV_SAMPLE_FMT_FLT);
    rz::AudioFilterGraph graph;
    std::string error;
    if (!graph.configure(format, format, settings, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 0;
    }
    AVFrame *in = av_frame_alloc();
    AVFrame *out = av_frame_alloc();
    const int chunk = 1024;
    const int total = int(seconds * kRate);
    QElapsedTimer timer;
    timer.start();
    for (int at = 0; at < total; at += chunk) {
        in->format = AV_SAMPLE_FMT_FLT;
        in->sample_rate = kRate;
        av_channel_layout_copy(&in->ch_layout, &stereo);
        in->nb_samples = chunk;
        in->pts = at;
        av_frame_get_buffer(in, 0);
        auto *d = reinterpret_cast<float *>(in->data[0]);
        for (int i = 0; i < chunk; ++i)
            d[2 * i] = d[2 * i + 1] = float(0.3 * std::sin(2 * M_PI * 440.0 * (at + i) / kRate));
        graph.push(in);
        av_frame_unref(in);
        while (graph.pull(out) >= 0)
            av_frame_unref(out);
    }
    graph.push(nullptr);
    while (graph.pull(out) >= 0)
        av_frame_unref(out);
    const double elapsed = timer.nsecsElapsed() / 1e9;
    av_frame_free(&in);
    av_frame_free(&out);
    return seconds / elapsed;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    rz::AudioFilterSettings neutral;
    rz::AudioFilterSettings volume;
    volume.volume = 50;
    rz::AudioFilterSettings full;
    full.volume = 80;
    full.speed = 150;
    full.rate = 110;
    for (double f : {31.0, 62.0, 125.0, 250.0, 500.0, 1000.0, 2000.0, 4000.0, 8000.0, 16000.0})
        full.bands.push_back({f, 6.0});
    std::printf("filter chain, 44.1 kHz stereo float, times real time:\n");
    std::printf("  neutral                         %8.0fx\n", chainSpeed(neutral, 120));
    std::printf("  volume 50                       %8.0fx\n", chainSpeed(volume, 120));
    std::printf("  10 bands + speed 150 + rate 110 %8.0fx\n", chainSpeed(full, 60));

    QElapsedTimer timer;
    timer.start();
    const int blocks = 20000;
    std::vector<float> samples(2205 * 2, 0.25f);
    for (int i = 0; i < blocks; ++i)
        rz::freeWaveBlock(rz::makeWaveBlock(samples.data(), 2205, 2, kRate));
    std::printf("wave block of 50 ms: %.2f us each\n", timer.nsecsElapsed() / 1e3 / blocks);

    QTemporaryDir dir;
    const QString file = dir.filePath("long.wav");
    if (!TestSupport::writeToneWav(file, 440, 600)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return 1;
    }
    void *player = rz_player_create(RZ_PLAYER_DEFAULT);
    timer.restart();
    const int opens = 50;
    for (int i = 0; i < opens; ++i)
        rz_player_open_ex(player, file.toUtf8().constData(), 0, 0, 0, 0);
    std::printf("open of a 10-minute WAV: %.2f ms\n", timer.nsecsElapsed() / 1e6 / opens);
    timer.restart();
    const int seeks = 500;
    for (int i = 0; i < seeks; ++i)
        rz_player_seek(player, quint64(i) * 1000003ULL % 590000000ULL);
    std::printf("exact seek while stopped: %.3f ms\n", timer.nsecsElapsed() / 1e6 / seeks);
    rz_player_stop(player);
    rz_player_close(player);
    rz_player_release(player);
    return 0;
}
