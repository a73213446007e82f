// How long the play thread holds the engine while it builds the sound chain
// for an equaliser (the GUI's wave and position reads wait that long): ten
// bands, the most an edit record carries, against 100 and 1,000 bands, what
// an unbounded preset could ask for. Run by hand: bench_equaliserbuild.

#include "internal/audiofiltergraph.h"
#include "internal/ffmpeg.h"

#include <QElapsedTimer>

#include <cstdio>
#include <string>

namespace {

double buildMs(int bands)
{
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    const rz::AudioFormat format(44100, stereo, AV_SAMPLE_FMT_FLT);
    rz::AudioFilterSettings settings;
    for (int i = 0; i < bands; ++i)
        settings.bands.push_back({20.0 + 2.0 * i, (i % 7) - 3.0 + 0.5});
    rz::AudioFilterGraph graph;
    std::string error;
    const int rounds = bands <= 10 ? 50 : 3;
    QElapsedTimer timer;
    timer.start();
    for (int r = 0; r < rounds; ++r) {
        if (!graph.configure(format, format, settings, &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return -1;
        }
    }
    return timer.nsecsElapsed() / 1e6 / rounds;
}

} // namespace

int main()
{
    const double ten = buildMs(10);
    const double hundred = buildMs(100);
    const double thousand = buildMs(1000);
    std::printf("sound chain built with 10 bands: %.2f ms; 100 bands: %.1f ms (%.0fx); 1,000 bands: %.0f ms (%.0fx)\n",
                ten, hundred, hundred / ten, thousand, thousand / ten);
    return 0;
}
