// An effect edit: a 10-minute WAV converted to MP3 at 192 kbit/s with a
// trim, 150 % volume and a 10-band equaliser, against the ffmpeg tool running
// the same filter chain (the boost's limiter included) and encoder on the
// same file. Each side runs as a process of its own, in turns. The fair
// figure sets the converter against the tool with one filter thread, as the
// converter runs its chain; the tool with its default filter threading is
// timed too, and its ratio is printed apart, labelled as a comparison with
// other settings, not as the converter's standing.
//
// The input is music-like and reaches full scale, so that after the boost
// the limiter has peaks to hold: a chord progression of detuned voices with
// a bass, struck on each beat and decaying, noise bursts on the off-beats and
// a slow swell, normalised to just below 0 dBFS.
//
// Usage: bench_convert [work folder]   (default: a folder under /tmp)

#include "internal/audiofiltergraph.h"
#include "rzcodec/config.h"
#include "rzcodec/converter.h"

#include "bench/processrun.h"

#include <sys/stat.h>

#include <array>
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
constexpr int kVolume = 150;
constexpr double kPeak = 0.98; // the input's peak, -0.2 dBFS
const double kBands[10] = {31, 62, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};
const double kGains[10] = {4, 3, 2, 0, -1, -2, 1, 3, 5, 6};

// The music, one stereo frame at a time, the same on every pass.
class Music
{
public:
    Music()
    {
        // A bright wave: the first five harmonics of a sawtooth.
        for (size_t i = 0; i < m_wave.size(); ++i) {
            const double x = 2 * M_PI * double(i) / double(m_wave.size());
            double v = 0;
            for (int k = 1; k <= 5; ++k)
                v += std::sin(k * x) / k;
            m_wave[i] = float(v * 0.55);
        }
    }

    void next(double *left, double *right)
    {
        const double t = double(m_frame) / kRate;
        const double beat = t * 2; // 120 beats a minute
        const int bar = int(t / 2) % 4;
        const double sinceBeat = (beat - std::floor(beat)) / 2;
        const double sinceHalf = (beat * 2 - std::floor(beat * 2)) / 4;
        // A minor, F, C, G: three voices each, every one two oscillators a
        // few cents apart, spread across the two sides.
        static const double chords[4][4] = {{220.00, 261.63, 329.63, 110.00},
                                            {174.61, 220.00, 261.63, 87.31},
                                            {130.81, 164.81, 196.00, 65.41},
                                            {196.00, 246.94, 293.66, 98.00}};
        const double struck = std::min(1.0, sinceBeat / 0.01) * std::exp(-sinceBeat / 0.8);
        double l = 0, r = 0;
        for (int voice = 0; voice < 3; ++voice) {
            const double f = chords[bar][voice];
            const double a = oscillator(2 * voice, f * 1.0023);
            const double b = oscillator(2 * voice + 1, f * 0.9977);
            l += 0.22 * struck * (a * (0.8 - 0.25 * voice) + b * (0.2 + 0.25 * voice));
            r += 0.22 * struck * (b * (0.8 - 0.25 * voice) + a * (0.2 + 0.25 * voice));
        }
        const double bass = 0.35 * std::min(1.0, sinceBeat / 0.005) * std::exp(-sinceBeat / 0.35)
                            * oscillator(6, chords[bar][3]);
        // A hat on every half beat, a snare on beats two and four.
        const double hat = 0.12 * std::exp(-sinceHalf / 0.03) * noise();
        const bool snareBeat = int(beat) % 2 == 1;
        const double snare = snareBeat ? 0.3 * std::exp(-sinceBeat / 0.12) * noise() : 0;
        const double swell = 0.7 + 0.3 * std::sin(2 * M_PI * t / 37);
        *left = swell * (l + bass + hat * 0.7 + snare);
        *right = swell * (r + bass + hat * 1.3 + snare * 0.9);
        ++m_frame;
    }

private:
    double oscillator(int which, double frequency)
    {
        double &phase = m_phase[size_t(which)];
        phase += frequency / kRate;
        phase -= std::floor(phase);
        return m_wave[size_t(phase * double(m_wave.size())) % m_wave.size()];
    }

    double noise()
    {
        m_noise ^= m_noise << 13;
        m_noise ^= m_noise >> 17;
        m_noise ^= m_noise << 5;
        return double(m_noise) / 2147483648.0 - 1.0;
    }

    std::array<float, 4096> m_wave{};
    std::array<double, 7> m_phase{};
    uint32_t m_noise = 2463534242u;
    uint64_t m_frame = 0;
};

bool writeWav(const std::string &path, double *peakOut)
{
    const uint32_t frames = uint32_t(kRate) * kSeconds;
    // The first pass finds the peak, the second writes the normalised music.
    double peak = 0;
    {
        Music music;
        for (uint32_t i = 0; i < frames; ++i) {
            double l, r;
            music.next(&l, &r);
            peak = std::max({peak, std::fabs(l), std::fabs(r)});
        }
    }
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
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
    const double gain = kPeak / peak;
    Music music;
    std::vector<int16_t> block(2 * 4096);
    for (uint32_t at = 0; at < frames; at += 4096) {
        const uint32_t n = std::min<uint32_t>(4096, frames - at);
        for (uint32_t i = 0; i < n; ++i) {
            double l, r;
            music.next(&l, &r);
            block[2 * i] = int16_t(std::lround(l * gain * 32767));
            block[2 * i + 1] = int16_t(std::lround(r * gain * 32767));
        }
        std::fwrite(block.data(), 4, n, f);
    }
    *peakOut = kPeak;
    return std::fclose(f) == 0;
}

