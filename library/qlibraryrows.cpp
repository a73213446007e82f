#include "library/qlibraryrows.h"

#include "library/qaudiofilemodel.h"

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
// was found gone; of rows alike, the first.
bool takesOver(QAudioFileChunk *found, QAudioFileChunk *row)
{
    return !found || (found->isDeleted() && !row->isDeleted());
}

std::vector<IBaseChunk *> inPlaces(const std::vector<IBaseChunk *> &rows, const std::vector<int> &places)
{
    std::vector<IBaseChunk *> sorted;
    sorted.reserve(rows.size());
    for (int place : places)
        sorted.push_back(rows[size_t(place)]);
    return sorted;
}
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
    if (!m_gone.isEmpty()) {
        m_all.erase(std::remove_if(m_all.begin(), m_all.end(),
                                   [this](IBaseChunk *row) { return m_gone.contains(row); }),
                    m_all.end());
        m_gone.clear();
    }
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

void QLibraryRows::setAll(std::vector<IBaseChunk *> rows)
{
    settledAll() = std::move(rows);
    ++m_generation;
    syncAllEntry();
}

void QLibraryRows::addRow(IBaseChunk *row)
{
    if (!row)
        return;
    std::vector<IBaseChunk *> &all = settledAll();
    all.insert(all.begin() + std::ptrdiff_t(m_order.placeOf(all, row)), row);
    ++m_generation;
    syncAllEntry();
    QLibraryChunk *entry = m_current.shownEntry();
    if (!entry || entry == m_current.allEntry()) {
        const int at = int(m_order.placeOf(m_shown, row));
        around(
            m_model, [at](QAudioFileModel *m, auto change) { m->insertAround(at, change); },
            [&] { m_shown.insert(m_shown.begin() + at, row); });
    }
}

void QLibraryRows::show(std::vector<IBaseChunk *> rows)
{
    if (rows == m_shown)
        return;
    ++m_generation;
    around(
        m_model, [](QAudioFileModel *m, auto change) { m->resetAround(change); },
        [&] { m_shown = std::move(rows); });
}

void QLibraryRows::showRow(IBaseChunk *row)
{
    if (!row || indexIn(m_shown, row) >= 0)
        return;
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
    std::vector<IBaseChunk *> &all = settledAll();
    const auto [allFrom, allTo] = placeAgain(all, row);
    if (allFrom != allTo) {
        all.erase(all.begin() + allFrom);
        all.insert(all.begin() + allTo, row);
        ++m_generation;
        syncAllEntry();
    }
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
    if (!row)
        return;
    if (auto *audio = dynamic_cast<QAudioFileChunk *>(row))
        m_current.forgetRow(audio->itemId());
    std::vector<IBaseChunk *> &all = settledAll();
    if (const int at = indexIn(all, row); at >= 0) {
        all.erase(all.begin() + at);
        ++m_generation;
        syncAllEntry();
    }
    if (const int at = indexIn(m_shown, row); at >= 0) {
        ++m_generation;
        around(
            m_model, [at](QAudioFileModel *m, auto change) { m->removeRowAround(at, change); },
            [&] { m_shown.erase(m_shown.begin() + at); });
    }
}

void QLibraryRows::forgetRows(const std::vector<IBaseChunk *> &rows)
{
    // A few rows leave one by one, so that the table keeps its selection
    // and lays out no more than it must.
    if (rows.size() < 64) {
        for (IBaseChunk *row : rows)
            forgetRow(row);
        return;
    }
    QSet<const IBaseChunk *> going;
    going.reserve(int(rows.size()));
    for (IBaseChunk *row : rows) {
        going.insert(row);
        if (auto *audio = dynamic_cast<QAudioFileChunk *>(row))
            m_current.forgetRow(audio->itemId());
    }
    const auto gone = [&going](IBaseChunk *row) { return going.contains(row); };
    std::vector<IBaseChunk *> &all = settledAll();
    const auto allEnd = std::remove_if(all.begin(), all.end(), gone);
    if (allEnd != all.end()) {
        all.erase(allEnd, all.end());
        ++m_generation;
        syncAllEntry();
    }
    if (std::any_of(m_shown.begin(), m_shown.end(), gone)) {
        ++m_generation;
        around(
            m_model, [](QAudioFileModel *m, auto change) { m->resetAround(change); },
            [&] { m_shown.erase(std::remove_if(m_shown.begin(), m_shown.end(), gone), m_shown.end()); });
    }
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
    syncShownEntry();
    // The other entries' copies are made again, in this order, when shown.
    m_entries.markAllStale();
}

