#pragma once
// The slow end of one stopped recording, on a worker thread of its own:
// waits until the capture threads that were asked to stop have handed on
// their last sound, stops and finishes the codec-layer recorder, writes the
// tags recognised in the recording into the complete file and names it after
// them, removes the recording's mark and reads what its history record needs
// from the file. Its owner hears of the end through the
// callback (called on the worker, last thing) and takes the outcome on its
// own thread.

#include "recorder/qrecordingtagging.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <thread>
#include <vector>

class QRecognizedTags;
class QRecordAudioObject;

class QRecordingFinisher
{
public:
    struct Job
    {
        void *recorder = nullptr; // the owner's; not touched by it until take()
        QString path;
        // Asked to stop already; waited for before the recorder stops.
        std::vector<QRecordAudioObject *> stoppingSources;
        // Kept alive until the recorder no longer reads it.
        std::shared_ptr<void> keepAlive;
        // Read once the sources above have stopped: tags recognised in the
        // last sound, after the stop was asked, still count.
        std::shared_ptr<const QRecognizedTags> tags;
        // The thumbnail being written on the image writer's worker, if one
        // was asked for: waited for, so that the record points at the file.
        std::shared_future<QString> thumbnail;
    };
    struct Outcome
    {
        bool finished = false; // the file is complete
        bool writeFailed = false;
        int errorCode = 0; // of the failed write, read before the finish
        QString errorText;
        QString finishError; // why the file could not be completed
        uint64_t recordedTime = 0;
        bool fileKept = false; // exists and holds something; an empty file is removed
        qint64 fileSize = 0;
        QDateTime created;
        // The kept file's place (renamed after its recognised title) and
        // the tags its record carries.
        QRecordingTagging::Result tagging;
        // The thumbnail's path, "" without one.
        QString thumbnail;
    };

    QRecordingFinisher() = default;
    // Waits for a worker still running.
    ~QRecordingFinisher();
    QRecordingFinisher(const QRecordingFinisher &) = delete;
    QRecordingFinisher &operator=(const QRecordingFinisher &) = delete;

    // Starts the worker; none may be running. done is called on the worker
    // once the outcome is ready.
    void start(Job job, std::function<void()> done);
    // Since start(), until take().
    bool isPending() const { return m_pending; }
    // Waits for the worker (at once when done has been called) and hands
    // over its outcome; the recorder is the owner's again.
    Outcome take();

    // Called on the worker just before the file is completed; tests make the
    // finish slow with it. Set while no recording stops.
    static void setBeforeFinishHook(std::function<void()> hook);
    // Called on the worker just before recognised tags are written into the
    // completed file at path; tests hold or spoil the write with it. Set
    // while no recording stops.
    static void setBeforeTagsHook(std::function<void(const QString &path)> hook);

private:
    static Outcome run(const Job &job);

    std::thread m_worker;
    Outcome m_outcome; // written by the worker, read after the join
    bool m_pending = false;
};
