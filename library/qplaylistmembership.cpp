#include "library/qplaylistmembership.h"

#include "common/qvideosettingxml.h"
#include "library/qaudiofilechunk.h"
#include "library/qaudiofiletableview.h"
#include "library/qlibrarychunk.h"
#include "library/qlibraryrows.h"

QPlaylistMembership::QPlaylistMembership(QLibraryRows &rows, QAudioFileTableView *view, QObject *parent)
    : QObject(parent)
    , m_rows(rows)
    , m_view(view)
{
}

void QPlaylistMembership::OnAddSelectedToList(const QString &playlistName)
{
    QList<quint64> ids;
    for (QAudioFileChunk *row : m_view->selectedRows())
        ids << row->itemId();
    if (!ids.isEmpty())
        OnAddToList(playlistName, ids);
}

void QPlaylistMembership::OnAddToList(QString playlistName, QList<quint64> rowIds)
{
    if (rowIds.isEmpty())
        return;
    const std::string name = playlistName.toStdString();
    QStringList added;
    for (quint64 id : rowIds) {
        // Only rows of this library that are still there: anything else is
        // passed over, and so is the running recording (its path is only
        // planned, and may be another recording's).
        auto *row = dynamic_cast<QAudioFileChunk *>(m_rows.rowOfId(id));
        if (!row || row == m_rows.current().recordingRow())
            continue;
        // The master row knows the playlists; a copy made before a change
        // may not.
        QAudioFileChunk *master = m_rows.masterOf(row->textView(QRowTexts::FilePath));
        QAudioFileChunk *own = master ? master : row;
        if (own->GetListNamePos(name) != -1) {
            row->SetListsBelong(own->GetListsBelong());
            continue;
        }
        std::optional<convertedInfo> record = QVideoSettingXml::GetConvertedInfo(
            row->qtext(QRowTexts::FilePath));
        if (!record)
            continue;
        own->AppendList(name);
        row->SetListsBelong(own->GetListsBelong());
        if (!record->listNames.contains(playlistName))
            record->listNames << playlistName;
        QVideoSettingXml::SaveConvertedInfo(*record);
        added << row->qtext(QRowTexts::FilePath);
    }
    m_rows.entries().markStale(name);
    QLibraryChunk *playing = m_rows.current().playingEntry();
    if (playing && playing->GetTitle() == name)
        emit emitAppendPlayFiles(added);
}

void QPlaylistMembership::OnChangeLibraryListName(QString oldName, QString newName)
{
    if (!m_rows.current().shownEntry())
        return;
    const std::string oldText = oldName.toStdString();
    const std::string newText = newName.toStdString();
    auto rename = [&](QAudioFileChunk *row) {
        QList<std::string> names = row->GetListsBelong();
        const int at = names.indexOf(oldText);
        if (at < 0)
            return false;
        names[at] = newText;
        row->SetListsBelong(names);
        return true;
    };
    const std::vector<IBaseChunk *> &all = m_rows.all();
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        auto *row = dynamic_cast<QAudioFileChunk *>(*it);
        if (!row || !rename(row))
            continue;
        if (std::optional<convertedInfo> record = QVideoSettingXml::GetConvertedInfo(
                row->qtext(QRowTexts::FilePath))) {
            const int at = record->listNames.indexOf(oldName);
            if (at >= 0)
                record->listNames[at] = newName;
            QVideoSettingXml::SaveConvertedInfo(*record);
        }
    }
    for (IBaseChunk *item : m_rows.shown())
        if (auto *row = dynamic_cast<QAudioFileChunk *>(item))
            rename(row);
    m_rows.entries().markStale(oldText);
    m_rows.entries().markStale(newText);
}

void QPlaylistMembership::OnRemoveAllPlayLists()
{
    const std::vector<IBaseChunk *> &all = m_rows.all();
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        auto *row = dynamic_cast<QAudioFileChunk *>(*it);
        if (!row)
            continue;
        row->RemoveAllLists();
        if (std::optional<convertedInfo> record = QVideoSettingXml::GetConvertedInfo(
                row->qtext(QRowTexts::FilePath))) {
            record->listNames.clear();
            QVideoSettingXml::SaveConvertedInfo(*record);
        }
    }
    QLibraryCurrent &current = m_rows.current();
    if (current.playingEntry() && current.playingEntry()->isPlaylist()) {
        emit emitPlayingList(0);
        emit emitRemoveAllPlayFiles();
        current.setPlayingRow(nullptr);
    }
    if (current.shownEntry() && current.shownEntry()->isPlaylist())
        current.setEditingRow(nullptr);
}