IBaseChunk *QLibraryRows::rowOfId(quint64 id) const
{
    IBaseChunk *item = LibraryItemIds::find(id);
    if (!item)
        return nullptr;
    const std::vector<IBaseChunk *> &all = settledAll();
    for (const std::vector<IBaseChunk *> *rows : {&m_shown, &all})
        if (std::find(rows->begin(), rows->end(), item) != rows->end())
            return item;
    return nullptr;
}

QAudioFileChunk *QLibraryRows::masterOf(std::string_view path) const
{
    // The running recording's path is only planned (recognised tags name
    // it): it may be a finished recording's.
    // A row whose file was found gone waits for "All Recordings" to let it
    // go: a live row of the same path (its file made again, or another
    // renamed to it) comes first.
    const QAudioFileChunk *recording = m_current.recordingRow();
    QAudioFileChunk *found = nullptr;
    for (IBaseChunk *item : settledAll()) {
        auto *row = dynamic_cast<QAudioFileChunk *>(item);
        if (!row || row == recording || row->textView(QRowTexts::FilePath) != path)
            continue;
        if (takesOver(found, row))
            found = row;
        if (!found->isDeleted())
            return found;
    }
    return found;
}

std::unordered_map<std::string_view, QAudioFileChunk *> QLibraryRows::mastersOf(
    const std::unordered_set<std::string_view> &paths) const
{
    std::unordered_map<std::string_view, QAudioFileChunk *> found;
    if (paths.empty())
        return found;
    const QAudioFileChunk *recording = m_current.recordingRow();
    for (IBaseChunk *item : settledAll()) {
        auto *row = dynamic_cast<QAudioFileChunk *>(item);
        if (!row || row == recording)
            continue;
        const auto path = paths.find(row->textView(QRowTexts::FilePath));
        if (path == paths.end())
            continue;
        QAudioFileChunk *&master = found[*path];
        if (takesOver(master, row))
            master = row;
    }
    return found;
}

void QLibraryRows::setFileGone(std::string_view path, bool gone)
{
    if (QAudioFileChunk *master = masterOf(path)) {
        master->setIsDeleted(gone);
        master->SetAudioState(gone ? QAudioFileChunk::AudioNoFile : QAudioFileChunk::AudioNormal);
    }
}

bool QLibraryRows::isShown(const IBaseChunk *row) const
{
    if (m_shown.empty())
        return false;
    if (m_shownByAddressGeneration != m_generation) {
        m_shownByAddress.assign(m_shown.begin(), m_shown.end());
        std::sort(m_shownByAddress.begin(), m_shownByAddress.end());
        m_shownByAddressGeneration = m_generation;
    }
    return std::binary_search(m_shownByAddress.begin(), m_shownByAddress.end(), row);
}

void QLibraryRows::itemGone(quint64 id, IBaseChunk *item)
{
    // Only compared: the item is half destroyed, and its id already reads
    // null through every reference.
    if (m_current.forgetEntry(id) && !m_shown.empty()) {
        // The entry's rows go next; the shown list lets go of them first.
        ++m_generation;
        around(
            m_model, [](QAudioFileModel *m, auto change) { m->resetAround(change); }, [&] { m_shown.clear(); });
    }
    m_gone.insert(item);
    if (!isShown(item))
        return;
    if (const int at = indexIn(m_shown, item); at >= 0) {
        ++m_generation;
        around(
            m_model, [](QAudioFileModel *m, auto change) { m->resetAround(change); },
            [&] { m_shown.erase(m_shown.begin() + at); });
    }
}
