#pragma once
// The converter as its one user sees it: start a job on a worker thread,
// hear about it through a callback, stop it. Made by CreateAVConverter and
// released by DestroyAVConverter.

#include <QMetaType>

#include <cstdint>

class CAVEncodeParam;

// What a converter reports with each callback.
enum convertState {
    convertStopped = 1,  // cancelled; progress 0
    convertFinished = 2, // the file is complete and tagged; progress 100
    convertChapter = 3,  // a chapter pass began
    convertFailed = 5,   // the job ended in failure; nothing is left at the output
    convertProgress = 6, // progress in percent
};
Q_DECLARE_METATYPE(convertState)

// Called on the converter's worker thread: (progress, user pointer, state).
typedef void (*ConvertCallback)(unsigned int, void *, convertState);
// The track writer's reports: (value, user pointer).
typedef void (*TrackCallback)(unsigned int, void *);

// What a track writer must know of a track.
struct CTrackDesc {
    uint32_t width = 0, height = 0;         // video
    uint32_t frameRate = 0, frameRateScale = 0;
    int32_t aspectX = 0, aspectY = 0;       // display aspect factors
    int32_t audio1 = 0;                     // sample rate
    int32_t audio2 = 0;                     // channels
    uint32_t esDataLength = 0;              // the codec's header bytes, where it has one
    const uint8_t *esData = nullptr;
};

// One compressed packet pushed into a track, timed in 1 / timescale seconds.
struct CTrackPacket {
    uint64_t pts = 0, dts = 0;
    int32_t duration = 0;
    uint32_t timescale = 1000;
    int32_t flags = 0;                      // 1 = key frame
    int32_t size = 0;
    const uint8_t *data = nullptr;
};

// A track of the track writer: its id, type (1 video, 2 audio, 8 subtitles)
// and the codec layer's track.
struct CTrackInfo {
    uint32_t id = 0;
    uint32_t type = 0;
    void *handle = nullptr;
};

class IAVConverter
{
public:
    virtual ~IAVConverter();

    // Copies the paths and the record, starts the job and its worker.
    // False, with no callback ever made, when it cannot start.
    virtual bool StartConvert(const char *source, const char *output, CAVEncodeParam *param,
                              void *user, ConvertCallback callback, bool chapters) = 0;
    // Stops a running job; returns after the worker has reported and ended.
    virtual void StopConvert() = 0;

    // The merger: sources appended in order into one output, re-encoded with
    // the record's encoder settings. Opens the output; false when it cannot.
    virtual bool StartMerger(const char *output, CAVEncodeParam *param) = 0;
    // Appends a source (the record's range, disc flag and sound settings);
    // the callback hears progress over every source added (state 6) and the
    // end: state 2 once all added sources are merged, state 1 after a stop.
    virtual bool AddMergerTask(const char *source, CAVEncodeParam *param, void *user,
                               ConvertCallback callback) = 0;
    // Ends the merger: a merge still running is stopped (its file removed);
    // a finished one is completed. With `wait`, returns after the stopped
    // report; without, the report may come later from the worker.
    virtual void StopMerger(bool wait) = 0;

    // The track writer: the caller describes its tracks, starts the writer
    // (which blocks until every track has ended or the writer was stopped,
    // reporting the time written) and pushes packets from another thread.
    // True when the file was completed. The tracks are released at the end.
    virtual bool StartWithTrack(const char *output, CAVEncodeParam *param, void *user,
                                TrackCallback timeCallback, TrackCallback trackCallback) = 0;
    // A track with its type as id; the format is a codec id of rzcodec/codecids.h.
    virtual bool AddTrack(uint32_t type, uint32_t format, CTrackDesc *desc) = 0;
    virtual bool AddTrack(uint32_t id, uint32_t type, uint32_t format, CTrackDesc *desc) = 0;
    // False when no track has the id (or the track has ended).
    virtual bool AddPacketToTrack(uint32_t id, CTrackPacket *packet) = 0;
    // Ends every track: the writer completes the file.
    virtual void StopWithTrack() = 0;

    // Writes the tags of the parameter copy into the output file.
    void setAudioTag();

protected:
    void keepRequest(const char *source, const char *output, const CAVEncodeParam *param);
    void freeRequest();

    CAVEncodeParam *m_param = nullptr;
    char *m_sourcePath = nullptr;
    char *m_outputPath = nullptr;
};

IAVConverter *CreateAVConverter();
void DestroyAVConverter(IAVConverter *converter);
