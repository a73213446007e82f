// Taking recordings out of a list or off the disk, and the playlists that
// hold each recording.

#include "library/qfilelistwgt.h"

#include "common/qvideosettingxml.h"
#include "library/qaudiofilechunk.h"
#include "library/qaudiofilemimedata.h"
#include "library/qaudiofilemodel.h"
#include "library/qaudiofilesortmodel.h"
#include "library/qaudiofiletableview.h"
#include "library/qfiledisposal.h"
#include "library/qlibrarychunk.h"
#include "library/qlibraryquestions.h"

#include <QAction>
#include <QItemSelectionModel>

#include <algorithm>

int QFileListWgt::showAskDlg(const QString &text)
{
    return QLibraryQuestions::askRemoveOrDelete(this, text);
}

void QFileListWgt::DisposeFile(const QStringList &paths, int mode)
{
    QFileDisposal::disposeFiles(paths, mode);
}

void QFileListWgt::syncAllEntry()
{
    m_rows.syncAllEntry();
}

void QFileListWgt::DeleteOneAudio(IBaseChunk *item, bool removeOnly)
{
    QAudioFileChunk *row = asRow(item);
    QLibraryChunk *list = m_rows.currentEntry();
    if (!row || !list)
        return;
    const QString path = row->qtext(QRowTexts::FilePath);
    const bool all = showingAllRecordings();
    const bool latest = list->GetListType() == QLibraryChunk::ListAll && shownEntryIs(tr("Latest Recordings"));
    const bool custom = list->GetListType() == QLibraryChunk::ListCustom;
    if (all) {
        // The entry's row is the master row itself: out of every list, then gone.
        QVideoSettingXml::removeConvertedInfo(path);
        forgetRow(row);
        if (!list->DeleteOneAudioChunk(item))
            delete row;
        syncAllEntry();
        m_bListsChanged = true;
        return;
    }
    if (!latest && !custom)
        return;
    if (!removeOnly) {
        QVideoSettingXml::removeConvertedInfo(path);
        // The file is gone for every entry: its playing row too, in
        // whichever entry it plays.
        m_rows.forgetPath(row->GetFilePath());
        SetDeletedChunkInAllDatas(row, true);
        m_bListsChanged = true;
        forgetRow(row);
        list->DeleteOneAudioChunk(item);
        return;
    }
    std::optional<convertedInfo> record = QVideoSettingXml::GetConvertedInfo(path);
    if (!record)
        return;
    if (latest) {
        row->setNewAdd(false);
        record->newFile = false;
        QVideoSettingXml::SaveConvertedInfo(*record);
        SetChunkNewAdd(row, false);
    } else {
        const std::string title = list->GetTitle();
        row->RemoveList(title);
        record->listNames.removeOne(QString::fromStdString(title));
        QVideoSettingXml::SaveConvertedInfo(*record);
        if (QAudioFileChunk *master = masterOf(row))
            master->SetListsBelong(row->GetListsBelong());
    }
    forgetRow(row);
    list->DeleteOneAudioChunk(item);
}

void QFileListWgt::forgetRow(IBaseChunk *item)
{
    // The model must not hold the row while it goes; a shown row's removal
    // is announced alone, so that the table is neither sorted again nor
    // loses its selection.
    const std::vector<IBaseChunk *> &shown = m_rows.shown();
    const auto at = std::find(shown.begin(), shown.end(), item);
    const bool once = at != shown.end() && std::find(at + 1, shown.end(), item) == shown.end();
    const int row = once ? int(at - shown.begin()) : -1;
    m_pAudioModel->removeRowAround(row, [this, item] { m_rows.forgetRow(item); });
}

QList<QAudioFileChunk *> QFileListWgt::selectedRows() const
{
    QList<QAudioFileChunk *> rows;
    if (!m_tbViewFile->selectionModel())
        return rows;
    for (const QModelIndex &index : m_tbViewFile->selectionModel()->selectedRows(QAudioFileModel::ColumnName))
        if (QAudioFileChunk *row = QAudioFileModel::rowItem(index))
            rows << row;
    return rows;
}

