// A standard conversion of a 10-minute WAV to MP3 at 192 kbit/s with a trim,
// volume and a 10-band equaliser, timed against the ffmpeg tool running the
// same filter chain and encoder on the same file.
//
// Usage: bench_convert [work folder]   (default: a folder under /tmp)

#include "internal/audiofiltergraph.h"
#include "rzcodec/config.h"
#include "rzcodec/converter.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr int kSeconds = 600;
constexpr uint64_t kStartUs = 30000000;
constexpr uint64_t kLengthUs = 540000000;
const double kBands[10] = {31, 62, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};
const double kGains[10] = {4, 3, 2, 0, -1, -2, 1, 3, 5, 6};

bool writeWav(const std::string &path)
{
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const uint32_t frames = uint32_t(kRate) * kSeconds;
    const uint32_t data = frames * 4;
    auto u32 = [&](uint32_t v) { std::fwrite(&v, 4, 1, f); };
    auto u16 = [&](uint16_t v) { std::fwrite(&v, 2, 1, f); };
    std::fwrite("RIFF", 1, 4, f);
    u32(36 + data);
    std::fwrite("WAVEfmt ", 1, 8, f);
    u32(16);
    u16(1);
    u16(2);
    u32(kRate);
    u32(kRate * 4);
    u16(4);
    u16(16);
    std::fwrite("data", 1, 4, f);
    u32(data);
    // Two tones and a slow sweep, so every band has something to shape.
    std::vector<int16_t> block(2 * 4096);
    double phaseA = 0, phaseB = 0;
    for (uint32_t at = 0; at < frames; at += 4096) {
        const uint32_t n = std::min<uint32_t>(4096, frames - at);
        for (uint32_t i = 0; i < n; ++i) {
            const double t = double(at + i) / kRate;
            phaseA += 2 * M_PI * 220.0 / kRate;
            phaseB += 2 * M_PI * (500.0 + 400.0 * std::sin(t * 0.05)) / kRate;
            const double v = 0.2 * std::sin(phaseA) + 0.15 * std::sin(phaseB);
            block[2 * i] = int16_t(v * 32767);
            block[2 * i + 1] = int16_t(v * 30000);
        }
        std::fwrite(block.data(), 4, n, f);
    }
    return std::fclose(f) == 0;
}

// Wall-clock and processor seconds of one run.
struct Timing {
    double wall = 0;
    double cpu = 0;
};

double cpuSeconds(int who)
{
    rusage u{};
    getrusage(who, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec)
           + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Times a run; the processor time counts this process or its children.
template <class Run>
bool timed(Run run, int who, Timing *best)
{
    const auto wall = std::chrono::steady_clock::now();
    const double cpu = cpuSeconds(who);
    if (!run())
        return false;
    const Timing t{std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count(),
                   cpuSeconds(who) - cpu};
    if (best->wall == 0 || t.wall < best->wall)
        best->wall = t.wall;
    if (best->cpu == 0 || t.cpu < best->cpu)
        best->cpu = t.cpu;
    return true;
}

bool convertOurs(const std::string &in, const std::string &out)
{
    void *config = rz_config_create();
    rz_config_set_audio_bitrate(config, 192000);
    rz_config_set_audio_sample_rate(config, kRate);
    rz_config_set_audio_channels(config, 2);
    rz_config_set_audio_volume(config, 150);
    rz_config_set_audio_equalize(config, kBands, kGains, 10);
    void *job = rz_converter_create(-1);
    bool ok = rz_converter_prepare(job, in.c_str(), out.c_str(), "mp3", config)
              && rz_converter_set_time_range(job, kStartUs, kLengthUs) && rz_converter_start(job);
    rz_config_release(config);
    if (ok) {
        while (!rz_converter_wait(job, 100)) {
        }
        ok = !rz_converter_is_failed(job) && !rz_converter_is_stopped(job);
    }
    if (!ok)
        std::fprintf(stderr, "ours failed: %s\n", rz_converter_error_text(job));
    rz_converter_close(job);
    rz_converter_release(job);
    return ok;
}

bool convertTool(const std::string &in, const std::string &out)
{
    rz::AudioFilterSettings settings;
    settings.volume = 150;
    for (int i = 0; i < 10; ++i)
        settings.bands.push_back({kBands[i], kGains[i]});
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    const rz::AudioFormat format(kRate, stereo, AV_SAMPLE_FMT_FLT);
    const std::string chain = rz::AudioFilterGraph::describe(format, format, settings);
    const std::string start = std::to_string(double(kStartUs) / 1e6);
    const std::string length = std::to_string(double(kLengthUs) / 1e6);
    const pid_t pid = fork();
    if (pid == 0) {
        execlp("ffmpeg", "ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-y", "-ss",
               start.c_str(), "-t", length.c_str(), "-i", in.c_str(), "-af", chain.c_str(), "-c:a",
               "libmp3lame", "-b:a", "192k", "-ar", "44100", "-ac", "2", out.c_str(),
               static_cast<char *>(nullptr));
        _exit(127);
    }
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)
           && WEXITSTATUS(status) == 0;
}

} // namespace

int main(int argc, char **argv)
{
    std::string dir = argc > 1 ? argv[1] : "/tmp/velmora-bench-convert";
    mkdir(dir.c_str(), 0700);
    const std::string wav = dir + "/ten-minutes.wav";
    struct stat st {};
    if (stat(wav.c_str(), &st) != 0 && !writeWav(wav)) {
        std::fprintf(stderr, "cannot write %s\n", wav.c_str());
        return 1;
    }
    // Alternating runs, the best of each, so that a busy machine hurts both alike.
    Timing ours, tool;
    for (int round = 0; round < 2; ++round) {
        if (!timed([&] { return convertOurs(wav, dir + "/ours.mp3"); }, RUSAGE_SELF, &ours))
            return 1;
        if (!timed([&] { return convertTool(wav, dir + "/tool.mp3"); }, RUSAGE_CHILDREN, &tool)) {
            std::fprintf(stderr, "the ffmpeg tool failed\n");
            return 1;
        }
    }
    std::printf("10-minute WAV -> MP3 192 kbit/s, 9-minute range, volume 150 %%, 10 bands "
                "(best of 2)\n");
    std::printf("converter:   %.2f s wall, %.2f s processor\n", ours.wall, ours.cpu);
    std::printf("ffmpeg tool: %.2f s wall, %.2f s processor\n", tool.wall, tool.cpu);
    std::printf("ratio (converter / tool): %.2f wall, %.2f processor\n", ours.wall / tool.wall,
                ours.cpu / tool.cpu);
    return 0;
}