// The peak of a 16-bit stereo WAV written by writeWav, from its samples.
double wavPeak(const std::string &path)
{
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (!f)
        return 0;
    std::fseek(f, 44, SEEK_SET);
    std::vector<int16_t> block(1 << 16);
    int peak = 0;
    size_t n;
    while ((n = std::fread(block.data(), 2, block.size(), f)) > 0) {
        for (size_t i = 0; i < n; ++i)
            peak = std::max(peak, std::abs(int(block[i])));
    }
    std::fclose(f);
    return peak / 32767.0;
}

bool convertOurs(const std::string &in, const std::string &out)
{
    void *config = rz_config_create();
    rz_config_set_audio_bitrate(config, 192000);
    rz_config_set_audio_sample_rate(config, kRate);
    rz_config_set_audio_channels(config, 2);
    rz_config_set_audio_volume(config, kVolume);
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

rz::AudioFilterSettings filterSettings()
{
    rz::AudioFilterSettings settings;
    settings.volume = kVolume;
    for (int i = 0; i < 10; ++i)
        settings.bands.push_back({kBands[i], kGains[i]});
    return settings;
}

// The converter's own chain, described by the code that builds it.
std::string chain()
{
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    const rz::AudioFormat format(kRate, stereo, AV_SAMPLE_FMT_FLT);
    return rz::AudioFilterGraph::describe(format, format, filterSettings());
}

std::vector<std::string> toolArgs(const std::string &in, const std::string &out, bool oneFilterThread)
{
    std::vector<std::string> args{"ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-y"};
    if (oneFilterThread)
        args.insert(args.end(), {"-filter_threads", "1"});
    args.insert(args.end(), {"-ss", std::to_string(double(kStartUs) / 1e6), "-t",
                             std::to_string(double(kLengthUs) / 1e6), "-i", in, "-af", chain(), "-c:a",
                             "libmp3lame", "-b:a", "192k", "-ar", "44100", "-ac", "2", out});
    return args;
}

} // namespace

int main(int argc, char **argv)
{
    // The converter's side, as a process of its own.
    if (argc == 4 && std::string(argv[1]) == "--convert")
        return convertOurs(argv[2], argv[3]) ? 0 : 1;

    std::string dir = argc > 1 ? argv[1] : "/tmp/velmora-bench-convert";
    mkdir(dir.c_str(), 0700);
    const std::string wav = dir + "/ten-minutes-music.wav";
    struct stat st {};
    double peak = 0;
    if (stat(wav.c_str(), &st) == 0) {
        peak = wavPeak(wav);
    } else if (!writeWav(wav, &peak)) {
        std::fprintf(stderr, "cannot write %s\n", wav.c_str());
        return 1;
    }
    const std::string code = chain();
    if (code.find("alimiter") == std::string::npos) {
        std::fprintf(stderr, "the chain has no limiter: %s\n", code.c_str());
        return 1;
    }
    // Rounds taken in turn, so that a busy machine weighs on all alike.
    constexpr int kRounds = 5;
    std::vector<BenchProcess::Run> ours, tool, toolOne;
    for (int round = 0; round < kRounds; ++round) {
        BenchProcess::Run a, b, c;
        if (!BenchProcess::run({"/proc/self/exe", "--convert", wav, dir + "/ours.mp3"}, &a)) {
            std::fprintf(stderr, "the converter failed\n");
            return 1;
        }
        if (!BenchProcess::run(toolArgs(wav, dir + "/tool.mp3", false), &b)
            || !BenchProcess::run(toolArgs(wav, dir + "/tool1.mp3", true), &c)) {
            std::fprintf(stderr, "the ffmpeg tool failed\n");
            return 1;
        }
        ours.push_back(a);
        tool.push_back(b);
        toolOne.push_back(c);
    }
    std::printf("effect edit: 10-minute WAV -> MP3 192 kbit/s, 9-minute range, volume %d %%, 10 bands\n"
                "input peaks at %.1f dBFS, %.1f dBFS after the volume alone (the limiter holds "
                "%.1f dBFS)\n"
                "chain on both sides: %s\n"
                "whole processes, %d rounds, min / median\n",
                kVolume, 20 * std::log10(peak), 20 * std::log10(peak * kVolume / 100.0),
                20 * std::log10(rz::kLimiterCeiling), code.c_str(), kRounds);
    std::printf("same settings (one filter thread on both sides):\n");
    BenchProcess::printRuns("converter", ours);
    BenchProcess::printRuns("ffmpeg -filter_threads 1", toolOne);
    BenchProcess::printRatios("ours / ffmpeg", ours, toolOne);
    std::printf("other settings, not the converter's standing (ffmpeg's default filter threading):\n");
    BenchProcess::printRuns("ffmpeg, default filter threads", tool);
    BenchProcess::printRatios("ours / ffmpeg default", ours, tool);
    return 0;
}
