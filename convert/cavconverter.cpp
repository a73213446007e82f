#include "convert/cavconverter.h"

#include "convert/convertlog.h"

#include "media/jxconfigmanager.h"
#include "media/jxtagfileaccess.h"
#include "recorder/cavencodeparam.h"
#include "rzcodec/config.h"
#include "rzcodec/converter.h"
#include "rzcodec/mediainfo.h"
#include "rzcodec/merger.h"
#include "rzcodec/trackwriter.h"

#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <chrono>
#include <thread>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

constexpr uint32_t kPollMs = 100;
// The track writer's reports follow the pushed packets closely.
constexpr int kTrackPollMs = 10;
// The stop handshake has no deadline: the job always ends once asked.
constexpr int kStopWaitMs = INT_MAX;

} // namespace

// ---- IAVConverter ----------------------------------------------------------

IAVConverter::~IAVConverter()
{
    freeRequest();
}

void IAVConverter::keepRequest(const char *source, const char *output, const CAVEncodeParam *param)
{
    freeRequest();
    m_param = param ? new CAVEncodeParam(*param) : nullptr;
    m_sourcePath = strdup(source);
    m_outputPath = strdup(output);
}

void IAVConverter::freeRequest()
{
    delete m_param;
    m_param = nullptr;
    std::free(m_sourcePath);
    m_sourcePath = nullptr;
    std::free(m_outputPath);
    m_outputPath = nullptr;
}

void IAVConverter::setAudioTag()
{
    if (!m_param || !m_outputPath)
        return;
    // A file that cannot take the tags stays untagged; the job still counts.
    if (!JXTagFileAccess::write(m_outputPath, m_param->tags.toTagInfo(), JXTagFileAccess::AllFields))
        qCDebug(lcConvert) << "converter: the tags were not written into" << m_outputPath;
}

IAVConverter *CreateAVConverter()
{
    return new CAVConverter;
}

void DestroyAVConverter(IAVConverter *converter)
{
    delete converter;
}

// ---- CAVConverter ----------------------------------------------------------

CAVConverter::CAVConverter() = default;

CAVConverter::~CAVConverter()
{
    StopConvert();
    StopMerger(true);
    ReleaseAllTracks();
}

void CAVConverter::SetConvertConfig(void *config, const CAVEncodeParam *param)
{
    if (!config || !param)
        return;
    if (!param->plainCut) {
        param->applyEncoderSettings(config, true, true);
        rz_config_set_audio_volume(config, uint32_t(std::max(0, param->audioPercent[0])));
        rz_config_set_audio_rate(config, uint32_t(std::max(1, param->audioPercent[1])));
        rz_config_set_audio_speed(config, uint32_t(std::max(1, param->audioPercent[2])));
    }
    JXConfigManager::setAudioTagInfoSettings(config, param->tags.toTagInfo());
}

bool CAVConverter::StartConvert(const char *source, const char *output, CAVEncodeParam *param,
                                void *user, ConvertCallback callback, bool chapters)
{
    if (!source || !output || !*source || !*output || !param)
        return false;
    StopConvert(); // a job still held is ended before another starts
    if (m_merger) {
        qCWarning(lcConvert) << "converter: a merge runs; it is stopped before a conversion";
        return false;
    }
    m_chapters = chapters;
    std::lock_guard<std::mutex> lock(m_control);
    m_job = param->plainCut ? rz_converter_create_stream_copy(-1) : rz_converter_create(-1);
    if (!m_job)
        return false;
    m_user = user;
    m_callback = callback;
    void *config = rz_config_create();
    if (config) {
        SetConvertConfig(config, param);
        if (!param->plainCut)
            JXConfigManager::setAudioSettings(config, param->editConfig.audioSettings);
        JXConfigManager::setAudioTagInfoSettings(config, param->editConfig.audioTagInfo);
        qCDebug(lcConvert, "video: 0x%0x, %u*%u, %u fps, %u kbps %u\nAudio: 0x%0x, %u Hz, %u bps, %u",
                    unsigned(param->videoCodec), param->width, param->height, param->frameRate100,
                    param->videoBitRate, unsigned(param->quality), unsigned(param->audioCodec),
                    param->sampleRate, param->audioBitRate, param->channels);
    }
    keepRequest(source, output, param);
    if (chapters) {
        // The worker prepares the job after the pass, with this configuration.
        m_config = config;
        m_stopRequested = false;
        if (startThread())
            return true;
        rz_config_release(m_config);
        m_config = nullptr;
        releaseJob();
        return false;
    }
    bool started = false;
    if (prepareJob(config)) {
        rz_converter_set_time_range(m_job, param->rangeStart, param->rangeDuration);
        started = rz_converter_start(m_job) != 0;
        qCDebug(lcConvert) << "StartConvert------+++" << started;
        m_stopRequested = false;
        if (started && !startThread()) {
            // No worker to report: the job ends here, unreported.
            m_stopRequested = true;
            rz_converter_stop(m_job);
            stopThread(kStopWaitMs);
            started = false;
        }
    }
    rz_config_release(config);
    if (!started) {
        // Closing removes whatever the job created.
        releaseJob();
    }
    return started;
}

