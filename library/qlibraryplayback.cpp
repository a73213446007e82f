#include "library/qlibraryplayback.h"

#include "library/qaudiofilechunk.h"
#include "library/qaudiofilemodel.h"
#include "library/qaudiofilesortmodel.h"
#include "library/qaudiofiletableview.h"
#include "library/qlibrarychunk.h"
#include "library/qlibraryrows.h"
#include "library/rowpass.h"

#include <QFileInfo>

#include <algorithm>
#include <limits>

QLibraryPlayback::QLibraryPlayback(QLibraryRows &rows, QAudioFileTableView *view,
                                   QAudioFileSortModel *sortModel, QObject *parent)
    : QObject(parent)
    , m_rows(rows)
    , m_view(view)
    , m_sortModel(sortModel)
{
}

void QLibraryPlayback::setPlaying(QAudioFileChunk *row, int state)
{
    if (!row)
        return;
    row->SetAudioState(QAudioFileChunk::AudioState(state));
    m_rows.rowChanged(row);
}

QPlayListPaths QLibraryPlayback::playablePathsInViewOrder()
{
    // The rows' own UTF-8: a large library's list is made without a string
    // per row.
    QPlayListPaths paths;
    std::vector<quint64> ids;
    const auto add = [&paths, &ids](QAudioFileChunk *row) {
        if (row && row->GetAudioState() == QAudioFileChunk::AudioNormal) {
            paths.append(row->textView(QRowTexts::FilePath));
            ids.push_back(row->itemId());
        }
    };
    const std::vector<IBaseChunk *> &shown = m_rows.shown();
    const int count = m_sortModel->rowCount();
    ids.reserve(size_t(count));
    // Room for paths about as long as the first: a large list is not
    // copied again and again as it grows.
    if (const auto *first = shown.empty() ? nullptr : dynamic_cast<const QAudioFileChunk *>(shown.front()))
        paths.reserve(count, int(std::min<qint64>(
                                 qint64(count) * qint64(first->textView(QRowTexts::FilePath).size() + 16),
                                 std::numeric_limits<int>::max() / 2)));
    // Without a search the view shows the rows as they are kept.
    if (size_t(count) == shown.size()) {
        RowPass::forEach(shown, RowPass::RowsAndTexts,
                         [&add](IBaseChunk *item) { add(dynamic_cast<QAudioFileChunk *>(item)); });
    } else {
        for (int r = 0; r < count; ++r)
            add(QAudioFileModel::rowItem(m_sortModel->index(r, 0)));
    }
    m_playList = paths;
    m_playIds = std::move(ids);
    m_playingAt = -1;
    return paths;
}

QAudioFileChunk *QLibraryPlayback::playingRowOf(const QString &path)
{
    QLibraryChunk *entry = m_rows.current().playingEntry();
    if (!entry)
        return nullptr;
    const std::string utf8 = path.toStdString();
    // The bar moves one place on or back, or starts again at either end.
    const int last = int(m_playIds.size()) - 1;
    for (int at : {m_playingAt + 1, m_playingAt - 1, m_playingAt, 0, last}) {
        if (at < 0 || at > last || !m_playList.isAt(at, path))
            continue;
        auto *row = LibraryItemIds::itemOf<QAudioFileChunk>(m_playIds[size_t(at)]);
        // A row of the list may have gone, or left the entry, since.
        if (row && row->textView(QRowTexts::FilePath) == utf8 && entry->holds(row)) {
            m_playingAt = at;
            return row;
        }
    }
    const std::vector<IBaseChunk *> &rows = entry->rows();
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        auto *row = dynamic_cast<QAudioFileChunk *>(*it);
        if (row && row->textView(QRowTexts::FilePath) == utf8) {
            m_playingAt = m_playList.indexOf(path);
            return row;
        }
    }
    return nullptr;
}

