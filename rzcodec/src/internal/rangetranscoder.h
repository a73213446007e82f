#pragma once
// Decodes a time range of one input's sound, runs it through the shared
// filter chain and hands it to an encoder. The converter runs one range per
// job; the merger runs one per source into the same encoder, so the sources
// join without a gap.

#include "internal/audioencoder.h"
#include "internal/audiofiltergraph.h"
#include "internal/inputmedia.h"

#include <atomic>
#include <functional>
#include <string>

namespace rz {

class RangeTranscoder
{
public:
    // The encoder (already open, fed at `rate` with `channels`) outlives the
    // transcoder.
    RangeTranscoder(AudioEncoder &encoder, int rate, int channels);

    // Feeds [startUs, startUs + durationUs) of `stream` (0 = to the end),
    // filtered with `settings`, and drains the chain at the end. `progress`
    // gets the source microseconds fed so far. False with *error set on
    // failure; false without an error when `stop` was set.
    bool run(InputMedia &input, int stream, const AudioFilterSettings &settings, uint64_t startUs,
             uint64_t durationUs, const std::atomic<bool> &stop,
             const std::function<void(uint64_t)> &progress, std::string *error);

private:
    bool filterAndEncode(AVFrame *frame, int64_t timeUs, std::string *error);
    bool drain(std::string *error);

    AudioEncoder &m_encoder;
    const int m_rate;
    const int m_channels;
    AudioFilterSettings m_settings;
    AudioFilterGraph m_graph;
    FramePtr m_filtered = makeFrame();
    uint64_t m_startUs = 0;
};

} // namespace rz
