#include "recorder/recordingimagewriter.h"
#include "recorder/recorderlog.h"

#include "recorder/recordingthumbnail.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <memory>
#include <mutex>

namespace {
std::mutex g_hookMutex;
std::function<void()> g_beforeThumbnail;
} // namespace

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

void RecordingImageWriter::setBeforeThumbnailHook(std::function<void()> hook)
{
    std::lock_guard<std::mutex> guard(g_hookMutex);
    g_beforeThumbnail = std::move(hook);
}

std::shared_future<QString> RecordingImageWriter::saveThumbnail(const QImage &frame, const QString &outputPath)
{
    auto written = std::make_shared<std::promise<QString>>();
    std::shared_future<QString> path = written->get_future().share();
    m_pool.start([written, frame, outputPath] {
        std::function<void()> hook;
        {
            std::lock_guard<std::mutex> guard(g_hookMutex);
            hook = g_beforeThumbnail;
        }
        if (hook)
            hook();
        const QString thumbnail = RecordingThumbnail::save(frame, outputPath);
        if (thumbnail.isEmpty())
            qCWarning(lcRecorder) << "the thumbnail of" << outputPath << "cannot be written to"
                                  << RecordingThumbnail::pathFor(outputPath);
        written->set_value(thumbnail);
    });
    return path;
}
