#pragma once
// Writes the pictures of a screen recording (the requested screenshot and the
// thumbnail) on a worker of its own, so that the GUI thread never waits on
// the disk. Going, it waits for the writes under way.

#include <QImage>
#include <QObject>
#include <QString>
#include <QThreadPool>

class RecordingImageWriter : public QObject
{
    Q_OBJECT
public:
    explicit RecordingImageWriter(QObject *parent = nullptr);
    ~RecordingImageWriter() override;

    // The frame as a picture at path, its format by the path's suffix;
    // a failure is logged.
    void saveScreenshot(const QImage &frame, const QString &path);
    // The thumbnail of the recording at outputPath (RecordingThumbnail);
    // thumbnailSaved follows.
    void saveThumbnail(const QImage &frame, const QString &outputPath);

signals:
    // From the worker: where the thumbnail of outputPath went, "" when it could not be written.
    void thumbnailSaved(const QString &outputPath, const QString &thumbnail);

private:
    QThreadPool m_pool;
};
