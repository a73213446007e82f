#include "library/qlibraryrows.h"

#include "library/qaudiofilemodel.h"
#include "library/rowpass.h"

#include <algorithm>

namespace {
// Runs the change with the model told around it, when there is one.
template<class Announce>
void around(QAudioFileModel *model, Announce announce, const std::function<void()> &change)
{
    if (model)
        announce(model, change);
    else
        change();
}

int indexIn(const std::vector<IBaseChunk *> &rows, const IBaseChunk *row)
{
    const auto at = std::find(rows.begin(), rows.end(), row);
    return at == rows.end() ? -1 : int(at - rows.begin());
}

// Of the rows of one path, a live row is its master before one whose file
// was found gone; of rows alike, the oldest.
bool takesOver(QAudioFileChunk *found, QAudioFileChunk *row)
{
    if (!found)
        return true;
    if (found->isDeleted() != row->isDeleted())
        return found->isDeleted();
    return row->itemId() < found->itemId();
}

quint32 pathHashOf(const IBaseChunk *row)
{
    const auto *history = dynamic_cast<const QHistoryChunk *>(row);
    return history ? history->pathHash() : QRowIndex::hashOf(std::string_view());
}

std::vector<IBaseChunk *> inPlaces(const std::vector<IBaseChunk *> &rows, const std::vector<int> &places)
{
    std::vector<IBaseChunk *> sorted;
    sorted.reserve(rows.size());
    for (int place : places)
        sorted.push_back(rows[size_t(place)]);
    return sorted;
}

// Neighbouring places of a list, first to last.
struct Run
{
    int first;
    int last;
};

// The runs of the list's rows that the set holds, looked for until `count`
// of them are found (the rest of the list is not read).
std::vector<Run> runsOf(const std::vector<IBaseChunk *> &rows, const QRowIndex &going, size_t count)
{
    std::vector<Run> runs;
    size_t found = 0;
    for (size_t i = 0; i < rows.size() && found < count; ++i) {
        if (!going.listsOf(rows[i]))
            continue;
        ++found;
        if (!runs.empty() && runs.back().last == int(i) - 1)
            runs.back().last = int(i);
        else
            runs.push_back({int(i), int(i)});
    }
    return runs;
}

// The runs taken out of the list in one pass from the first of them.
void eraseRuns(std::vector<IBaseChunk *> &rows, const std::vector<Run> &runs)
{
    if (runs.empty())
        return;
    auto write = rows.begin() + runs.front().first;
    auto read = write;
    for (const Run &run : runs) {
        write = std::move(read, rows.begin() + run.first, write);
        read = rows.begin() + run.last + 1;
    }
    write = std::move(read, rows.end(), write);
    rows.erase(write, rows.end());
}

// Scattered rows are told to the table as a new set of rows: a removal
// per run costs the view a pass over all its rows each.
constexpr size_t kRunsTold = 16;
} // namespace

QLibraryRows::QLibraryRows()
{
    m_watch = LibraryItemIds::watch([this](quint64 id, IBaseChunk *item) { itemGone(id, item); });
}

QLibraryRows::~QLibraryRows()
{
    LibraryItemIds::unwatch(m_watch);
}

void QLibraryRows::setModel(QAudioFileModel *model)
{
    m_model = model;
    if (model)
        model->setDatas(&m_shown);
}

std::vector<IBaseChunk *> &QLibraryRows::settledAll() const
{
    if (m_gone.empty())
        return m_all;
    std::sort(m_gone.begin(), m_gone.end());
    m_all.erase(std::remove_if(m_all.begin(), m_all.end(),
                               [this](IBaseChunk *row) {
                                   return std::binary_search(m_gone.begin(), m_gone.end(), row);
                               }),
                m_all.end());
    m_gone.clear();
    return m_all;
}

void QLibraryRows::syncAllEntry()
{
    if (QLibraryChunk *entry = m_current.allEntry())
        entry->SetAudioDatasList(settledAll());
}

void QLibraryRows::syncShownEntry()
{
    QLibraryChunk *entry = m_current.shownEntry();
    if (entry && entry != m_current.allEntry())
        entry->SetAudioDatasList(m_shown);
}