bool CAVConverter::prepareJob(void *config)
{
    // A disc source is a DVD-Video folder; the record names the title.
    const bool prepared = m_param->discSource
                              ? rz_converter_prepare_disc(m_job, m_sourcePath, m_param->value43,
                                                          m_outputPath, m_param->formatName(), config)
                              : rz_converter_prepare(m_job, m_sourcePath, m_outputPath,
                                                     m_param->formatName(), config);
    if (prepared)
        return true;
    qCWarning(lcConvert) << "converter:" << rz_converter_error_text(m_job);
    return false;
}

void CAVConverter::StopConvert()
{
    {
        std::lock_guard<std::mutex> writerLock(m_trackWriterMutex);
        if (m_trackWriter) {
            // StartWithTrack sees the stop and returns, also one still
            // making its file; the writer lives while this lock is held.
            m_stopRequested = true;
            rz_trackwriter_stop(m_trackWriter);
            return;
        }
    }
    std::lock_guard<std::mutex> lock(m_control);
    if (!m_job)
        return;
    m_stopRequested = true;
    if (m_inChapterPass) {
        // The pass may be waiting on the source: it is interrupted, and the
        // worker reports the stop when it sees it.
        std::lock_guard<std::mutex> info(m_chapterInfoMutex);
        if (m_chapterInfo)
            rz_info_interrupt(m_chapterInfo, 1);
    } else
    // A job that has ended (completed, failed or stopped) has nothing to
    // stop: only a running job that refuses is worth a warning.
    if (!rz_converter_get_state(m_job) && !rz_converter_stop(m_job)
        && !rz_converter_get_state(m_job))
        qCWarning(lcConvert) << "stop convert failed!";
    // Joins the worker, which reports the stop before it returns.
    while (!stopThread(kStopWaitMs)) {
    }
    releaseJob();
}

void CAVConverter::releaseJob()
{
    if (m_config)
        rz_config_release(m_config);
    m_config = nullptr;
    rz_converter_close(m_job);
    rz_converter_release(m_job);
    m_job = nullptr;
    m_user = nullptr;
    m_callback = nullptr;
}

void CAVConverter::report(unsigned int progress, convertState state)
{
    report(progress, state, m_callback, m_user);
}

void CAVConverter::report(unsigned int progress, convertState state, ConvertCallback callback,
                          void *user)
{
    if (callback)
        callback(progress, user, state);
}

void CAVConverter::SetChapter(void *config, const CAVEncodeParam *param)
{
    if (!config || !param)
        return;
    void *info = rz_info_create(0xFFFFFFFF);
    if (!info)
        return;
    {
        std::lock_guard<std::mutex> lock(m_chapterInfoMutex);
        m_chapterInfo = info;
    }
    const bool opened = !m_stopRequested
                        && (param->discSource
                                ? rz_info_open_dvd_title(info, m_sourcePath, param->value43) != 0
                                : rz_info_open(info, m_sourcePath) != 0);
    if (opened) {
        const uint64_t from = param->rangeStart;
        const uint64_t to = param->rangeDuration ? from + param->rangeDuration : UINT64_MAX;
        // Output time runs faster than the source's by the rate factor and
        // the edit's own speed and rate; a plain cut keeps the time.
        double factor = 100.0;
        if (!param->plainCut) {
            const VEAudioEffectSetting &edit = param->editConfig.audioSettings;
            factor = std::max(1, param->audioPercent[1]) * (std::max(1u, edit.speed) / 100.0)
                     * (std::max(1u, edit.rate) / 100.0);
        }
        const int count = rz_info_chapter_count(info);
        for (int i = 0; i < count && !m_stopRequested; ++i) {
            const uint64_t start = rz_info_chapter_start(info, i);
            const uint64_t end = start + rz_info_chapter_duration(info, i);
            if (end <= from || start >= to)
                continue;
            const uint64_t keptStart = std::max(start, from) - from;
            const uint64_t keptEnd = std::min(end, to) - from;
            if (keptEnd <= keptStart)
                continue;
            const char *title = rz_info_chapter_title(info, i);
            const std::string name = title && *title ? std::string(title)
                                                     : "Chapter " + std::to_string(i + 1);
            rz_config_add_chapter(config, uint64_t(keptStart * 100 / factor),
                                  uint64_t((keptEnd - keptStart) * 100 / factor), name.c_str());
        }
    }
    std::lock_guard<std::mutex> lock(m_chapterInfoMutex);
    m_chapterInfo = nullptr;
    rz_info_release(info);
}

