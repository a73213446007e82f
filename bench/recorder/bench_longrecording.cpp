// Eight hours of two-source sound through the recorder at full speed into
// one format. Prints the peak and current memory of the process at each
// hour, the time the finish takes (the M4A rewrite included), and the
// length of the finished file against the sound pushed.
//   bench_longrecording mp3|m4a [HOURS] [OUTPUT_FOLDER]

#include "rzcodec/config.h"
#include "rzcodec/codecids.h"
#include "rzcodec/recorder.h"
#include "twosourcefeed.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

// "VmHWM" (peak) or "VmRSS" (now) of this process in MB.
double memoryMb(const char *field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.compare(0, key.size(), key) == 0)
            return std::atof(line.c_str() + key.size()) / 1024.0;
    return 0;
}

// The length the container reports, as readers that trust headers see it.
double fileSeconds(const std::string &path)
{
    AVFormatContext *ctx = nullptr;
    if (avformat_open_input(&ctx, path.c_str(), nullptr, nullptr) < 0)
        return -1;
    double s = -1;
    if (avformat_find_stream_info(ctx, nullptr) >= 0 && ctx->duration != AV_NOPTS_VALUE)
        s = double(ctx->duration) / AV_TIME_BASE;
    avformat_close_input(&ctx);
    return s;
}

double since(std::chrono::steady_clock::time_point t)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

} // namespace

int main(int argc, char **argv)
{
    const std::string kind = argc > 1 ? argv[1] : "mp3";
    const int hours = argc > 2 ? std::atoi(argv[2]) : 8;
    const std::string folder = argc > 3 ? argv[3] : "/tmp";
    if ((kind != "mp3" && kind != "m4a") || hours <= 0) {
        std::fprintf(stderr, "usage: %s mp3|m4a [HOURS] [OUTPUT_FOLDER]\n", argv[0]);
        return 2;
    }
    const std::string path = folder + "/bench_longrecording." + kind;
    void *rec = rz_recorder_create(-1);
    void *stream = rz_stream_create(RZ_MEDIA_AUDIO);
    void *config = rz_config_create();
    rz_config_set_audio_codec(config, kind == "mp3" ? RZ_CODEC_MP3 : RZ_CODEC_AAC);
    rz_config_set_audio_sample_rate(config, TwoSourceFeed::kRate);
    rz_config_set_audio_channels(config, 2);
    rz_config_set_audio_bitrate(config, kind == "mp3" ? 192000 : 128000);
    rz_config_set_input_count(config, 2);
    rz_config_add_input_stream(config, stream);
    if (!rz_recorder_open(rec, path.c_str(), kind == "mp3" ? "mp3" : "mp4", config)
        || !rz_recorder_run(rec)) {
        std::fprintf(stderr, "cannot record into %s: %s\n", path.c_str(), rz_recorder_error_text(rec));
        return 1;
    }
    const uint64_t hour = uint64_t(3600) * TwoSourceFeed::kRate;
    const auto start = std::chrono::steady_clock::now();
    double firstHourPeak = 0;
    uint64_t pushed = 0;
    {
        TwoSourceFeed feed(rec, stream);
        for (int h = 1; h <= hours; ++h) {
            pushed = feed.pushUntil(uint64_t(h) * hour);
            const double peak = memoryMb("VmHWM");
            if (h == 1)
                firstHourPeak = peak;
            std::printf("%s hour %d: peak %.1f MB, now %.1f MB, growth since hour 1 %.2f MB (%.0f s)\n",
                        kind.c_str(), h, peak, memoryMb("VmRSS"), peak - firstHourPeak, since(start));
            std::fflush(stdout);
        }
    }
    const double recordingPeak = memoryMb("VmHWM");
    const auto stopping = std::chrono::steady_clock::now();
    const bool ok = rz_recorder_stop(rec) && rz_recorder_finish(rec);
    const double finish = since(stopping);
    const double total = since(start);
    rz_recorder_release(rec);
    rz_stream_release(stream);
    rz_config_release(config);
    if (!ok) {
        std::fprintf(stderr, "the recording did not complete\n");
        return 1;
    }
    const double expected = double(pushed) / TwoSourceFeed::kRate;
    const double length = fileSeconds(path);
    std::printf("%s: %.1fx real time (%.0f s); recording peak %.1f MB, growth after hour 1 %.2f MB "
                "(target under 5); stop and finish %.2f s, peak with the finish %.1f MB\n",
                kind.c_str(), expected / total, total, recordingPeak, recordingPeak - firstHourPeak,
                finish, memoryMb("VmHWM"));
    std::printf("%s: file length %.3f s for %.3f s pushed, off by %.3f s (target within 0.1)\n",
                kind.c_str(), length, expected, length - expected);
    std::remove(path.c_str());
    return 0;
}
