#include "library/qlibrarydeletion.h"

#include "common/qvideosettingxml.h"
#include "library/qaudiofilechunk.h"
#include "library/qaudiofilemodel.h"
#include "library/qaudiofiletableview.h"
#include "library/qfiledisposal.h"
#include "library/qlibrarychunk.h"
#include "library/qlibraryquestions.h"
#include "library/qlibraryrows.h"

#include <QItemSelectionModel>
#include <QSet>

#include <algorithm>

QLibraryDeletion::QLibraryDeletion(QLibraryRows &rows, QAudioFileTableView *view, QWidget *owner,
                                   QObject *parent)
    : QObject(parent)
    , m_rows(rows)
    , m_view(view)
    , m_owner(owner)
{
}

int QLibraryDeletion::showAskDlg(const QString &text)
{
    return QLibraryQuestions::askRemoveOrDelete(m_owner, text);
}

bool QLibraryDeletion::takeOutOne(QAudioFileChunk *row, bool removeOnly)
{
    QLibraryChunk *list = m_rows.current().shownEntry();
    const QString path = row->qtext(QRowTexts::FilePath);
    if (list->isAllRecordings()) {
        // The entry's row is the master row itself: out of every list, then gone.
        QVideoSettingXml::removeConvertedInfo(path);
        m_rows.entries().markAllStale();
        return true;
    }
    if (!removeOnly) {
        QVideoSettingXml::removeConvertedInfo(path);
        // The file is gone for every entry: its playing row too, in
        // whichever entry it plays.
        m_rows.current().forgetPath(row->textView(QRowTexts::FilePath));
        m_rows.setFileGone(row->textView(QRowTexts::FilePath), true);
        m_rows.entries().markAllStale();
        return true;
    }
    std::optional<convertedInfo> record = QVideoSettingXml::GetConvertedInfo(path);
    if (!record)
        return false;
    QAudioFileChunk *master = m_rows.masterOf(row->textView(QRowTexts::FilePath));
    if (list->isLatestRecordings()) {
        row->setNewAdd(false);
        record->newFile = false;
        QVideoSettingXml::SaveConvertedInfo(*record);
        if (master)
            master->setNewAdd(false);
    } else {
        // The master row knows the playlists; a copy made before a change
        // may not. The recording leaves this playlist wholly.
        const std::string title = list->GetTitle();
        QAudioFileChunk *own = master ? master : row;
        while (own->RemoveList(title)) { }
        record->listNames.removeAll(QString::fromStdString(title));
        QVideoSettingXml::SaveConvertedInfo(*record);
        row->SetListsBelong(own->GetListsBelong());
    }
    return true;
}

void QLibraryDeletion::takeOut(const std::vector<QAudioFileChunk *> &rows, bool removeOnly)
{
    QLibraryChunk *list = m_rows.current().shownEntry();
    if (!list || (!list->isAllRecordings() && !list->isLatestRecordings() && !list->isPlaylist()))
        return;
    std::vector<IBaseChunk *> going;
    for (QAudioFileChunk *row : rows)
        if (row && takeOutOne(row, removeOnly))
            going.push_back(row);
    if (going.empty())
        return;
    m_rows.forgetRows(going);
    if (!list->isAllRecordings()) {
        // The entry's copies are its own: they leave its list, then go.
        const QSet<IBaseChunk *> gone(going.begin(), going.end());
        std::vector<IBaseChunk *> kept = list->GetAudioDatasList();
        kept.erase(std::remove_if(kept.begin(), kept.end(), [&gone](IBaseChunk *r) { return gone.contains(r); }),
                   kept.end());
        list->SetAudioDatasList(std::move(kept));
    }
    for (IBaseChunk *row : going)
        delete row;
}

void QLibraryDeletion::showEntryRows()
{
    if (QLibraryChunk *entry = m_rows.current().shownEntry())
        m_rows.show(entry->GetAudioDatasList());
}

