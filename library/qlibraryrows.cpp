#include "library/qlibraryrows.h"

#include <algorithm>

QLibraryRows::QLibraryRows()
{
    m_watch = LibraryItemIds::watch([this](quint64 id, IBaseChunk *item) { itemGone(id, item); });
}

QLibraryRows::~QLibraryRows()
{
    LibraryItemIds::unwatch(m_watch);
}

bool QLibraryRows::eraseFrom(std::vector<IBaseChunk *> &rows, IBaseChunk *item)
{
    auto it = std::remove(rows.begin(), rows.end(), item);
    if (it == rows.end())
        return false;
    rows.erase(it, rows.end());
    return true;
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
    if (QLibraryChunk *entry = allEntry())
        entry->SetAudioDatasList(settledAll());
}

void QLibraryRows::forgetRow(IBaseChunk *row)
{
    if (!row)
        return;
    auto *audio = dynamic_cast<QAudioFileChunk *>(row);
    for (LibraryItemRef<QAudioFileChunk> *ref : {&m_playingRow, &m_editingRow, &m_recordingRow})
        if (audio && ref->get() == audio)
            ref->clear();
    eraseFrom(settledAll(), row);
    eraseFrom(m_shown, row);
    if (QLibraryChunk *entry = allEntry()) {
        std::vector<IBaseChunk *> rows = entry->GetAudioDatasList();
        if (eraseFrom(rows, row))
            entry->SetAudioDatasList(std::move(rows));
    }
}

void QLibraryRows::forgetEntry(QLibraryChunk *entry)
{
    if (entry)
        itemGone(entry->itemId(), entry);
}

void QLibraryRows::forgetPath(const std::string &path)
{
    if (QAudioFileChunk *row = playingRow(); row && row->GetFilePath() == path)
        m_playingRow.clear();
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

void QLibraryRows::itemGone(quint64 id, IBaseChunk *item)
{
    // Only compared: the item is half destroyed, and its id already reads
    // null through every reference.
    if (id == m_currentEntry.id()) {
        m_currentEntry.clear();
        // The entry's rows go next; the shown list lets go of them first.
        if (!m_shown.empty()) {
            m_shown.clear();
            if (m_shownChanged)
                m_shownChanged();
        }
    }
    if (id == m_playingEntry.id()) {
        m_playingEntry.clear();
        m_playingRow.clear();
    }
    if (id == m_allEntry.id())
        m_allEntry.clear();
    m_gone.insert(item);
    if (eraseFrom(m_shown, item) && m_shownChanged)
        m_shownChanged();
}
