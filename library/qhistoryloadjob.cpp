#include "library/qhistoryloadjob.h"

#include "library/librarytexts.h"

#include <QtConcurrent>

QHistoryLoadJob::QHistoryLoadJob(QObject *parent) : QObject(parent)
{
    connect(&m_watcher, &QFutureWatcherBase::finished, this, &QHistoryLoadJob::loaded);
}

void QHistoryLoadJob::start()
{
    // A job gone before the worker ends drops the result; the worker
    // touches only the store and the files.
    m_watcher.setFuture(QtConcurrent::run([] { return std::make_shared<Result>(read()); }));
}

QHistoryLoadJob::Result QHistoryLoadJob::read()
{
    Result result;
    std::vector<qint64> &sizes = result.sizes;
    QStringList &formatsToFill = result.formatsToFill;
    // One stat per record tells both whether the file is there and its size.
    result.records = QVideoSettingXml::readHistoryAtStart(
        [&sizes, &formatsToFill](convertedInfo &info) {
            const qint64 bytes = LibraryTexts::fileBytes(info.convertedPath);
            if (bytes < 0)
                return false;
            if (!info.videoFile && info.format.isEmpty())
                formatsToFill << info.convertedPath;
            sizes.push_back(bytes);
            return true;
        },
        result.changes);
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
