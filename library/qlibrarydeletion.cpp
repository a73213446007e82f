#include "library/qlibrarydeletion.h"

#include "common/qconverteroperate.h"
#include "common/qvideosettingxml.h"
#include "library/qaudiofilechunk.h"
#include "library/qaudiofilemodel.h"
#include "library/qaudiofiletableview.h"
#include "library/qlibrarychunk.h"
#include "library/qlibraryquestions.h"
#include "library/qlibraryrows.h"

#include <QItemSelectionModel>
#include <QTimer>

#include <algorithm>
#include <string>
#include <string_view>
#include <unordered_set>

QLibraryDeletion::QLibraryDeletion(QLibraryRows &rows, QAudioFileTableView *view, QWidget *owner,
                                   QObject *parent)
    : QObject(parent)
    , m_rows(rows)
    , m_view(view)
    , m_owner(owner)
{
}

QLibraryDeletion::~QLibraryDeletion()
{
    // No row can be told any more; the history still must not list a file
    // that is gone.
    for (const Running &running : m_running) {
        if (!running.job)
            continue;
        QStringList gone;
        for (const QFileDisposal::Outcome &outcome : running.job->finish())
            if (outcome.gone)
                gone << outcome.path;
        if (!gone.isEmpty())
            QVideoSettingXml::removeConvertedInfos(gone);
    }
}

int QLibraryDeletion::showAskDlg(const QString &text)
{
    return QLibraryQuestions::askRemoveOrDelete(m_owner, text);
}

void QLibraryDeletion::removeFromEntry(const std::vector<QAudioFileChunk *> &rows)
{
    QLibraryChunk *list = m_rows.current().shownEntry();
    if (!list || (!list->isAllRecordings() && !list->isLatestRecordings() && !list->isPlaylist()))
        return;
    std::vector<IBaseChunk *> going;
    if (list->isAllRecordings()) {
        // The entry's rows are the master rows themselves: out of every
        // list, then gone.
        QVideoSettingXml::removeConvertedInfos(pathsOf(rows));
        going.assign(rows.begin(), rows.end());
        m_rows.entries().markAllStale();
    } else {
        // The master rows know the playlists; a copy made before a change
        // may not.
        std::unordered_set<std::string_view> paths;
        for (QAudioFileChunk *row : rows)
            paths.insert(row->textView(QRowTexts::FilePath));
        const auto masters = m_rows.mastersOf(paths);
        const std::string title = list->GetTitle();
        QList<convertedInfo> records;
        QVector<std::optional<convertedInfo>> stored = QVideoSettingXml::GetConvertedInfos(pathsOf(rows));
        for (size_t i = 0; i < rows.size(); ++i) {
            QAudioFileChunk *row = rows[i];
            std::optional<convertedInfo> &record = stored[int(i)];
            if (!record)
                continue; // its record is gone: the row stays
            const auto found = masters.find(row->textView(QRowTexts::FilePath));
            QAudioFileChunk *master = found != masters.end() ? found->second : nullptr;
            if (list->isLatestRecordings()) {
                // Not new any more, after a restart too.
                row->setNewAdd(false);
                record->newFile = false;
                if (master)
                    master->setNewAdd(false);
            } else {
                // The recording leaves this playlist wholly.
                QAudioFileChunk *own = master ? master : row;
                while (own->RemoveList(title)) { }
                record->listNames.removeAll(QString::fromStdString(title));
                row->SetListsBelong(own->GetListsBelong());
            }
            records << *record;
            going.push_back(row);
        }
        QVideoSettingXml::saveConvertedInfos(records);
    }
    if (going.empty())
        return;
    m_rows.forgetRows(going);
    if (!list->isAllRecordings()) {
        // The entry's copies are its own: they leave its list, then go.
        const std::unordered_set<IBaseChunk *> gone(going.begin(), going.end());
        std::vector<IBaseChunk *> kept = list->GetAudioDatasList();
        kept.erase(
            std::remove_if(kept.begin(), kept.end(), [&gone](IBaseChunk *r) { return gone.count(r) > 0; }),
            kept.end());
        list->SetAudioDatasList(std::move(kept));
    }
    for (IBaseChunk *row : going)
        delete row;
}

