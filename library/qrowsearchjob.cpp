#include "library/qrowsearchjob.h"

#include "library/qaudiofilechunk.h"
#include "library/qaudiofilesortmodel.h"
#include "library/qinfolinetotals.h"
#include "library/qlibraryrows.h"
#include "library/rowpass.h"

#include <QtConcurrent>

#include <atomic>

namespace {
std::atomic<size_t> g_searchAtOnceLimit{5000};
}

QRowSearchJob::QRowSearchJob(QLibraryRows &rows, QAudioFileSortModel &model, QInfoLineTotals &totals,
                             QObject *parent)
    : QObject(parent)
    , m_rows(rows)
    , m_model(model)
    , m_totals(totals)
{
    connect(&m_watcher, &QFutureWatcherBase::finished, this, &QRowSearchJob::finished);
}

void QRowSearchJob::setSearchAtOnceLimit(size_t rows)
{
    g_searchAtOnceLimit = rows;
}

void QRowSearchJob::searchFor(const QString &text)
{
    m_wanted = text;
    // An empty text shows every row at once; an answer still to come is dropped.
    if (m_watcher.isRunning() && !text.isEmpty())
        return; // taken up when the running search is done
    start();
}

QRowSearchJob::Found QRowSearchJob::find(const QRowSearch &search, const std::vector<Key> &keys)
{
    Found found;
    found.rows.resize(keys.size());
    for (size_t i = 0; i < keys.size(); ++i) {
        if (!search.matches(keys[i].texts))
            continue;
        found.rows[i] = 1;
        ++found.count;
        found.bytes += keys[i].bytes;
        found.seconds += keys[i].seconds;
    }
    return found;
}

void QRowSearchJob::start()
{
    const QString text = m_wanted;
    const std::vector<IBaseChunk *> &shown = m_rows.shown();
    // No text shows every row: nothing to look for.
    if (text.isEmpty() || shown.size() <= g_searchAtOnceLimit) {
        m_totals.recountAround([&] { m_model.setSearchText(text); });
        emit searched();
        return;
    }
    // The rows' own texts, shared: taken to the worker once, never copied.
    auto shared = std::make_shared<std::vector<Key>>();
    std::vector<Key> &keys = *shared;
    keys.reserve(shown.size());
    RowPass::forEach(shown, RowPass::RowsAndTexts, [&keys](const IBaseChunk *item) {
        Key key;
        if (const auto *row = dynamic_cast<const QAudioFileChunk *>(item)) {
            key.texts = row->texts();
            key.bytes = row->GetFileBytes();
            key.seconds = row->playSeconds();
        }
        keys.push_back(std::move(key));
    });
    m_running = text;
    m_generation = m_rows.generation();
    m_amounts = QHistoryChunk::amountsGeneration();
    QRowSearch search;
    search.setText(text);
    m_watcher.setFuture(
        QtConcurrent::run([search, keys = std::shared_ptr<const std::vector<Key>>(std::move(shared))] {
            return std::make_shared<Found>(find(search, *keys));
        }));
}

void QRowSearchJob::finished()
{
    const std::shared_ptr<Found> found = m_watcher.result();
    // Another text typed meanwhile is looked for instead; rows that came,
    // went or changed meanwhile make the answer wrong: searched again.
    if (m_wanted != m_running || !found || m_rows.generation() != m_generation
        || found->rows.size() != m_rows.shown().size()) {
        if (!m_wanted.isEmpty() || m_model.search().text() != m_wanted)
            start();
        return;
    }
    const bool sumsHold = QHistoryChunk::amountsGeneration() == m_amounts;
    m_totals.takeAround([&] { m_model.showFound(m_running, std::move(found->rows)); },
                        sumsHold ? QInfoLineTotals::Sums{found->count, found->bytes, found->seconds}
                                 : std::optional<QInfoLineTotals::Sums>());
    emit searched();
}