bool QLibraryRows::isShown(const IBaseChunk *row) const
{
    const quint32 lists = m_index.listsOf(row);
    return (lists & QRowIndex::Shown) || (m_shownIsAll && (lists & QRowIndex::Master));
}

void QLibraryRows::separateShown()
{
    if (!m_shownIsAll)
        return;
    m_shownIsAll = false;
    for (IBaseChunk *row : m_shown)
        m_index.add(row, QRowIndex::Shown, 0);
}

void QLibraryRows::fileAhead(QRowIndex &index, const std::vector<IBaseChunk *> &rows)
{
    // The slots of the rows a few places ahead are asked of memory meanwhile.
    constexpr size_t kAhead = 8;
    RowPass::forEach(rows, RowPass::Rows, [&, i = size_t(0)](IBaseChunk *row) mutable {
        if (i + kAhead < rows.size())
            index.prefetch(rows[i + kAhead], pathHashOf(rows[i + kAhead]));
        index.add(row, QRowIndex::Master, pathHashOf(row));
        ++i;
    });
}

void QLibraryRows::setAll(std::vector<IBaseChunk *> rows, QRowIndex filed)
{
    std::vector<IBaseChunk *> &all = settledAll();
    // The shown rows stay as they are until shown again, marked shown in
    // the new index; the old master rows are in it no more.
    separateShown();
    QRowIndex index = std::move(filed);
    m_index.visitRows([&index](IBaseChunk *row, quint32 lists) {
        if (lists & QRowIndex::Shown)
            index.add(row, QRowIndex::Shown, 0);
    });
    // Rows filed ahead are all of them when they are as many.
    if (index.masterCount() != rows.size()) {
        index.reserve(rows.size() + m_shown.size(), rows.size());
        for (IBaseChunk *row : rows)
            if (!(index.listsOf(row) & QRowIndex::Master))
                index.add(row, QRowIndex::Master, pathHashOf(row));
    }
    m_index = std::move(index);
    all = std::move(rows);
    ++m_generation;
    syncAllEntry();
}

void QLibraryRows::setAllEntry(QLibraryChunk *entry)
{
    m_current.setAllEntry(entry);
    syncAllEntry();
}

void QLibraryRows::addRow(IBaseChunk *row)
{
    if (!row || isMaster(row))
        return;
    std::vector<IBaseChunk *> &all = settledAll();
    QLibraryChunk *entry = m_current.shownEntry();
    const bool shows = !entry || entry == m_current.allEntry();
    if (!shows)
        separateShown();
    const bool shownAlready = isShown(row);
    all.insert(all.begin() + std::ptrdiff_t(m_order.placeOf(all, row)), row);
    m_index.add(row, QRowIndex::Master, pathHashOf(row));
    ++m_generation;
    syncAllEntry();
    if (!shows || shownAlready)
        return;
    if (!m_shownIsAll)
        m_index.add(row, QRowIndex::Shown, 0);
    const int at = int(m_order.placeOf(m_shown, row));
    around(
        m_model, [at](QAudioFileModel *m, auto change) { m->insertAround(at, change); },
        [&] { m_shown.insert(m_shown.begin() + at, row); });
}

void QLibraryRows::show(std::vector<IBaseChunk *> rows)
{
    if (rows == m_shown)
        return;
    if (!m_shownIsAll)
        for (IBaseChunk *row : m_shown)
            m_index.remove(row, QRowIndex::Shown);
    // "All Recordings" shows the master rows: they are not marked again.
    m_shownIsAll = rows == settledAll();
    if (!m_shownIsAll)
        for (IBaseChunk *row : rows)
            m_index.add(row, QRowIndex::Shown, 0);
    ++m_generation;
    around(
        m_model, [](QAudioFileModel *m, auto change) { m->resetAround(change); },
        [&] { m_shown = std::move(rows); });
}

void QLibraryRows::showRow(IBaseChunk *row)
{
    if (!row || isShown(row))
        return;
    separateShown();
    m_index.add(row, QRowIndex::Shown, 0);
    const int at = int(m_order.placeOf(m_shown, row));
    ++m_generation;
    around(
        m_model, [at](QAudioFileModel *m, auto change) { m->insertAround(at, change); },
        [&] { m_shown.insert(m_shown.begin() + at, row); });
    syncShownEntry();
}

