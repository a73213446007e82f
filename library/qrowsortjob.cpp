#include "library/qrowsortjob.h"

#include "library/qlibraryrows.h"

#include <QtConcurrent>

#include <atomic>

namespace {
std::atomic<size_t> g_sortAtOnceLimit{5000};
}

QRowSortJob::QRowSortJob(QLibraryRows &rows, QObject *parent)
    : QObject(parent)
    , m_rows(rows)
{
    connect(&m_watcher, &QFutureWatcherBase::finished, this, &QRowSortJob::finished);
}

void QRowSortJob::setSortAtOnceLimit(size_t rows)
{
    g_sortAtOnceLimit = rows;
}

void QRowSortJob::sortBy(const QRowOrder &order)
{
    m_wanted = order;
    if (m_watcher.isRunning())
        return; // taken up when the running sort is done
    start();
}

void QRowSortJob::start()
{
    const QRowOrder order = m_wanted;
    if (order == m_rows.order()) {
        emit sorted();
        return;
    }
    const std::vector<IBaseChunk *> &all = m_rows.all();
    const std::vector<IBaseChunk *> &shown = m_rows.shown();
    // "All Recordings" shows the master rows: one sort serves both.
    const bool same = shown == all;
    if (all.size() + (same ? 0 : shown.size()) <= g_sortAtOnceLimit) {
        m_rows.reorder(order, order.sortedPlaces(order.keysOf(all)),
                       same ? order.sortedPlaces(order.keysOf(all)) : order.sortedPlaces(order.keysOf(shown)));
        emit sorted();
        return;
    }
    m_running = order;
    m_generation = m_rows.generation();
    // The keys are the rows' own, shared: the worker never reaches a row,
    // and they go to it once, not copied again on the way.
    auto allKeys = std::make_shared<const std::vector<QRowOrder::Key>>(order.keysOf(all));
    auto shownKeys = same ? allKeys : std::make_shared<const std::vector<QRowOrder::Key>>(order.keysOf(shown));
    m_watcher.setFuture(
        QtConcurrent::run([order, allKeys = std::move(allKeys), shownKeys = std::move(shownKeys)] {
            auto places = std::make_shared<Places>();
            places->all = order.sortedPlaces(*allKeys);
            places->shown = shownKeys == allKeys ? places->all : order.sortedPlaces(*shownKeys);
            return places;
        }));
}

void QRowSortJob::finished()
{
    const std::shared_ptr<Places> places = m_watcher.result();
    // Rows that came or went meanwhile make the places wrong: read again.
    if (places && m_rows.generation() == m_generation)
        m_rows.reorder(m_running, places->all, places->shown);
    start();
}