void QFileListWgt::OnActDeleteFile()
{
    if (!m_tbViewFile->selectionModel() || m_tbViewFile->selectionModel()->selectedRows(1).isEmpty())
        return;
    const int answer = showAskDlg(tr("Do you want to delete the seleted files or just move \nthe files from the list?"));
    if (answer == 0)
        return;
    QList<QAudioFileChunk *> taken;
    QStringList paths;
    const QList<QAudioFileChunk *> rows = selectedRows();
    for (auto it = rows.crbegin(); it != rows.crend(); ++it) {
        QAudioFileChunk *row = *it;
        if (row->GetAudioState() == QAudioFileChunk::AudioRecording || row == m_rows.recordingRow())
            continue;
        taken << row;
        paths << row->qtext(QRowTexts::FilePath);
    }
    const bool wasPlaying = m_rows.playingRow() && taken.contains(m_rows.playingRow());
    DisposeFile(paths, answer);
    for (QAudioFileChunk *row : taken)
        DeleteOneAudio(row, answer != 2);
    refreshShownList();
    DisplayListInfo();
    if (answer == 2 || m_rows.playingEntry() == m_rows.currentEntry())
        emit emitRemovePlayFiles(paths);
    if (wasPlaying && m_rows.playingEntry())
        m_rows.playingEntry()->SetIsPlaying(false);
}

void QFileListWgt::OnDeleteItem(const QModelIndex &index)
{
    if (!index.isValid() || !index.model())
        return;
    QAudioFileChunk *row = QAudioFileModel::rowItem(index);
    if (!row || row == m_rows.recordingRow())
        return;
    const int answer = showAskDlg(tr("Do you want to delete the seleted files or just move \nthe files from the list?"));
    if (answer == 0)
        return;
    const QStringList paths{row->qtext(QRowTexts::FilePath)};
    if (answer == 2 || m_rows.playingEntry() == m_rows.currentEntry())
        emit emitRemovePlayFiles(paths);
    DisposeFile(paths, answer);
    DeleteOneAudio(row, answer != 2);
    refreshShownList();
    DisplayListInfo();
}

void QFileListWgt::OnActDeleteAllFiles()
{
    const int answer = showAskDlg(tr("Do you want to delete all files or just move the \nfiles from the list?"));
    if (answer == 1)
        OnRemoveCurPlayList();
    else if (answer == 2)
        OnDeleteFilesOfCurList();
    else
        return;
    refreshShownList();
    DisplayListInfo();
}

void QFileListWgt::OnRemoveCurPlayList()
{
    if (!m_rows.currentEntry())
        return;
    const std::vector<IBaseChunk *> rows = m_rows.currentEntry()->GetAudioDatasList();
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        if (*it && *it != m_rows.recordingRow())
            DeleteOneAudio(*it, true);
    refreshShownList();
    if (m_rows.playingEntry() && m_rows.playingEntry() == m_rows.currentEntry()) {
        emit emitRemoveAllPlayFiles();
        emit emitPlayingList(0);
    }
}

void QFileListWgt::OnDeleteFilesOfCurList()
{
    if (!m_rows.currentEntry() || m_rows.currentEntry()->GetAudioDatasList().empty())
        return;
    const std::vector<IBaseChunk *> rows = m_rows.currentEntry()->GetAudioDatasList();
    QList<IBaseChunk *> taken;
    QStringList paths;
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        QAudioFileChunk *row = asRow(*it);
        if (!row || row == m_rows.recordingRow())
            continue;
        taken << row;
        paths << row->qtext(QRowTexts::FilePath);
    }
    DisposeFile(paths, 2);
    for (IBaseChunk *row : taken)
        DeleteOneAudio(row, false);
    m_bListsChanged = true;
    refreshShownList();
    if (m_rows.playingEntry() && m_rows.playingEntry() == m_rows.currentEntry()) {
        emit emitRemoveAllPlayFiles();
        emit emitPlayingList(0);
    }
}