void QLibraryDeletion::deleteFiles(const std::vector<QAudioFileChunk *> &rows, bool wholeEntry)
{
    QStringList paths;
    for (QAudioFileChunk *row : rows) {
        const QString path = row->qtext(QRowTexts::FilePath);
        if (m_deleting.contains(path))
            continue;
        m_deleting.insert(path);
        paths << path;
    }
    // Each file's folder walk stops at its record's folder.
    const QVector<std::optional<convertedInfo>> records = QVideoSettingXml::GetConvertedInfos(paths);
    QVector<QFileDisposal::Request> files;
    files.reserve(paths.size());
    for (int i = 0; i < paths.size(); ++i)
        files.append({paths.at(i), records.at(i) ? records.at(i)->preferencePath : QString()});
    if (files.isEmpty())
        return;
    auto *job = new QFileDisposal(this);
    connect(job, &QFileDisposal::disposed, this,
            [this, job](const QFileDisposal::Outcomes &outcomes) { filesDisposed(job, outcomes); });
    m_running.push_back({job, wholeEntry ? m_rows.current().shownEntry() : nullptr});
    job->start(files, QConverterOperate::getConverterPath());
}

void QLibraryDeletion::filesDisposed(QFileDisposal *job, const QFileDisposal::Outcomes &outcomes)
{
    LibraryItemRef<QLibraryChunk> wholeEntry;
    const auto running = std::find_if(m_running.begin(), m_running.end(),
                                      [job](const Running &r) { return r.job == job; });
    if (running != m_running.end()) {
        wholeEntry = running->wholeEntry;
        m_running.erase(running);
    }
    job->deleteLater();
    QStringList gone;
    QStringList kept;
    for (const QFileDisposal::Outcome &outcome : outcomes) {
        m_deleting.remove(outcome.path);
        if (outcome.gone)
            gone << outcome.path;
        else
            kept << tr("%1: %2").arg(outcome.path, outcome.reason);
    }
    if (!gone.isEmpty())
        forgetFiles(gone);
    QLibraryChunk *entry = wholeEntry.get();
    if (kept.isEmpty() && entry && entry == m_rows.current().shownEntry())
        shownEntryEmptied();
    if (!kept.isEmpty()) {
        constexpr int kListed = 10;
        QString text = tr("%n file(s) could not be deleted and stay in the library:", nullptr, kept.size());
        text += QLatin1Char('\n') + QStringList(kept.mid(0, kListed)).join(QLatin1Char('\n'));
        if (kept.size() > kListed)
            text += QLatin1Char('\n') + tr("and %n more.", nullptr, kept.size() - kListed);
        // Told once this change is over, not from inside it.
        QTimer::singleShot(0, this, [this, text] { QLibraryQuestions::tell(m_owner, text); });
    }
    emit deletionEnded();
}

void QLibraryDeletion::forgetFiles(const QStringList &paths)
{
    QLibraryCurrent &current = m_rows.current();
    // The records in one change of the history.
    QVideoSettingXml::removeConvertedInfos(paths);
    std::vector<std::string> texts;
    texts.reserve(size_t(paths.size()));
    for (const QString &path : paths)
        texts.push_back(path.toStdString());
    const std::unordered_set<std::string_view> gone(texts.begin(), texts.end());
    // Whichever row of them plays, in whatever entry, plays no more.
    const QAudioFileChunk *playing = current.playingRow();
    const bool wasPlaying = playing && gone.count(playing->textView(QRowTexts::FilePath));
    if (wasPlaying)
        current.setPlayingRow(nullptr);
    // Their master rows, found by path; the running recording's row is
    // never taken: the name its tags plan may be a deleted file's.
    const QAudioFileChunk *recording = current.recordingRow();
    std::vector<IBaseChunk *> going;
    for (std::string_view path : gone)
        for (QAudioFileChunk *row : m_rows.mastersAt(path))
            going.push_back(row);
    const auto goes = [&](IBaseChunk *item) {
        const auto *row = dynamic_cast<QAudioFileChunk *>(item);
        return row && row != recording && gone.count(row->textView(QRowTexts::FilePath)) > 0;
    };
    // The shown entry's own copies go with them; other entries make theirs
    // again when next shown.
    QLibraryChunk *shown = current.shownEntry();
    std::vector<IBaseChunk *> kept;
    bool shownChanged = false;
    if (shown && !shown->isAllRecordings()) {
        for (IBaseChunk *item : shown->GetAudioDatasList()) {
            const bool copyGoes = goes(item);
            (copyGoes ? going : kept).push_back(item);
            shownChanged = shownChanged || copyGoes;
        }
    }
    m_rows.entries().markAllStale();
    // The rows in one change of the table.
    m_rows.forgetRows(going);
    if (shownChanged)
        shown->SetAudioDatasList(std::move(kept));
    for (IBaseChunk *row : going)
        delete row;
    showEntryRows();
    emit emitRemovePlayFiles(paths);
    if (wasPlaying && current.playingEntry())
        current.playingEntry()->SetIsPlaying(false);
}

