#pragma once
// Runs the table's search without holding up the window: the shown rows'
// texts (shared with the rows, never copied) and amounts are taken at once
// on the GUI thread, looked through on a worker, and the rows found and
// their sums come back through a queued signal; the proxy then shows them
// in one change and the info line takes the sums as they are. Keys typed
// meanwhile wait for the answer and the last one is searched next; a list
// that changed meanwhile is searched again. A short list is searched on the
// spot.

#include "library/qrowsearch.h"
#include "library/qrowtexts.h"

#include <QFutureWatcher>
#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class QAudioFileSortModel;
class QInfoLineTotals;
class QLibraryRows;

class QRowSearchJob : public QObject
{
    Q_OBJECT
public:
    QRowSearchJob(QLibraryRows &rows, QAudioFileSortModel &model, QInfoLineTotals &totals,
                  QObject *parent = nullptr);

    // The table shows the rows that hold the text, at once or once found;
    // a later call wins.
    void searchFor(const QString &text);
    bool isRunning() const { return m_watcher.isRunning(); }
    // Lists up to this many rows are searched at once (tests make it small).
    static void setSearchAtOnceLimit(size_t rows);

    // What the search reads of a row, kept with the row.
    struct Key
    {
        QRowTexts texts;
        qint64 bytes = 0;
        qint64 seconds = 0;
    };
    struct Found
    {
        std::vector<char> rows; // per key
        int count = 0;
        qint64 bytes = 0;
        qint64 seconds = 0;
    };
    // The keys that hold the search's text, and their sums; on any thread.
    static Found find(const QRowSearch &search, const std::vector<Key> &keys);

signals:
    // The table shows what the last text asked for finds.
    void searched();

private:
    void start();
    void finished();

    QLibraryRows &m_rows;
    QAudioFileSortModel &m_model;
    QInfoLineTotals &m_totals;
    QString m_wanted;
    QString m_running;
    quint64 m_generation = 0;
    quint64 m_amounts = 0;
    QFutureWatcher<std::shared_ptr<Found>> m_watcher;
};
