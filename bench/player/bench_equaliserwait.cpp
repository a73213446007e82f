// How long the GUI's reads of a playing player (position, state, wave data)
// wait while the equaliser keeps changing: every change makes the play thread
// build a new sound chain. Ten bands (what a preset holds) build in well
// under a millisecond here, so slower builds (a slower machine, a busy one)
// are also stood in for by holding each build for a set time in the build
// hook. A build made under the engine's lock makes a read wait for it: the
// longest wait then grows with the build time. Needs a sound server:
//   tests/support/run-test.sh --sound -- build/bin/bench_equaliserwait

#include "internal/audiofiltergraph.h"
#include "internal/ffmpeg.h"
#include "player/playerengine.h"
#include "rzcodec/player.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

std::atomic<int> g_builds{0};
std::atomic<int> g_holdMs{0};

void countBuild()
{
    ++g_builds;
    if (const int ms = g_holdMs)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::vector<rz::EqualizerBand> bandsOf(int count, double gain)
{
    std::vector<rz::EqualizerBand> bands;
    for (int i = 0; i < count; ++i)
        bands.push_back({30.0 * std::pow(16000.0 / 30.0, double(i) / std::max(1, count - 1)),
                         i % 2 ? gain : -gain});
    return bands;
}

// One build of the chain on its own, the best of a few.
double buildMs(const std::vector<rz::EqualizerBand> &bands)
{
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    const rz::AudioFormat in(44100, stereo, AV_SAMPLE_FMT_S16);
    const rz::AudioFormat out(44100, stereo, AV_SAMPLE_FMT_FLT);
    rz::AudioFilterSettings settings;
    settings.bands = bands;
    rz::AudioFilterGraph graph;
    std::string error;
    double best = 1e9;
    for (int r = 0; r < 5; ++r) {
        QElapsedTimer timer;
        timer.start();
        if (!graph.configure(in, out, settings, &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return -1;
        }
        best = std::min(best, timer.nsecsElapsed() / 1e6);
    }
    return best;
}

struct Waits {
    double longestMs = 0;
    double medianMs = 0;
    int reads = 0;
    int builds = 0;
};

Waits measure(void *player, int bandCount, int changes)
{
    std::vector<double> waits;
    const int before = g_builds;
    for (int c = 0; c < changes; ++c) {
        const std::vector<rz::EqualizerBand> bands = bandsOf(bandCount, 2.0 + c % 4);
        std::vector<double> frequencies, gains;
        for (const rz::EqualizerBand &b : bands) {
            frequencies.push_back(b.frequency);
            gains.push_back(b.gain);
        }
        QElapsedTimer call;
        call.start();
        rz_player_set_audio_equalize(player, frequencies.data(), gains.data(), uint32_t(bands.size()));
        waits.push_back(call.nsecsElapsed() / 1e6);
        // What the GUI's timers read, polled closely for 100 ms.
        QElapsedTimer span;
        span.start();
        while (span.elapsed() < 100) {
            call.restart();
            rz_player_get_play_time(player);
            rz_player_is_running(player);
            if (uint8_t *wave = rz_player_get_audio_wave_data(player, 0))
                rz_player_free_audio_wave_data(player, wave);
            waits.push_back(call.nsecsElapsed() / 1e6);
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    }
    std::sort(waits.begin(), waits.end());
    Waits w;
    w.longestMs = waits.back();
    w.medianMs = waits[waits.size() / 2];
    w.reads = int(waits.size());
    w.builds = g_builds - before;
    return w;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    struct Run {
        int bands;
        int holdMs;
    };
    const std::vector<Run> runs = {{10, 0}, {10, 20}, {10, 100}, {100, 0}, {500, 0}};

    QTemporaryDir dir;
    const QString file = dir.filePath("tone.wav");
    if (!TestSupport::writeToneWav(file, 440, 120, 44100, 2, 0.2)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return 1;
    }
    rz::PlayerEngine::s_filterBuildHook = countBuild;
    void *player = rz_player_create(RZ_PLAYER_DEFAULT);
    if (!rz_player_open_ex(player, file.toUtf8().constData(), 0, 0, 0, 0) || !rz_player_play(player)) {
        std::fprintf(stderr, "cannot play (is a sound server running?)\n");
        return 1;
    }
    const int changes = 30;
    std::printf("equaliser changed %d times while playing, 100 ms apart; GUI reads polled every 0.5 ms:\n",
                changes);
    double plainLongest = 0;
    for (const Run &run : runs) {
        const double build = buildMs(bandsOf(run.bands, 3.0)) + run.holdMs;
        g_holdMs = run.holdMs;
        const Waits w = measure(player, run.bands, changes);
        if (run.bands == 10 && run.holdMs == 0)
            plainLongest = w.longestMs;
        std::printf("  %4d bands, build %7.2f ms%s: %d builds, %d reads, longest wait %7.2f ms "
                    "(median %.3f ms); longest wait / build %.2f; / longest wait of 10 plain bands %.1fx\n",
                    run.bands, build, run.holdMs ? " (held)" : "", w.builds, w.reads, w.longestMs,
                    w.medianMs, w.longestMs / build, w.longestMs / plainLongest);
    }
    g_holdMs = 0;
    rz_player_stop(player);
    rz_player_close(player);
    rz_player_release(player);
    return 0;
}