std::pair<int, int> QLibraryRows::placeAgain(std::vector<IBaseChunk *> &rows, IBaseChunk *row) const
{
    const int from = indexIn(rows, row);
    if (from < 0)
        return {-1, -1};
    auto *audio = dynamic_cast<QAudioFileChunk *>(row);
    const auto at = [&](int i) { return static_cast<QAudioFileChunk *>(rows[size_t(i)]); };
    const bool inPlace = !audio
                         || ((from == 0 || !m_order.precedes(*audio, *at(from - 1)))
                             && (from + 1 == int(rows.size()) || !m_order.precedes(*at(from + 1), *audio)));
    if (inPlace)
        return {from, from};
    rows.erase(rows.begin() + from);
    const int to = int(m_order.placeOf(rows, row));
    rows.insert(rows.begin() + from, row); // back until the move is announced
    return {from, to};
}

void QLibraryRows::rowChanged(IBaseChunk *row)
{
    if (!row)
        return;
    // Keys taken before the change (a sort's, a search's) no longer hold,
    // whether or not the row moves.
    ++m_generation;
    const bool master = isMaster(row);
    const bool shown = isShown(row);
    if (master) {
        // Its path may have changed (a rename).
        m_index.refile(row, pathHashOf(row));
        std::vector<IBaseChunk *> &all = settledAll();
        const auto [allFrom, allTo] = placeAgain(all, row);
        if (allFrom != allTo) {
            all.erase(all.begin() + allFrom);
            all.insert(all.begin() + allTo, row);
            ++m_generation;
            syncAllEntry();
        }
    }
    if (!shown)
        return;
    const auto [from, to] = placeAgain(m_shown, row);
    if (from < 0)
        return;
    if (from == to) {
        if (m_model)
            m_model->refeshRow(from);
        return;
    }
    ++m_generation;
    around(
        m_model, [from = from, to = to](QAudioFileModel *m, auto change) { m->moveAround(from, to, change); },
        [&, from = from, to = to] {
            m_shown.erase(m_shown.begin() + from);
            m_shown.insert(m_shown.begin() + to, row);
        });
    syncShownEntry();
}

void QLibraryRows::forgetRow(IBaseChunk *row)
{
    if (row)
        forgetRows({row});
}

void QLibraryRows::forgetRows(const std::vector<IBaseChunk *> &rows)
{
    // The rows that go, each once, and how many of them each list holds.
    QRowIndex going;
    going.reserve(rows.size(), 0);
    size_t masters = 0;
    size_t shown = 0;
    for (IBaseChunk *row : rows) {
        if (!row || going.listsOf(row))
            continue;
        if (auto *audio = dynamic_cast<QAudioFileChunk *>(row))
            m_current.forgetRow(audio->itemId());
        const bool master = isMaster(row);
        const bool isShownRow = isShown(row);
        if (!master && !isShownRow)
            continue;
        going.add(row, QRowIndex::Shown, 0);
        masters += master ? 1 : 0;
        shown += isShownRow ? 1 : 0;
    }
    if (masters > 0) {
        std::vector<IBaseChunk *> &all = settledAll();
        eraseRuns(all, runsOf(all, going, masters));
        for (IBaseChunk *row : rows)
            m_index.remove(row, QRowIndex::Master);
        ++m_generation;
        syncAllEntry();
    }
    if (shown == 0)
        return;
    const std::vector<Run> runs = runsOf(m_shown, going, shown);
    ++m_generation;
    if (!m_model || runs.size() > kRunsTold) {
        around(
            m_model, [](QAudioFileModel *m, auto change) { m->resetAround(change); },
            [&] { eraseRuns(m_shown, runs); });
    } else {
        // From the last run up, so that the runs above keep their places.
        for (auto run = runs.rbegin(); run != runs.rend(); ++run)
            m_model->removeRowsAround(run->first, run->last, [&] {
                m_shown.erase(m_shown.begin() + run->first, m_shown.begin() + run->last + 1);
            });
    }
    if (!m_shownIsAll)
        for (IBaseChunk *row : rows)
            m_index.remove(row, QRowIndex::Shown);
}

