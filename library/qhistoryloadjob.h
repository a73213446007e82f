#pragma once
// Reads the history at start on a worker thread, so that a large library
// never holds the window up: the file is read and parsed, each recording's
// file is looked at once (whether it is there, its size). The GUI thread, which owns the history, is handed
// the result and applies what the pass changes.

#include "common/convertedinfo.h"
#include "common/qvideosettingxml.h"

#include <QFutureWatcher>
#include <QList>
#include <QObject>
#include <QStringList>

#include <memory>
#include <vector>

class QHistoryLoadJob : public QObject
{
    Q_OBJECT
public:
    struct Result
    {
        // The kept records in file order, each with its file's bytes.
        QList<convertedInfo> records;
        std::vector<qint64> sizes;
        QVideoSettingXml::HistoryStartChanges changes;
        // Records without a container name: read from their files once the
        // window is painted, so the codec layer is not loaded before.
        QStringList formatsToFill;
    };

    explicit QHistoryLoadJob(QObject *parent = nullptr);

    void start();
    bool isRunning() const { return m_watcher.isRunning(); }
    // The whole pass on the calling thread.
    static Result read();
    // Once loaded() was emitted: the result, handed over once. Moved out,
    // not copied: a large history's records are not held twice, and the
    // caller may let them go one by one.
    Result takeResult();

signals:
    // On the GUI thread, once the history is read.
    void loaded();

private:
    // The worker's result is reached through a pointer, which the future
    // copies instead of the records.
    QFutureWatcher<std::shared_ptr<Result>> m_watcher;
};