bool CAVConverter::chapterPass(unsigned int *offset)
{
    report(1, convertChapter);
    QElapsedTimer timer;
    timer.start();
    SetChapter(m_config, m_param);
    m_inChapterPass = false;
    bool ok = !m_stopRequested && prepareJob(m_config);
    {
        std::lock_guard<std::mutex> lock(m_chapterInfoMutex);
        rz_config_release(m_config);
        m_config = nullptr;
    }
    if (ok) {
        rz_converter_set_time_range(m_job, m_param->rangeStart, m_param->rangeDuration);
        ok = rz_converter_start(m_job) != 0;
        qCDebug(lcConvert) << "StartConvert------+++" << ok;
    }
    if (!ok) {
        // Nothing was written: a job that did not start leaves no file.
        report(m_stopRequested ? 100 : 0, m_stopRequested ? convertStopped : convertFailed);
        return false;
    }
    *offset = unsigned(std::min<qint64>(timer.elapsed() / 4000, 20));
    return true;
}

bool CAVConverter::AddTrack(uint32_t type, uint32_t format, CTrackDesc *desc)
{
    return AddTrack(type, type, format, desc);
}

bool CAVConverter::AddTrack(uint32_t id, uint32_t type, uint32_t format, CTrackDesc *desc)
{
    if (!desc && type != 8)
        return false;
    void *track = nullptr;
    switch (type) {
    case 8:
        track = rz_track_create_subtitle(format, 1000);
        break;
    case 2:
        track = rz_track_create_audio(format, uint32_t(std::max(0, desc->audio1)),
                                      uint32_t(std::max(0, desc->audio2)), desc->esData,
                                      desc->esDataLength);
        break;
    case 1:
        track = rz_track_create_video(format, desc->width, desc->height, desc->frameRate,
                                      desc->frameRateScale, uint32_t(std::max(0, desc->aspectX)) * desc->width,
                                      uint32_t(std::max(0, desc->aspectY)) * desc->height,
                                      desc->esData, desc->esDataLength);
        break;
    default:
        return false;
    }
    if (!track)
        return false;
    qCDebug(lcConvert) << "track" << id << "of type" << type << "format" << Qt::hex << format;
    std::lock_guard<std::mutex> lock(m_trackMutex);
    m_tracks.push_back({id, type, track});
    return true;
}

const CTrackInfo *CAVConverter::GetTracksInfoOfType(uint32_t type) const
{
    std::lock_guard<std::mutex> lock(m_trackMutex);
    for (const CTrackInfo &t : m_tracks)
        if (t.type == type)
            return &t;
    return nullptr;
}

void CAVConverter::ReleaseAllTracks()
{
    std::lock_guard<std::mutex> lock(m_trackMutex);
    for (const CTrackInfo &t : m_tracks)
        rz_track_release(t.handle);
    m_tracks.clear();
}

bool CAVConverter::AddPacketToTrack(uint32_t id, CTrackPacket *packet)
{
    if (!packet || packet->timescale == 0)
        return false;
    // Quotient and remainder apart, so that large times do not overflow.
    const auto toUs = [&](int64_t value) {
        const int64_t scale = packet->timescale;
        return value / scale * 1000000 + value % scale * 1000000 / scale;
    };
    std::lock_guard<std::mutex> lock(m_trackMutex);
    for (const CTrackInfo &t : m_tracks)
        if (t.id == id)
            return rz_track_push(t.handle, toUs(int64_t(packet->pts)), toUs(int64_t(packet->dts)),
                                 toUs(packet->duration), uint32_t(packet->flags), packet->data,
                                 uint32_t(std::max(0, packet->size)))
                   != 0;
    return false;
}

