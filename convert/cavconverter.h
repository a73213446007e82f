#pragma once
// The converter: one job of the codec layer at a time, polled on a worker
// thread of its own, reported through the caller's callback, tagged when it
// completes, and stopped from another thread with a blocking handshake.

#include "convert/iavconverter.h"
#include "recorder/qutilthread.h"

#include <atomic>
#include <mutex>
#include <vector>

class CAVConverter : public IAVConverter, public QUtilThread
{
public:
    CAVConverter();
    ~CAVConverter() override;

    bool StartConvert(const char *source, const char *output, CAVEncodeParam *param, void *user,
                      ConvertCallback callback, bool chapters) override;
    void StopConvert() override;
    bool StartMerger(const char *output, CAVEncodeParam *param) override;
    bool AddMergerTask(const char *source, CAVEncodeParam *param, void *user,
                       ConvertCallback callback) override;
    void StopMerger(bool wait) override;
    bool StartWithTrack(const char *output, CAVEncodeParam *param, void *user,
                        TrackCallback timeCallback, TrackCallback trackCallback) override;
    bool AddTrack(uint32_t type, uint32_t format, CTrackDesc *desc) override;
    bool AddTrack(uint32_t id, uint32_t type, uint32_t format, CTrackDesc *desc) override;
    bool AddPacketToTrack(uint32_t id, CTrackPacket *packet) override;
    void StopWithTrack() override;
    void ReleaseAllTracks();
    // The first track of a type; null when there is none. Valid until the
    // tracks are released.
    const CTrackInfo *GetTracksInfoOfType(uint32_t type) const;

    // The parameter record's encoder settings, sound factors and tags into
    // a conversion configuration.
    static void SetConvertConfig(void *config, const CAVEncodeParam *param);
    // The chapter pass: the source's chapters (or the disc title's) that
    // meet the record's range, moved so that the range starts at 0, into
    // the configuration. Worker thread.
    void SetChapter(void *config, const CAVEncodeParam *param);

protected:
    void OnExecute() override;

private:
    void report(unsigned int progress, convertState state);
    static void report(unsigned int progress, convertState state, ConvertCallback callback, void *user);
    void releaseJob();
    bool prepareJob(void *config);
    // Runs the chapter pass and starts the job; false when the worker ends here.
    bool chapterPass(unsigned int *offset);
    void runMerger();
    // The configuration of a record for the merger: encoder settings, sound, tags.
    static void *mergerConfig(const CAVEncodeParam *param);

    std::mutex m_control; // start, stop and release of the job handle
    void *m_job = nullptr;
    std::atomic<bool> m_stopRequested{false};
    void *m_user = nullptr;
    ConvertCallback m_callback = nullptr;
    bool m_chapters = false;                 // the worker runs the chapter pass first
    std::atomic<bool> m_inChapterPass{false};
    void *m_config = nullptr;                // kept for the chapter pass until the job is prepared
    std::mutex m_chapterInfoMutex;           // the media information of the pass, reached by a stop
    void *m_chapterInfo = nullptr;
    void *m_merger = nullptr;                // one merge at a time, owned
    bool m_mergerMode = false;               // the worker polls the merger
    ConvertCallback m_mergerCallback = nullptr;
    void *m_mergerUser = nullptr;
    mutable std::mutex m_trackMutex;         // the track list: added, pushed to and released from several threads
    std::vector<CTrackInfo> m_tracks;
    std::mutex m_trackWriterMutex; // the writer of StartWithTrack, reached by a stop
    void *m_trackWriter = nullptr; // while StartWithTrack runs
};