void QLibraryPlayback::OnSetPlayingLibChunk(quint64 entryId)
{
    QLibraryChunk *entry = LibraryItemIds::itemOf<QLibraryChunk>(entryId);
    if (!entry)
        return;
    QLibraryCurrent &current = m_rows.current();
    if (entry == current.playingEntry() && current.playingRow()) {
        if (current.playingRow()->GetAudioState() == QAudioFileChunk::AudioPause) {
            setPlaying(current.playingRow(), QAudioFileChunk::AudioPlaying);
            emit emitPlayOrPause(true);
            emit emitPlayOrRecord(true);
        }
        return;
    }
    if (entry->GetAudioDatasList().empty())
        return;
    // The play list is what the table shows; with nothing playable shown,
    // nothing is played.
    const QPlayListPaths list = playablePathsInViewOrder();
    if (list.isEmpty())
        return;
    current.setPlayingEntry(entry);
    OnChangPlayingFile(list.first());
    emit emitPlayFilePathList(list);
    emit emitPlayingFilePath(list.first());
    emit emitPlayOrPause(true);
    emit emitPlayOrRecord(true);
}

void QLibraryPlayback::OnChangPlayingFile(QString playingFilePath)
{
    QLibraryCurrent &current = m_rows.current();
    if (!current.playingEntry() || !QFileInfo::exists(playingFilePath))
        return;
    QAudioFileChunk *row = playingRowOf(playingFilePath);
    if (!row)
        return;
    if (current.playingRow() && current.playingRow() != row)
        setPlaying(current.playingRow(), QAudioFileChunk::AudioNormal);
    setPlaying(row, QAudioFileChunk::AudioPlaying);
    current.setPlayingRow(row);
    emit emitPlayingList(current.playingEntry()->itemId());
}

void QLibraryPlayback::OnSetPlayOrPauseState(bool bPlay)
{
    if (QAudioFileChunk *row = m_rows.current().playingRow())
        setPlaying(row, bPlay ? QAudioFileChunk::AudioPlaying : QAudioFileChunk::AudioPause);
}

void QLibraryPlayback::OnFinishPlayList()
{
    QLibraryCurrent &current = m_rows.current();
    if (QAudioFileChunk *row = current.playingRow()) {
        current.setPlayingRow(nullptr);
        setPlaying(row, QAudioFileChunk::AudioNormal);
    }
}

void QLibraryPlayback::OnPlayItem(const QModelIndex &index)
{
    QLibraryCurrent &current = m_rows.current();
    if (m_rows.shown().empty() || !current.shownEntry() || current.recordingRow())
        return;
    QAudioFileChunk *item = QAudioFileModel::rowItem(index);
    if (!item || item->isDeleted() || !QFileInfo::exists(item->qtext(QRowTexts::FilePath)))
        return;
    if (current.shownEntry() != current.playingEntry()) {
        emit emitPlayFilePathList(playablePathsInViewOrder());
        current.setPlayingEntry(current.shownEntry());
    }
    emit emitPlayingList(current.playingEntry()->itemId());
    const QAudioFileChunk::AudioState state = item->GetAudioState();
    if (state == QAudioFileChunk::AudioRecording || state == QAudioFileChunk::AudioNoFile)
        return;
    bool play = true;
    if (item != current.playingRow()) {
        setPlaying(current.playingRow(), QAudioFileChunk::AudioNormal);
        setPlaying(item, QAudioFileChunk::AudioPlaying);
        current.setPlayingRow(item);
        // The next track is looked for beside it.
        const auto at = std::find(m_playIds.begin(), m_playIds.end(), item->itemId());
        m_playingAt = at == m_playIds.end() ? -1 : int(at - m_playIds.begin());
        emit emitPlayingFilePath(item->qtext(QRowTexts::FilePath));
    } else if (state == QAudioFileChunk::AudioPlaying) {
        setPlaying(item, QAudioFileChunk::AudioPause);
        play = false;
    } else if (state == QAudioFileChunk::AudioPause) {
        setPlaying(item, QAudioFileChunk::AudioPlaying);
    } else {
        // The playing row stopped by the bar: the bar plays it again.
        emit emitPlayOrRecord(true);
        m_view->selectRow(index.row());
        return;
    }
    emit emitPlayOrPause(play);
    emit emitPlayOrRecord(true);
    m_view->selectRow(index.row());
}

void QLibraryPlayback::OnPauseItem(const QModelIndex &index)
{
    QAudioFileChunk *item = QAudioFileModel::rowItem(index);
    if (!item)
        return;
    if (item == m_rows.current().playingRow()) {
        setPlaying(item, QAudioFileChunk::AudioPause);
        emit emitPlayOrPause(false);
    }
}
