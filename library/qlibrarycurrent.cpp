#include "library/qlibrarycurrent.h"

void QLibraryCurrent::forgetRow(quint64 rowId)
{
    for (LibraryItemRef<QAudioFileChunk> *ref : {&m_playingRow, &m_editingRow, &m_recordingRow})
        if (rowId && ref->id() == rowId)
            ref->clear();
}

bool QLibraryCurrent::forgetEntry(quint64 entryId)
{
    if (!entryId)
        return false;
    const bool shown = m_shownEntry.id() == entryId;
    if (shown)
        m_shownEntry.clear();
    if (m_playingEntry.id() == entryId) {
        m_playingEntry.clear();
        m_playingRow.clear();
    }
    if (m_allEntry.id() == entryId)
        m_allEntry.clear();
    return shown;
}

void QLibraryCurrent::forgetPath(std::string_view path)
{
    if (QAudioFileChunk *row = playingRow(); row && row->textView(QRowTexts::FilePath) == path)
        m_playingRow.clear();
}
