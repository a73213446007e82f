#include "library/qhistoryloadjob.h"

#include "library/librarytexts.h"
#include "widgetkit/views/ibasechunk.h"

#include <QtConcurrent>

QHistoryLoadJob::QHistoryLoadJob(QObject *parent) : QObject(parent)
{
    connect(&m_watcher, &QFutureWatcherBase::finished, this, &QHistoryLoadJob::loaded);
}

QHistoryLoadJob::~QHistoryLoadJob()
{
    m_stop->store(true);
    m_watcher.waitForFinished();
    // Rows not taken go here, on the thread that owns the rows.
    takeResult();
}

void QHistoryLoadJob::start(RowMaker makeRow)
{
    const std::shared_ptr<std::atomic<bool>> stop = m_stop;
    m_watcher.setFuture(QtConcurrent::run([makeRow = std::move(makeRow), stop] {
        return std::make_shared<Result>(read(makeRow, stop.get()));
    }));
}

QHistoryLoadJob::Result QHistoryLoadJob::read(const RowMaker &makeRow, const std::atomic<bool> *stop)
{
    Result result;
    QStringList &formatsToFill = result.formatsToFill;
    qint64 bytes = -1; // of the record keep() saw last
    // One stat per record tells both whether the file is there and its size.
    QVideoSettingXml::readHistoryAtStart(
        [&formatsToFill, &bytes, stop](convertedInfo &info) {
            // Once stopped the rest is kept as it is, unlooked at.
            if (stop && stop->load())
                return true;
            bytes = LibraryTexts::fileBytes(info.convertedPath);
            if (bytes < 0)
                return false;
            if (!info.videoFile && info.format.isEmpty())
                formatsToFill << info.convertedPath;
            return true;
        },
        result.changes,
        [&result, &bytes, &makeRow, stop](convertedInfo &info) {
            if (stop && stop->load())
                return;
            if (IBaseChunk *row = makeRow(info, bytes))
                result.rows.emplace_back(row);
            else
                result.rowless << info.convertedPath;
        });
    return result;
}

QHistoryLoadJob::Result QHistoryLoadJob::takeResult()
{
    if (!m_watcher.future().isFinished() || m_watcher.future().resultCount() == 0)
        return Result();
    const std::shared_ptr<Result> shared = m_watcher.result();
    // The future lets its pointer go; the empty one in its place signals nothing.
    disconnect(&m_watcher, nullptr, this, nullptr);
    m_watcher.setFuture(QFuture<std::shared_ptr<Result>>());
    return shared ? std::move(*shared) : Result();
}
