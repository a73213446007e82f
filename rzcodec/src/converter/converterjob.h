#pragma once
// The object behind a converter handle: one job that writes a new file from
// a source on a thread of its own, either decoding, filtering and encoding
// the sound (standard) or copying its packets over a time range (plain cut).
// The output survives only a job that completed.

#include "internal/audioencoder.h"
#include "internal/audiofiltergraph.h"
#include "internal/audiomuxer.h"
#include "internal/handle.h"
#include "internal/inputmedia.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace rz {

class ConvertConfig;

class ConverterJob : public Handle
{
public:
    static constexpr Role kRole = Role::Converter;
    enum class Kind { Standard, StreamCopy };
    enum class State { Idle, Prepared, Running, Completed, Failed, Stopped };

    explicit ConverterJob(Kind kind);
    ~ConverterJob() override;

    // With `discTitle`, the source is a DVD-Video folder and the title is
    // read (see InputMedia::openDvdTitle).
    bool prepare(const std::string &source, const std::string &output, const std::string &muxer,
                 const ConvertConfig *config, const int *discTitle = nullptr);
    bool setRange(uint64_t startUs, uint64_t durationUs);
    bool start();
    // Asks a running job to stop; false when none runs.
    bool stop();
    // Waits up to `ms` for the end; true when the job has ended.
    bool waitEnded(uint32_t ms);
    // Stops and joins a running job, removes an output that did not
    // complete, and goes back to idle.
    void close();

    State state() const;
    uint64_t totalUs() const { return m_totalUs.load(); }
    uint64_t doneUs() const { return m_doneUs.load(); }
    const char *errorTextForCaller() const;

    std::string mediaPath() const override { return m_source; }

    // The sound chain a configuration asks for.
    static AudioFilterSettings filterSettings(const ConvertConfig *config);

private:
    bool fail(const std::string &what);
    bool checkOutput() const;
    bool openEncoder(const ConvertConfig *config, const AVOutputFormat *format);
    AVDictionary *outputTags(const ConvertConfig *config) const;
    void run();
    bool runStandard();
    bool runStreamCopy();
    void discardOutput();
    void end(State state);

    const Kind m_kind;
    mutable std::mutex m_mutex;
    std::condition_variable m_ended;
    State m_state = State::Idle;
    std::thread m_worker;
    std::atomic<bool> m_stopRequested{false};
    std::atomic<uint64_t> m_totalUs{0};
    std::atomic<uint64_t> m_doneUs{0};
    std::string m_error;
    mutable std::string m_errorCopy;

    std::string m_source;
    std::string m_output;
    const AVOutputFormat *m_format = nullptr;
    bool m_outputCreated = false;
    uint64_t m_startUs = 0;
    uint64_t m_durationUs = 0;
    std::vector<OutputChapter> m_chapters; // of the configuration, in output time

    InputMedia m_input;
    int m_audioStream = -1;
    AudioFilterSettings m_filterSettings;
    AudioEncoder m_encoder;
    int m_encodeRate = 0;     // what the filter hands the encoder
    int m_encodeChannels = 0;
    AudioMuxer m_muxer;
};

} // namespace rz
