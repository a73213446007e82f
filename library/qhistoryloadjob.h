#pragma once
// Reads the history at start on a worker thread, so that a large library
// never holds the window up: the file is read and parsed, each recording's
// file is looked at once (whether it is there, its size) and its row is made
// there and then, so that the records are never all held beside their rows;
// the rows are put in the table's order there too. The GUI thread, which
// owns the history and the rows, is handed the result and applies what the
// pass changes.

#include "common/convertedinfo.h"
#include "common/qvideosettingxml.h"
#include "library/qroworder.h"

#include <QFutureWatcher>
#include <QObject>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class IBaseChunk;

class QHistoryLoadJob : public QObject
{
    Q_OBJECT
public:
    // Makes the row of a kept record whose file has `bytes`, on the worker,
    // given the record's entry as the history keeps it; null for a record
    // shown in no row. It must touch no widget.
    using RowMaker =
        std::function<IBaseChunk *(const convertedInfo &info, qint64 bytes, const HistoryDocument::Entry &entry)>;

    struct Result
    {
        Result() = default;
        Result(Result &&) = default;
        Result &operator=(Result &&) = default;

        // The rows of the kept records in the order asked for; deleted with
        // the result unless taken.
        std::vector<std::unique_ptr<IBaseChunk>> rows;
        // Paths of the kept records without a row.
        QStringList rowless;
        QVideoSettingXml::HistoryStartChanges changes;
        // Records without a container name: read from their files once the
        // window is painted, so the codec layer is not loaded before.
        QStringList formatsToFill;
    };

    // How far a pass got, shared with its worker: it outlives the job.
    struct Progress
    {
        std::atomic<bool> stop{false};
        // Entries parsed and records read so far (a history already parsed
        // in this process is not parsed again; one the quick reader declines
        // is parsed twice).
        std::atomic<int> entriesParsed{0};
        std::atomic<int> recordsRead{0};
        // Where the worker met the stop, once it did.
        enum class Stopped { No, InTheParse, InTheRecords };
        std::atomic<Stopped> stopped{Stopped::No};
    };

    // A pass begun on a worker: its result to come and how far it got.
    struct Running
    {
        QFuture<std::shared_ptr<Result>> result;
        std::shared_ptr<Progress> progress;
    };

    explicit QHistoryLoadJob(QObject *parent = nullptr);
    // Stops the worker at its next entry (in the parse or after it) and waits
    // for it, so that rows it made go on this thread.
    ~QHistoryLoadJob() override;

    void start(RowMaker makeRow, const QRowOrder &order = QRowOrder());
    // Begins a pass on a worker that no job follows yet (one begun before
    // the application object, see QHistoryEarlyRead).
    static Running run(RowMaker makeRow, const QRowOrder &order);
    // Follows a pass begun by run(): loaded() comes once it is done (also
    // when it was done before). Once only, before start().
    void adopt(Running running);
    bool isRunning() const { return m_watcher.isRunning(); }
    std::shared_ptr<const Progress> progress() const { return m_progress; }
    // The whole pass on the calling thread, counted in progress (when
    // given); stops early once its stop is set.
    static Result read(const RowMaker &makeRow, Progress *progress = nullptr,
                       const QRowOrder &order = QRowOrder());
    // Once loaded() was emitted: the result, handed over once.
    Result takeResult();

signals:
    // On the GUI thread, once the history is read.
    void loaded();

private:
    // The worker's result is reached through a pointer, which the future
    // copies instead of the rows.
    QFutureWatcher<std::shared_ptr<Result>> m_watcher;
    std::shared_ptr<Progress> m_progress = std::make_shared<Progress>();
};
