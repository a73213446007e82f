#pragma once
// Writes the pictures of a screen recording (the requested screenshot and the
// thumbnail) on a worker of its own, so that the GUI thread never waits on
// the disk. Going, it waits for the writes under way.

#include <QImage>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <functional>
#include <future>

class RecordingImageWriter : public QObject
{
    Q_OBJECT
public:
    explicit RecordingImageWriter(QObject *parent = nullptr);
    ~RecordingImageWriter() override;

    // The frame as a picture at path, its format by the path's suffix;
    // a failure is logged.
    void saveScreenshot(const QImage &frame, const QString &path);
    // The thumbnail of the recording at outputPath (RecordingThumbnail). The
    // future is ready once it is written: its path, "" when it could not be.
    std::shared_future<QString> saveThumbnail(const QImage &frame, const QString &outputPath);

    // Called on the worker just before a thumbnail is written; tests make
    // the write slow with it. Set while no recording runs.
    static void setBeforeThumbnailHook(std::function<void()> hook);

private:
    QThreadPool m_pool;
};
