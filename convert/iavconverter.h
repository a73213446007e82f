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