void CAVConverter::StopWithTrack()
{
    std::lock_guard<std::mutex> lock(m_trackMutex);
    for (const CTrackInfo &t : m_tracks)
        rz_track_push(t.handle, 0, 0, 0, 0, nullptr, 0);
}

bool CAVConverter::StartWithTrack(const char *output, CAVEncodeParam *param, void *user,
                                  TrackCallback timeCallback, TrackCallback trackCallback)
{
    if (!output || !*output)
        return false;
    void *writer = rz_trackwriter_create(-1);
    if (writer) {
        // Known to a stop before its file is made: a stop asked from now on
        // ends it, however far it got.
        std::lock_guard<std::mutex> writerLock(m_trackWriterMutex);
        if (m_trackWriter) {
            rz_trackwriter_release(writer);
            return false;
        }
        m_trackWriter = writer;
        m_stopRequested = false;
    }
    const auto first = [this](uint32_t type) {
        const CTrackInfo *t = GetTracksInfoOfType(type);
        return t ? t->handle : nullptr;
    };
    void *video = first(1);
    void *audio = first(2);
    void *subtitle = first(8);
    void *config = rz_config_create();
    if (config && param)
        SetConvertConfig(config, param);
    bool ran = writer
               && rz_trackwriter_prepare(writer, video, audio, subtitle, output,
                                         param && param->formatName() ? param->formatName() : "", config)
               && !m_stopRequested && rz_trackwriter_start(writer);
    if (config)
        rz_config_release(config);
    if (ran) {
        // The caller's thread reports the time written until the tracks end.
        void *timed = video ? video : audio;
        while (!rz_trackwriter_get_state(writer) && !m_stopRequested) {
            if (timeCallback)
                timeCallback(unsigned(rz_trackwriter_get_done(writer) / 1000), user);
            if (trackCallback && timed)
                trackCallback(unsigned(rz_track_time(timed) / 1000000), user);
            std::this_thread::sleep_for(std::chrono::milliseconds(kTrackPollMs));
        }
    }
    bool stopped;
    {
        std::lock_guard<std::mutex> writerLock(m_trackWriterMutex);
        if (m_trackWriter == writer)
            m_trackWriter = nullptr;
        stopped = m_stopRequested;
    }
    if (stopped)
        rz_trackwriter_stop(writer);
    rz_trackwriter_close(writer);
    ran = ran && !stopped && !rz_trackwriter_is_stopped(writer) && !rz_trackwriter_is_failed(writer);
    rz_trackwriter_release(writer);
    ReleaseAllTracks();
    m_stopRequested = false;
    return ran;
}

void *CAVConverter::mergerConfig(const CAVEncodeParam *param)
{
    void *config = rz_config_create();
    if (config && param) {
        SetConvertConfig(config, param);
        if (!param->plainCut)
            JXConfigManager::setAudioSettings(config, param->editConfig.audioSettings);
    }
    return config;
}

bool CAVConverter::StartMerger(const char *output, CAVEncodeParam *param)
{
    if (!output || !*output)
        return false;
    StopMerger(true);
    std::lock_guard<std::mutex> lock(m_control);
    if (m_job) {
        if (!rz_converter_get_state(m_job))
            return false; // a conversion runs
        stopThread(kStopWaitMs); // the finished conversion's worker has reported
        releaseJob();
    }
    m_merger = rz_merger_create(-1);
    if (!m_merger)
        return false;
    void *config = param ? mergerConfig(param) : nullptr;
    const bool started = rz_merger_open(m_merger, output, param ? param->formatName() : "", config)
                         && rz_merger_start(m_merger);
    if (config)
        rz_config_release(config);
    if (!started) {
        qCWarning(lcConvert) << "merger:" << rz_merger_error_text(m_merger);
        rz_merger_close(m_merger);
        rz_merger_release(m_merger);
        m_merger = nullptr;
    }
    return started;
}

