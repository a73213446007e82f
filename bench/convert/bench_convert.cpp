// A standard conversion of a 10-minute WAV to MP3 at 192 kbit/s with a trim,
// volume and a 10-band equaliser, timed against the ffmpeg tool running the
// same filter chain and encoder on the same file. Each side runs as a process
// of its own. The tool is timed twice: with its filter threading as it comes,
// and with one filter thread, as the converter runs its chain.
//
// Usage: bench_convert [work folder]   (default: a folder under /tmp)

#include "internal/audiofiltergraph.h"
#include "rzcodec/config.h"
#include "rzcodec/converter.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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

// Runs a program to its end; its wall-clock and processor time (its own and
// its threads'), or nothing when it failed.
bool runTimed(const std::vector<std::string> &args, Timing *out)
{
    std::vector<char *> argv;
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    const auto wall = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage u{};
    if (pid <= 0 || wait4(pid, &status, 0, &u) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return false;
    out->wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
    out->cpu = double(u.ru_utime.tv_sec + u.ru_stime.tv_sec)
               + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
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

std::vector<std::string> toolArgs(const std::string &in, const std::string &out, bool oneFilterThread)
{
    rz::AudioFilterSettings settings;
    settings.volume = 150;
    for (int i = 0; i < 10; ++i)
        settings.bands.push_back({kBands[i], kGains[i]});
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    const rz::AudioFormat format(kRate, stereo, AV_SAMPLE_FMT_FLT);
    std::vector<std::string> args{"ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-y"};
    if (oneFilterThread)
        args.insert(args.end(), {"-filter_threads", "1"});
    args.insert(args.end(), {"-ss", std::to_string(double(kStartUs) / 1e6), "-t",
                             std::to_string(double(kLengthUs) / 1e6), "-i", in, "-af",
                             rz::AudioFilterGraph::describe(format, format, settings), "-c:a",
                             "libmp3lame", "-b:a", "192k", "-ar", "44100", "-ac", "2", out});
    return args;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// Minimum and median of the pairwise ratios a[i] / b[i].
void printRatio(const char *what, const std::vector<Timing> &a, const std::vector<Timing> &b)
{
    std::vector<double> wall, cpu;
    for (size_t i = 0; i < a.size(); ++i) {
        wall.push_back(a[i].wall / b[i].wall);
        cpu.push_back(a[i].cpu / b[i].cpu);
    }
    std::printf("ratio converter / %s: wall %.2f min, %.2f median; processor %.2f min, %.2f median\n",
                what, *std::min_element(wall.begin(), wall.end()), median(wall),
                *std::min_element(cpu.begin(), cpu.end()), median(cpu));
}

void printTimes(const char *what, const std::vector<Timing> &runs)
{
    std::vector<double> wall, cpu;
    for (const Timing &t : runs) {
        wall.push_back(t.wall);
        cpu.push_back(t.cpu);
    }
    std::printf("%-32s wall %.2f s median (%.2f min), processor %.2f s median (%.2f min)\n", what,
                median(wall), *std::min_element(wall.begin(), wall.end()), median(cpu),
                *std::min_element(cpu.begin(), cpu.end()));
}

} // namespace

int main(int argc, char **argv)
{
    // The converter's side, as a process of its own.
    if (argc == 4 && std::string(argv[1]) == "--convert")
        return convertOurs(argv[2], argv[3]) ? 0 : 1;

    std::string dir = argc > 1 ? argv[1] : "/tmp/velmora-bench-convert";
    mkdir(dir.c_str(), 0700);
    const std::string wav = dir + "/ten-minutes.wav";
    struct stat st {};
    if (stat(wav.c_str(), &st) != 0 && !writeWav(wav)) {
        std::fprintf(stderr, "cannot write %s\n", wav.c_str());
        return 1;
    }
    // Rounds taken in turn, so that a busy machine weighs on all alike.
    constexpr int kRounds = 3;
    std::vector<Timing> ours(kRounds), tool(kRounds), toolOne(kRounds);
    for (int round = 0; round < kRounds; ++round) {
        if (!runTimed({"/proc/self/exe", "--convert", wav, dir + "/ours.mp3"}, &ours[size_t(round)])) {
            std::fprintf(stderr, "the converter failed\n");
            return 1;
        }
        if (!runTimed(toolArgs(wav, dir + "/tool.mp3", false), &tool[size_t(round)])
            || !runTimed(toolArgs(wav, dir + "/tool1.mp3", true), &toolOne[size_t(round)])) {
            std::fprintf(stderr, "the ffmpeg tool failed\n");
            return 1;
        }
    }
    std::printf("10-minute WAV -> MP3 192 kbit/s, 9-minute range, volume 150 %%, 10 bands, "
                "whole processes, %d rounds\n", kRounds);
    printTimes("converter:", ours);
    printTimes("ffmpeg tool, filter threading:", tool);
    printTimes("ffmpeg tool, one filter thread:", toolOne);
    printRatio("tool with filter threading", ours, tool);
    printRatio("tool with one filter thread", ours, toolOne);
    return 0;
}
