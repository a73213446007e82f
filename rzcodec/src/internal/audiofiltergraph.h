#pragma once
// The one audio filter chain of the codec layer: volume, speed, rate and the
// equaliser bands turned into libavfilter filters. The player and the
// converter both run decoded audio through it, so what a preview plays is what
// a conversion writes.

#include <string>
#include <vector>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/rational.h>
#include <libavutil/samplefmt.h>
}

struct AVFilterGraph;
struct AVFilterContext;
struct AVFrame;

namespace rz {

// One peaking band: centre frequency in Hz, gain in dB.
struct EqualizerBand {
    double frequency = 0.0;
    double gain = 0.0;
};

// The highest peak a chain that boosts lets through: -1 dBFS.
constexpr double kLimiterCeiling = 0.891251;

// Percentages, 100 = unchanged.
struct AudioFilterSettings {
    int volume = 100;  // linear level: 50 halves the amplitude
    int speed = 100;   // tempo without changing the pitch
    int rate = 100;    // tempo and pitch together, like a faster tape
    std::vector<EqualizerBand> bands;

    bool isNeutral() const;
    // A louder volume or a band that boosts: the chain then limits its peaks.
    bool canRaiseLevel() const;
    // Source seconds consumed per second of filtered output.
    double timeRatio() const;
    bool operator==(const AudioFilterSettings &other) const;
    bool operator!=(const AudioFilterSettings &other) const { return !(*this == other); }
};

// Sample rate, channel layout and sample format of one side of the graph.
struct AudioFormat {
    int sampleRate = 0;
    AVChannelLayout layout{};
    AVSampleFormat sampleFormat = AV_SAMPLE_FMT_NONE;

    AudioFormat() = default;
    AudioFormat(int rate, const AVChannelLayout &channels, AVSampleFormat format);
    AudioFormat(const AudioFormat &other);
    AudioFormat &operator=(const AudioFormat &other);
    ~AudioFormat();
    int channels() const { return layout.nb_channels; }
};

class AudioFilterGraph
{
public:
    AudioFilterGraph() = default;
    ~AudioFilterGraph();
    AudioFilterGraph(const AudioFilterGraph &) = delete;
    AudioFilterGraph &operator=(const AudioFilterGraph &) = delete;

    // Builds the chain from `in` to `out`; false with a reason in *error.
    bool configure(const AudioFormat &in, const AudioFormat &out,
                   const AudioFilterSettings &settings, std::string *error);
    bool isConfigured() const { return m_graph != nullptr; }
    // Makes every filtered frame hold exactly `samples` samples (the last one
    // may be shorter), as encoders with a fixed frame size need; 0 = any.
    void setOutputFrameSize(unsigned samples);
    void reset();
    // Trades chains with `other` (one built elsewhere is put in place).
    void swap(AudioFilterGraph &other);

    // Feeds one decoded frame (its pts in 1 / input sample rate, or
    // AV_NOPTS_VALUE); null marks the end of the input. Returns 0 or an
    // FFmpeg error.
    int push(AVFrame *frame);
    // Takes one filtered frame: 0, AVERROR(EAGAIN) when more input is needed,
    // AVERROR_EOF after the end was pushed and everything was taken.
    int pull(AVFrame *frame);

    const AudioFilterSettings &settings() const { return m_settings; }
    const AudioFormat &inputFormat() const { return m_in; }
    const AudioFormat &outputFormat() const { return m_out; }

    // The filter description the chain was built from (for logs and tests).
    static std::string describe(const AudioFormat &in, const AudioFormat &out,
                                const AudioFilterSettings &settings);

private:
    AVFilterGraph *m_graph = nullptr;
    AVFilterContext *m_source = nullptr;
    AVFilterContext *m_sink = nullptr;
    AudioFormat m_in;
    AudioFormat m_out;
    AudioFilterSettings m_settings;
};

} // namespace rz
