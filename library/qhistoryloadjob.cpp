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
    m_progress->stop.store(true);
    m_watcher.waitForFinished();
    // Rows not taken go here, on the thread that owns the rows.
    takeResult();
}

void QHistoryLoadJob::start(RowMaker makeRow, const QRowOrder &order)
{
    adopt(run(std::move(makeRow), order));
}

QHistoryLoadJob::Running QHistoryLoadJob::run(RowMaker makeRow, const QRowOrder &order)
{
    Running running;
    running.progress = std::make_shared<Progress>();
    running.result = QtConcurrent::run([makeRow = std::move(makeRow), progress = running.progress, order] {
        return std::make_shared<Result>(read(makeRow, progress.get(), order));
    });
    return running;
}

void QHistoryLoadJob::adopt(Running running)
{
    m_progress = std::move(running.progress);
    m_watcher.setFuture(running.result);
}

QHistoryLoadJob::Result QHistoryLoadJob::read(const RowMaker &makeRow, Progress *progress,
                                              const QRowOrder &order)
{
    Result result;
    QStringList &formatsToFill = result.formatsToFill;
    qint64 bytes = -1; // of the record keep() saw last
    // Asked before each entry is parsed, then before each record is read:
    // a stopped pass ends where it is, its result unused.
    std::function<bool(QVideoSettingXml::HistoryStep)> goOn;
    if (progress) {
        goOn = [progress](QVideoSettingXml::HistoryStep step) {
            const bool parsing = step == QVideoSettingXml::HistoryStep::Entry;
            if (progress->stop.load()) {
                progress->stopped.store(parsing ? Progress::Stopped::InTheParse
                                                : Progress::Stopped::InTheRecords);
                return false;
            }
            (parsing ? progress->entriesParsed : progress->recordsRead).fetch_add(1, std::memory_order_relaxed);
            return true;
        };
    }
    // One stat per record tells both whether the file is there and its size.
    QVideoSettingXml::readHistoryAtStart(
        [&formatsToFill, &bytes](convertedInfo &info) {
            bytes = LibraryTexts::fileBytes(info.convertedPath);
            if (bytes < 0)
                return false;
            if (!info.videoFile && info.format.isEmpty())
                formatsToFill << info.convertedPath;
            return true;
        },
        result.changes,
        [&result, &bytes, &makeRow](convertedInfo &info, const HistoryDocument::Entry &entry) {
            if (IBaseChunk *row = makeRow(info, bytes, entry))
                result.rows.emplace_back(row);
            else
                result.rowless << info.convertedPath;
        },
        goOn);
    // The table keeps its rows in its order: sorted here, the window never
    // sorts them.
    std::vector<IBaseChunk *> rows;
    rows.reserve(result.rows.size());
    for (std::unique_ptr<IBaseChunk> &row : result.rows)
        rows.push_back(row.release());
    order.sort(rows);
    for (size_t i = 0; i < rows.size(); ++i)
        result.rows[i].reset(rows[i]);
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
