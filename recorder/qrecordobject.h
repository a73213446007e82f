#pragma once
// Runs the recordings of the program: one codec-layer recorder for its whole
// life, a capture object per source, the record-time and level timers, and
// the history record of every finished file.

#include "common/convertedinfo.h"
#include "recorder/qrecordingfinisher.h"
#include "recorder/qutilthread.h"
#include "recorder/recordingimagewriter.h"
#include "recorder/recordingoverlayimages.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <mutex>

class CAVEncodeParam;
class QRecognizedTags;
class QRecordAudioObject;
class QRecorderMainInput;
class QRecorderStreamInput;

class QRecordObject : public QObject, public QUtilThread
{
    Q_OBJECT
public:
    explicit QRecordObject(QObject *parent = nullptr);
    ~QRecordObject() override;

    // Starts a recording into path; false when nothing could be recorded
    // (no output format, no source started, the file cannot be created, the
    // recorder refused), with the reason in errorString(). While the last
    // stop is still finishing its file this waits for it: a caller that must
    // not wait starts once emitRecordingCompleted came.
    bool startRecorder(const QString &path, float volume, bool video);
    QString errorString() const { return m_errorString; }
    // What a stop does with the sound sources.
    enum SourcesAfterStop {
        StopSources,
        // A cut: the sources go on, and what they take until the next
        // startRecorder opens that recording, so no sound falls between the
        // files. Any other start or stop lets them go.
        KeepSourcesForNextStart
    };
    // Stops the current recording at once; its file is completed on a
    // worker, and then, on this object's thread, its history record is
    // stored and emitFinishRecordFile and emitRecordingCompleted follow.
    // A second call stores nothing.
    void stopRecorder(SourcesAfterStop sources = StopSources);
    // A stopped recording's file is still being completed.
    bool isFinishing() const { return m_finisher.isPending(); }
    // Completes a finishing recording on the spot (closing, quitting).
    void waitForFinish();
    void pauseRecorder();
    void continueRecorder();

    // The record of the current (or last) recording, read from its file.
    void getConvertedInfo(convertedInfo &info);
    void getEncodeParam(CAVEncodeParam *param);
    void SetConvertConfig(void *config, CAVEncodeParam *param);
    // "hh:mm:ss" of the whole seconds; hours go past 23.
    static QString converterTimer(uint64_t microseconds);
    unsigned getVideoWidth() const;
    unsigned getVideoHeight() const;
    // The next frame of a screen recording is saved at path (as its suffix
    // says, PNG without one), once.
    void screenshotImg(const QString &path);
    void resetRecordRect();
    // Loads the cursor pictures and the watermark of a screen recording for
    // the current options and record area.
    void InitCursor();
    const RecordingOverlayImages &overlayImages() const { return m_overlayImages; }
    // Pushes 16-bit stereo samples at 44100 Hz into the running recorder.
    bool micRecordBuffer(unsigned char *data, int len);
    void startMicrophone() {}

    bool isRecording() const { return m_hasFile; }
    QString outputPath() const { return m_outputPath; }
    uint64_t recordedTime() const { return m_recordedTime; }

    // The capture objects; their emitRecognizedAudioTagInfo carries the
    // recognised tags once per recording. Those of the system sound are
    // written into the recording's file when it is completed, which then
    // takes the recognised title as its name.
    QRecordAudioObject *m_track1 = nullptr; // system sound
    QRecordAudioObject *m_track2 = nullptr; // microphone

signals:
    void emitRecordTime(uint64_t microseconds);
    void emitAudioData(unsigned char *data, int sps);
    void emitFinishRecordFile(QString path);
    // A stop's file is complete, tagged and named, and its record stored
    // (when fileKept: the file exists and holds something); after
    // emitFinishRecordFile. info.convertedPath is where the file is now,
    // fileBytes its size.
    void emitRecordingCompleted(const convertedInfo &info, bool fileKept, qint64 fileBytes);
    // The completed file at path did not take the tags recognised in it;
    // it is kept without them. Right after emitRecordingCompleted.
    void emitTagsNotWritten(const QString &path);
    // A chosen source could not start; the recording goes on without it.
    void emitRecordSourceFailed(int track, QString reason);
    // The running recording stopped by itself (its sound server or a source
    // went away, its file could not be written) and was stored as after a
    // stop; message says so to the user.
    void emitRecordError(QString message);

protected:
    void OnExecute() override {}
    void timerEvent(QTimerEvent *event) override;

private:
    void startTimers();
    // The screen timer of a video recording: a frame of the record area for
    // the screenshot asked for and for the recording's thumbnail, each once.
    void takeScreenFrame();
    // The thumbnail's path once it is written, "" until then.
    QString thumbnailPath() const;
    void killTimers();
    bool startSources(bool system, bool mic, bool &mixing);
    void stopSources();
    void failStart(bool removeFile);
    void onSourceLost(QRecordAudioObject *track, bool serverGone);
    // The recorder could not write the file: the recording stops, what
    // reached the disk is completed and kept, and the user is told why.
    void onWriteFailed();
    // The stop's outcome, back on this object's thread.
    void completeFinish();
    // Why the recorder's file cannot be created (creating) or written, for
    // the user ("" when there was no system error).
    QString writeProblem(int code, bool creating = false) const;
    // The record of the current recording, with the file as described.
    void fillConvertedInfo(convertedInfo &info, const QString &path, bool exists, qint64 size,
                           const QDateTime &created) const;
    // Where the system sound's recognised tags go: the current recording's.
    std::shared_ptr<QRecognizedTags> recognizedTags();

    bool m_stopped = false;
    // Why a recording stopped by itself, told once its file is complete:
    // "Recording stopped: <why>. <kept or lost>".
    struct StopReport
    {
        QString why, kept, lost;
    };
    std::unique_ptr<StopReport> m_stopReport;
    QRecordingFinisher m_finisher;
    std::mutex m_tagsMutex; // the pointer; the capture thread reads it
    std::shared_ptr<QRecognizedTags> m_tags;
    bool m_writeFailureReported = false;
    QString m_errorString;
    int m_screenTimer = 0;
    int m_recordTimeTimer = 0;
    int m_audioDataTimer = 0;
    uint64_t m_levelsShownAt = 0;   // the recorder's level frames when the last block was handed on
    QByteArray m_levelBlock;        // room the level blocks are copied into, kept from block to block
    void *m_recorder = nullptr;
    int m_areaX = 0, m_areaY = 0, m_areaWidth = 100, m_areaHeight = 100;
    QString m_outputPath;
    QByteArray m_outputPathUtf8;
    QString m_screenshotPath;
    bool m_screenshotRequested = false;
    uint64_t m_recordedTime = 0;
    // The current recording's thumbnail, once asked of the image writer; the
    // finish waits for it, so that the record points at the written file.
    std::shared_future<QString> m_thumbnail;
    bool m_hasFile = false;
    bool m_video = true;
    bool m_audio = true;

    RecordingOverlayImages m_overlayImages;
    std::unique_ptr<QRecorderMainInput> m_mainInput;
    std::shared_ptr<QRecorderStreamInput> m_streamInput;
    // Last: goes first, waiting for its writes while this object is whole.
    std::unique_ptr<RecordingImageWriter> m_imageWriter;
};