void QLibraryDeletion::showEntryRows()
{
    if (QLibraryChunk *entry = m_rows.current().shownEntry())
        m_rows.show(entry->GetAudioDatasList());
}

void QLibraryDeletion::takeRows(const std::vector<QAudioFileChunk *> &rows, int answer)
{
    if (rows.empty())
        return;
    if (answer == 2) {
        deleteFiles(rows, false);
        return;
    }
    QLibraryCurrent &current = m_rows.current();
    const QStringList paths = pathsOf(rows);
    const bool wasPlaying = current.playingRow()
                            && std::find(rows.begin(), rows.end(), current.playingRow()) != rows.end();
    removeFromEntry(rows);
    showEntryRows();
    if (current.playingEntry() == current.shownEntry())
        emit emitRemovePlayFiles(paths);
    if (wasPlaying && current.playingEntry())
        current.playingEntry()->SetIsPlaying(false);
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
    QAudioFileChunk *recording = m_rows.current().recordingRow();
    std::vector<QAudioFileChunk *> taken;
    for (auto it = selected.crbegin(); it != selected.crend(); ++it) {
        QAudioFileChunk *row = *it;
        if (row->GetAudioState() == QAudioFileChunk::AudioRecording || row == recording)
            continue;
        taken.push_back(row);
    }
    takeRows(taken, answer);
}

void QLibraryDeletion::OnDeleteItem(const QModelIndex &index)
{
    if (!index.isValid() || !index.model())
        return;
    QAudioFileChunk *row = QAudioFileModel::rowItem(index);
    if (!row || row == m_rows.current().recordingRow())
        return;
    const int answer = showAskDlg(
        tr("Do you want to delete the seleted files or just move \nthe files from the list?"));
    if (answer == 0)
        return;
    takeRows({row}, answer);
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
    paths.reserve(int(rows.size()));
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
        removeFromEntry(takeableRows(entry->GetAudioDatasList()));
        shownEntryEmptied();
    }
}

void QLibraryDeletion::OnDeleteFilesOfCurList()
{
    QLibraryChunk *entry = m_rows.current().shownEntry();
    if (!entry || entry->GetAudioDatasList().empty())
        return;
    const std::vector<QAudioFileChunk *> taken = takeableRows(entry->GetAudioDatasList());
    if (!entry->isPlaylist()) {
        // The rows go as their files do.
        deleteFiles(taken, true);
        return;
    }
    // A playlist goes at once (the panel removes it next); its files
    // follow, and one that stays is left in no playlist of that name.
    deleteFiles(taken, false);
    removeFromEntry(taken);
    m_rows.entries().markAllStale();
    shownEntryEmptied();
}

void QLibraryDeletion::OnDeleteAllFiles()
{
    QLibraryCurrent &current = m_rows.current();
    deleteFiles(takeableRows(m_rows.all()), false);
    emit emitRemoveAllPlayFiles();
    emit emitPlayingList(0);
    current.setPlayingRow(nullptr);
    current.setEditingRow(nullptr);
    m_view->viewport()->update();
}