bool CAVConverter::AddMergerTask(const char *source, CAVEncodeParam *param, void *user,
                                 ConvertCallback callback)
{
    std::lock_guard<std::mutex> lock(m_control);
    if (!m_merger || !source || !*source)
        return false;
    void *config = mergerConfig(param);
    const uint64_t start = param ? param->rangeStart : 0;
    const uint64_t duration = param ? param->rangeDuration : 0;
    const bool added = param && param->discSource
                           ? rz_merger_add_disc(m_merger, source, param->value43, start, duration, config)
                           : rz_merger_add(m_merger, source, start, duration, config);
    rz_config_release(config);
    if (!added) {
        qCWarning(lcConvert) << "merger:" << rz_merger_error_text(m_merger);
        return false;
    }
    if (isRunning())
        return true; // the worker follows the merger until it is released
    m_mergerUser = user;
    m_mergerCallback = callback;
    m_mergerMode = true;
    m_stopRequested = false;
    return startThread();
}

void CAVConverter::StopMerger(bool wait)
{
    std::lock_guard<std::mutex> lock(m_control);
    if (!m_merger)
        return;
    // Nothing left to merge is no refusal: the file is complete.
    if (!rz_merger_get_state(m_merger) && !rz_merger_stop(m_merger) && !rz_merger_get_state(m_merger))
        qCWarning(lcConvert) << "stop Merger failed!";
    if (wait)
        m_stopRequested = true;
    // The worker ends quickly once the merger has stopped; it is joined
    // before the merger it polls is released.
    stopThread(kStopWaitMs);
    if (!rz_merger_close(m_merger) && !rz_merger_is_stopped(m_merger))
        qCWarning(lcConvert) << "merger:" << rz_merger_error_text(m_merger);
    rz_merger_release(m_merger);
    m_merger = nullptr;
    m_mergerMode = false;
    m_mergerCallback = nullptr;
    m_mergerUser = nullptr;
}

void CAVConverter::runMerger()
{
    // Follows the merger until it is stopped or released: each time the
    // sources added so far are all merged, that is reported; more may follow,
    // with progress over the whole counted anew.
    unsigned int last = 0;
    bool idleReported = false;
    bool releasing = false;
    for (;;) {
        if (rz_merger_is_stopped(m_merger) || rz_merger_is_failed(m_merger)) {
            report(0, convertStopped, m_mergerCallback, m_mergerUser);
            return;
        }
        if (rz_merger_get_state(m_merger)) {
            if (!idleReported)
                report(0, convertFinished, m_mergerCallback, m_mergerUser);
            idleReported = true;
            last = 0;
        } else {
            idleReported = false;
            const uint64_t total = rz_merger_get_total(m_merger);
            const float p = total ? float(rz_merger_get_done(m_merger)) * 100.0f / float(total) : 0.0f;
            qCDebug(lcConvert) << "merger progress" << p;
            const auto whole = unsigned(std::min(99.0f, p));
            if (whole > last) {
                report(whole, convertProgress, m_mergerCallback, m_mergerUser);
                last = whole;
            }
        }
        if (releasing)
            return; // the merger is being released, its last state reported
        releasing = waitForStop(int(kPollMs));
    }
}

void CAVConverter::OnExecute()
{
    if (m_mergerMode) {
        setStarted();
        runMerger();
        return;
    }
    unsigned int offset = 0;
    if (m_chapters) {
        // Set before the starter returns, so that a stop right after the
        // start finds the pass.
        m_inChapterPass = true;
        setStarted();
        if (!chapterPass(&offset))
            return;
    } else {
        setStarted();
    }
    unsigned int last = 0;
    while (!rz_converter_wait(m_job, kPollMs)) {
        if (m_stopRequested)
            rz_converter_stop(m_job); // a stop that came while the job was starting
        const uint64_t total = rz_converter_get_total(m_job);
        if (total == 0)
            continue;
        const uint64_t done = rz_converter_get_done(m_job);
        // 100 is kept for the finished report, so that every report rises.
        const auto p = unsigned(std::min(
            99.0f, float(done) * float(100 - offset) / float(total) + float(offset)));
        if (p > last) {
            report(p, convertProgress);
            last = p;
        }
    }
    if (m_stopRequested) {
        // A stop that came after the job completed still leaves no file.
        if (!rz_converter_is_stopped(m_job) && !rz_converter_is_failed(m_job))
            QFile::remove(QString::fromUtf8(m_outputPath));
        report(0, convertStopped);
    } else if (rz_converter_is_failed(m_job)) {
        qCWarning(lcConvert) << "converter:" << rz_converter_error_text(m_job);
        report(0, convertFailed);
    } else {
        setAudioTag();
        report(100, convertFinished);
    }
}
