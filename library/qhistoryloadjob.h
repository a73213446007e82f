#pragma once
// Reads the history at start on a worker thread, so that a large library
// never holds the window up: the file is read and parsed, each recording's
// file is looked at once (whether it is there, its size) and its row is made
// there and then, so that the records are never all held beside their rows.
// The GUI thread, which owns the history and the rows, is handed the result
// and applies what the pass changes.

#include "common/convertedinfo.h"
#include "common/qvideosettingxml.h"

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
    // Makes the row of a kept record whose file has `bytes`, on the worker;
    // null for a record shown in no row. It must touch no widget.
    using RowMaker = std::function<IBaseChunk *(const convertedInfo &info, qint64 bytes)>;

    struct Result
    {
        Result() = default;
        Result(Result &&) = default;
        Result &operator=(Result &&) = default;

        // The rows of the kept records in file order; deleted with the
        // result unless taken.
        std::vector<std::unique_ptr<IBaseChunk>> rows;
        // Paths of the kept records without a row.
        QStringList rowless;
        QVideoSettingXml::HistoryStartChanges changes;
        // Records without a container name: read from their files once the
        // window is painted, so the codec layer is not loaded before.
        QStringList formatsToFill;
    };

    explicit QHistoryLoadJob(QObject *parent = nullptr);
    // Stops the worker at its next record and waits for it, so that rows it
    // made go on this thread.
    ~QHistoryLoadJob() override;

    void start(RowMaker makeRow);
    bool isRunning() const { return m_watcher.isRunning(); }
    // The whole pass on the calling thread; stops early once stop is set.
    static Result read(const RowMaker &makeRow, const std::atomic<bool> *stop = nullptr);
    // Once loaded() was emitted: the result, handed over once.
    Result takeResult();

signals:
    // On the GUI thread, once the history is read.
    void loaded();

private:
    // The worker's result is reached through a pointer, which the future
    // copies instead of the rows.
    QFutureWatcher<std::shared_ptr<Result>> m_watcher;
    std::shared_ptr<std::atomic<bool>> m_stop = std::make_shared<std::atomic<bool>>(false);
};
