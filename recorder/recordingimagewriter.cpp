#include "recorder/recordingimagewriter.h"
#include "recorder/recorderlog.h"

#include "recorder/recordingthumbnail.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

RecordingImageWriter::RecordingImageWriter(QObject *parent)
    : QObject(parent)
{
    // One at a time, in the order asked.
    m_pool.setMaxThreadCount(1);
}

RecordingImageWriter::~RecordingImageWriter()
{
    m_pool.waitForDone();
}

void RecordingImageWriter::saveScreenshot(const QImage &frame, const QString &path)
{
    m_pool.start([frame, path] {
        const QString suffix = QFileInfo(path).suffix();
        const QByteArray format = suffix.isEmpty() ? QByteArray("PNG") : suffix.toLatin1();
        QSaveFile file(path);
        if (!QDir().mkpath(QFileInfo(path).absolutePath()) || !file.open(QIODevice::WriteOnly)
            || !frame.save(&file, format.constData()) || !file.commit())
            qCWarning(lcRecorder) << "the screenshot" << path << "cannot be written:" << file.errorString();
    });
}

void RecordingImageWriter::saveThumbnail(const QImage &frame, const QString &outputPath)
{
    m_pool.start([this, frame, outputPath] {
        const QString thumbnail = RecordingThumbnail::save(frame, outputPath);
        if (thumbnail.isEmpty())
            qCWarning(lcRecorder) << "the thumbnail of" << outputPath << "cannot be written to"
                                  << RecordingThumbnail::pathFor(outputPath);
        emit thumbnailSaved(outputPath, thumbnail);
    });
}
