#pragma once
// The converter as its one user sees it: start a job on a worker thread,
// hear about it through a callback, stop it. Made by CreateAVConverter and
// released by DestroyAVConverter.

#include <QMetaType>

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