void QLibraryRows::forgetEntry(QLibraryChunk *entry)
{
    if (entry)
        itemGone(entry->itemId(), entry);
}

void QLibraryRows::reorder(const QRowOrder &order, const std::vector<int> &allPlaces,
                           const std::vector<int> &shownPlaces)
{
    std::vector<IBaseChunk *> &all = settledAll();
    if (allPlaces.size() != all.size() || shownPlaces.size() != m_shown.size())
        return;
    m_order = order;
    ++m_generation;
    all = inPlaces(all, allPlaces);
    syncAllEntry();
    around(
        m_model, [&](QAudioFileModel *m, auto change) { m->reorderAround(shownPlaces, change); },
        [&] { m_shown = inPlaces(m_shown, shownPlaces); });
    // Both lists are ordered alike: the shown list is still the master list.
    syncShownEntry();
    // The other entries' copies are made again, in this order, when shown.
    m_entries.markAllStale();
}

IBaseChunk *QLibraryRows::rowOfId(quint64 id) const
{
    IBaseChunk *item = LibraryItemIds::find(id);
    return item && m_index.listsOf(item) ? item : nullptr;
}

std::vector<QAudioFileChunk *> QLibraryRows::mastersAt(std::string_view path) const
{
    // The running recording's path is only planned (recognised tags name
    // it): it may be a finished recording's.
    const QAudioFileChunk *recording = m_current.recordingRow();
    std::vector<QAudioFileChunk *> found;
    m_index.visitMasters(QRowIndex::hashOf(path), [&](IBaseChunk *item) {
        auto *row = dynamic_cast<QAudioFileChunk *>(item);
        if (row && row != recording && row->textView(QRowTexts::FilePath) == path)
            found.push_back(row);
    });
    return found;
}

QAudioFileChunk *QLibraryRows::masterOf(std::string_view path) const
{
    // A row whose file was found gone waits for "All Recordings" to let it
    // go: a live row of the same path (its file made again, or another
    // renamed to it) comes first.
    QAudioFileChunk *found = nullptr;
    for (QAudioFileChunk *row : mastersAt(path))
        if (takesOver(found, row))
            found = row;
    return found;
}

std::unordered_map<std::string_view, QAudioFileChunk *> QLibraryRows::mastersOf(
    const std::unordered_set<std::string_view> &paths) const
{
    std::unordered_map<std::string_view, QAudioFileChunk *> found;
    for (std::string_view path : paths)
        if (QAudioFileChunk *master = masterOf(path))
            found.emplace(path, master);
    return found;
}

void QLibraryRows::setFileGone(std::string_view path, bool gone)
{
    if (QAudioFileChunk *master = masterOf(path)) {
        master->setIsDeleted(gone);
        master->SetAudioState(gone ? QAudioFileChunk::AudioNoFile : QAudioFileChunk::AudioNormal);
    }
}

void QLibraryRows::itemGone(quint64 id, IBaseChunk *item)
{
    // Only compared: the item is half destroyed, and its id already reads
    // null through every reference.
    if (m_current.forgetEntry(id) && !m_shown.empty()) {
        // The entry's rows go next; the shown list lets go of them first.
        ++m_generation;
        if (!m_shownIsAll)
            for (IBaseChunk *row : m_shown)
                m_index.remove(row, QRowIndex::Shown);
        m_shownIsAll = false;
        around(
            m_model, [](QAudioFileModel *m, auto change) { m->resetAround(change); }, [&] { m_shown.clear(); });
    }
    const quint32 lists = m_index.listsOf(item);
    if (!lists)
        return;
    const bool shown = isShown(item);
    if (lists & QRowIndex::Master) {
        m_gone.push_back(item);
        ++m_generation;
    }
    m_index.remove(item, QRowIndex::Master | QRowIndex::Shown);
    if (!shown)
        return;
    if (const int at = indexIn(m_shown, item); at >= 0) {
        ++m_generation;
        around(
            m_model, [at](QAudioFileModel *m, auto change) { m->removeRowsAround(at, at, change); },
            [&] { m_shown.erase(m_shown.begin() + at); });
    }
}