void QFileListWgt::OnDeleteAllFiles()
{
    QStringList paths;
    for (auto it = m_rows.all().rbegin(); it != m_rows.all().rend(); ++it)
        if (QAudioFileChunk *row = asRow(*it); row && row != m_rows.recordingRow())
            paths << row->qtext(QRowTexts::FilePath);
    DisposeFile(paths, 2);
    for (const QString &path : paths)
        QVideoSettingXml::removeConvertedInfo(path);
    // Every entry rebuilds from the master list when next shown.
    m_bListsChanged = true;
    for (IBaseChunk *item : std::vector<IBaseChunk *>(m_rows.all()))
        if (QAudioFileChunk *row = asRow(item); row && row != m_rows.recordingRow())
            SetDeletedChunkInAllDatas(row, true);
    emit emitRemoveAllPlayFiles();
    emit emitPlayingList(0);
    m_rows.setPlayingRow(nullptr);
    m_rows.setEditingRow(nullptr);
    refreshShownList();
    DisplayListInfo();
}

void QFileListWgt::OnRemoveAllPlayLists()
{
    for (auto it = m_rows.all().rbegin(); it != m_rows.all().rend(); ++it) {
        QAudioFileChunk *row = asRow(*it);
        if (!row)
            continue;
        row->RemoveAllLists();
        if (std::optional<convertedInfo> record =
                QVideoSettingXml::GetConvertedInfo(row->qtext(QRowTexts::FilePath))) {
            record->listNames.clear();
            QVideoSettingXml::SaveConvertedInfo(*record);
        }
    }
    if (m_rows.playingEntry() && m_rows.playingEntry()->GetListType() == QLibraryChunk::ListCustom) {
        emit emitPlayingList(0);
        emit emitRemoveAllPlayFiles();
        m_rows.setPlayingRow(nullptr);
    }
    if (m_rows.currentEntry() && m_rows.currentEntry()->GetListType() == QLibraryChunk::ListCustom)
        m_rows.setEditingRow(nullptr);
}

void QFileListWgt::OnActAddToList()
{
    auto *action = qobject_cast<QAction *>(sender());
    const QList<QAudioFileChunk *> rows = selectedRows();
    if (!action || rows.isEmpty())
        return;
    QList<quint64> ids;
    for (QAudioFileChunk *row : rows)
        ids << row->itemId();
    OnAddToList(action->data().toString(), ids);
}

void QFileListWgt::OnAddToList(QString playlistName, QList<quint64> rowIds)
{
    if (rowIds.isEmpty())
        return;
    const std::string name = playlistName.toStdString();
    QStringList added;
    for (quint64 id : rowIds) {
        // Only rows of this library that are still there: anything else is passed over.
        QAudioFileChunk *row = asRow(m_rows.rowOfId(id));
        if (!row || row->GetListNamePos(name) != -1)
            continue;
        std::optional<convertedInfo> record =
            QVideoSettingXml::GetConvertedInfo(row->qtext(QRowTexts::FilePath));
        if (!record)
            continue;
        row->AppendList(name);
        if (QAudioFileChunk *master = masterOf(row))
            master->SetListsBelong(row->GetListsBelong());
        record->listNames << playlistName;
        QVideoSettingXml::SaveConvertedInfo(*record);
        added << row->qtext(QRowTexts::FilePath);
    }
    m_listLoadedLists.removeOne(name);
    if (m_rows.playingEntry() && m_rows.playingEntry()->GetTitle() == name)
        emit emitAppendPlayFiles(added);
}

void QFileListWgt::OnChangeLibraryListName(QString oldName, QString newName)
{
    if (!m_rows.currentEntry())
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
    for (auto it = m_rows.all().rbegin(); it != m_rows.all().rend(); ++it) {
        QAudioFileChunk *row = asRow(*it);
        if (!row || !rename(row))
            continue;
        if (std::optional<convertedInfo> record =
                QVideoSettingXml::GetConvertedInfo(row->qtext(QRowTexts::FilePath))) {
            const int at = record->listNames.indexOf(oldName);
            if (at >= 0)
                record->listNames[at] = newName;
            QVideoSettingXml::SaveConvertedInfo(*record);
        }
    }
    for (IBaseChunk *item : m_rows.shown())
        if (QAudioFileChunk *row = asRow(item))
            rename(row);
    m_listLoadedLists.removeOne(oldText);
    m_listLoadedLists.removeOne(newText);
}