void QLibraryDeletion::OnActDeleteFile()
{
    const QList<QAudioFileChunk *> selected = m_view->selectedRows();
    if (selected.isEmpty())
        return;
    const int answer = showAskDlg(
        tr("Do you want to delete the seleted files or just move \nthe files from the list?"));
    if (answer == 0)
        return;
    QLibraryCurrent &current = m_rows.current();
    std::vector<QAudioFileChunk *> taken;
    QStringList paths;
    for (auto it = selected.crbegin(); it != selected.crend(); ++it) {
        QAudioFileChunk *row = *it;
        if (row->GetAudioState() == QAudioFileChunk::AudioRecording || row == current.recordingRow())
            continue;
        taken.push_back(row);
        paths << row->qtext(QRowTexts::FilePath);
    }
    const bool wasPlaying = current.playingRow()
                            && std::find(taken.begin(), taken.end(), current.playingRow()) != taken.end();
    // While the records still exist: each file's folder walk stops at its
    // record's folder.
    QFileDisposal::disposeFiles(paths, answer);
    takeOut(taken, answer != 2);
    showEntryRows();
    if (answer == 2 || current.playingEntry() == current.shownEntry())
        emit emitRemovePlayFiles(paths);
    if (wasPlaying && current.playingEntry())
        current.playingEntry()->SetIsPlaying(false);
}

void QLibraryDeletion::OnDeleteItem(const QModelIndex &index)
{
    if (!index.isValid() || !index.model())
        return;
    QAudioFileChunk *row = QAudioFileModel::rowItem(index);
    QLibraryCurrent &current = m_rows.current();
    if (!row || row == current.recordingRow())
        return;
    const int answer = showAskDlg(
        tr("Do you want to delete the seleted files or just move \nthe files from the list?"));
    if (answer == 0)
        return;
    const QStringList paths{row->qtext(QRowTexts::FilePath)};
    if (answer == 2 || current.playingEntry() == current.shownEntry())
        emit emitRemovePlayFiles(paths);
    QFileDisposal::disposeFiles(paths, answer);
    takeOut({row}, answer != 2);
    showEntryRows();
}

void QLibraryDeletion::OnActDeleteAllFiles()
{
    const int answer = showAskDlg(
        tr("Do you want to delete all files or just move the \nfiles from the list?"));
    if (answer == 1)
        OnRemoveCurPlayList();
    else if (answer == 2)
        OnDeleteFilesOfCurList();
    else
        return;
    showEntryRows();
}

std::vector<QAudioFileChunk *> QLibraryDeletion::takeableRows(const std::vector<IBaseChunk *> &rows) const
{
    // Last first; the running recording is never taken.
    std::vector<QAudioFileChunk *> taken;
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        if (auto *row = dynamic_cast<QAudioFileChunk *>(*it); row && row != m_rows.current().recordingRow())
            taken.push_back(row);
    return taken;
}

QStringList QLibraryDeletion::pathsOf(const std::vector<QAudioFileChunk *> &rows)
{
    QStringList paths;
    for (QAudioFileChunk *row : rows)
        paths << row->qtext(QRowTexts::FilePath);
    return paths;
}

void QLibraryDeletion::shownEntryEmptied()
{
    showEntryRows();
    const QLibraryCurrent &current = m_rows.current();
    if (current.playingEntry() && current.playingEntry() == current.shownEntry()) {
        emit emitRemoveAllPlayFiles();
        emit emitPlayingList(0);
    }
}

void QLibraryDeletion::OnRemoveCurPlayList()
{
    if (QLibraryChunk *entry = m_rows.current().shownEntry()) {
        takeOut(takeableRows(entry->GetAudioDatasList()), true);
        shownEntryEmptied();
    }
}

void QLibraryDeletion::OnDeleteFilesOfCurList()
{
    QLibraryChunk *entry = m_rows.current().shownEntry();
    if (!entry || entry->GetAudioDatasList().empty())
        return;
    const std::vector<QAudioFileChunk *> taken = takeableRows(entry->GetAudioDatasList());
    QFileDisposal::disposeFiles(pathsOf(taken), 2);
    takeOut(taken, false);
    m_rows.entries().markAllStale();
    shownEntryEmptied();
}

void QLibraryDeletion::OnDeleteAllFiles()
{
    QLibraryCurrent &current = m_rows.current();
    const std::vector<QAudioFileChunk *> rows = takeableRows(m_rows.all());
    const QStringList paths = pathsOf(rows);
    QFileDisposal::disposeFiles(paths, 2);
    for (const QString &path : paths)
        QVideoSettingXml::removeConvertedInfo(path);
    // Every entry makes its copies again when next shown; "All
    // Recordings" then lets the rows go.
    m_rows.entries().markAllStale();
    for (QAudioFileChunk *row : rows) {
        row->setIsDeleted(true);
        row->SetAudioState(QAudioFileChunk::AudioNoFile);
    }
    emit emitRemoveAllPlayFiles();
    emit emitPlayingList(0);
    current.setPlayingRow(nullptr);
    current.setEditingRow(nullptr);
    showEntryRows();
    m_view->viewport()->update();
}
