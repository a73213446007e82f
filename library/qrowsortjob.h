#pragma once
// Puts the table's rows in a new order without holding up the window: the
// rows' keys are read at once on the GUI thread, sorted on a worker, and
// the new order is handed back through a queued signal. A list that changed
// meanwhile has its keys read again; a small one is sorted on the spot.

#include "library/qroworder.h"

#include <QFutureWatcher>
#include <QObject>

#include <memory>
#include <vector>

class QLibraryRows;

class QRowSortJob : public QObject
{
    Q_OBJECT
public:
    explicit QRowSortJob(QLibraryRows &rows, QObject *parent = nullptr);

    // The rows in this order, at once or once sorted; a later call wins.
    void sortBy(const QRowOrder &order);
    bool isRunning() const { return m_watcher.isRunning(); }
    // Lists up to this many rows are sorted at once (tests make it small).
    static void setSortAtOnceLimit(size_t rows);

signals:
    // The rows are in the order asked for last.
    void sorted();

private:
    struct Places
    {
        std::vector<int> all;
        std::vector<int> shown;
    };
    void start();
    void finished();

    QLibraryRows &m_rows;
    QRowOrder m_wanted;
    QRowOrder m_running;
    quint64 m_generation = 0;
    QFutureWatcher<std::shared_ptr<Places>> m_watcher;
};
