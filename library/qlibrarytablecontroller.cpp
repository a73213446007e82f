#include "library/qlibrarytablecontroller.h"

#include "common/qvideosettingxml.h"
#include "library/librarytexts.h"
#include "library/qaudiofilechunk.h"
#include "library/qaudiofilemodel.h"
#include "library/qaudiofilesortmodel.h"
#include "library/qaudiofiletableview.h"
#include "library/qinfolinetotals.h"
#include "library/qlibrarychunk.h"
#include "library/qlibraryrows.h"
#include "library/qrowcontrols.h"
#include "library/qrowsearchjob.h"
#include "library/qrowsortjob.h"
#include "widgetkit/qjxlineedit.h"

#include <QFileInfo>
#include <QLabel>

#include <algorithm>
#include <string>

QLibraryTableController::QLibraryTableController(QLibraryRows &rows, const QRowControls &controls,
                                                 QAudioFileTableView *view, QAudioFileSortModel *sortModel,
                                                 QLabel *info, QJXLineEdit *search, QObject *parent)
    : QObject(parent)
    , m_rows(rows)
    , m_controls(controls)
    , m_view(view)
    , m_sortModel(sortModel)
    , m_info(info)
    , m_search(search)
    , m_sortJob(new QRowSortJob(rows, this))
    , m_totals(new QInfoLineTotals(rows, sortModel, this))
    , m_searchJob(new QRowSearchJob(rows, *sortModel, *m_totals, this))
{
    // The info line follows whatever the table shows.
    connect(m_totals, &QInfoLineTotals::changed, this, &QLibraryTableController::showTotals);
    connect(sortModel, &QAudioFileSortModel::orderRequested, this,
            [this](int column, Qt::SortOrder order) { m_sortJob->sortBy(QRowOrder(column, order)); });
    connect(search, &QLineEdit::textChanged, this, &QLibraryTableController::OnSearchTextChange);
    connect(view, &QAbstractItemView::clicked, this, &QLibraryTableController::OnClickItem);
    connect(view, &QAbstractItemView::entered, this, &QLibraryTableController::OnHoverItem);
}

bool QLibraryTableController::isAllRecordings(QLibraryChunk *entry) const
{
    return entry && entry->isAllRecordings();
}

void QLibraryTableController::OnChangeList(quint64 entryId)
{
    // Only a live entry: a signal may name one that is gone.
    QLibraryChunk *entry = LibraryItemIds::itemOf<QLibraryChunk>(entryId);
    if (!entry)
        return;
    m_totals->recountAround([&] {
        m_search->clear();
        m_rows.current().setShownEntry(entry);
        if (!m_rows.entries().isFresh(entry->GetTitle()))
            makeEntryRows(entry);
        m_rows.show(entry->GetAudioDatasList());
    });
    showLoading();
}

void QLibraryTableController::makeEntryRows(QLibraryChunk *entry)
{
    QLibraryCurrent &current = m_rows.current();
    m_rows.entries().markFresh(entry->GetTitle());
    if (isAllRecordings(entry)) {
        m_rows.setAllEntry(entry);
        purgeGoneRows();
        return;
    }
    if (entry->GetListType() != QLibraryChunk::ListAll && !entry->isPlaylist())
        return;
    // The playing file keeps its state in the entry's new copy.
    QString playingPath;
    QAudioFileChunk::AudioState playingState = QAudioFileChunk::AudioNormal;
    const bool playsHere = entry == current.playingEntry() && current.playingRow();
    if (playsHere) {
        playingPath = current.playingRow()->qtext(QRowTexts::FilePath);
        playingState = current.playingRow()->GetAudioState();
    }
    // The model lets go of the old copies before they go.
    m_rows.show({});
    entry->ClearAudioDatasList();
    const std::string title = entry->GetTitle();
    // Made in the master rows' order, which is the table's.
    for (IBaseChunk *item : m_rows.all()) {
        auto *master = dynamic_cast<QAudioFileChunk *>(item);
        if (!master || master->GetAudioState() == QAudioFileChunk::AudioNoFile)
            continue;
        const bool belongs = entry->isPlaylist()
                                 ? master->GetListNamePos(title) >= 0
                                 : master->isNewAdd()
                                       && master->GetAudioState() != QAudioFileChunk::AudioRecording;
        if (!belongs)
            continue;
        QAudioFileChunk *copy = m_controls.copyOf(master);
        entry->AddAudioChunk(copy);
        if (playsHere && copy->qtext(QRowTexts::FilePath) == playingPath) {
            copy->SetAudioState(playingState);
            current.setPlayingRow(copy);
        }
    }
}

void QLibraryTableController::purgeGoneRows()
{
    // Master rows whose files were found gone leave the library, unless
    // they play.
    std::vector<QAudioFileChunk *> gone;
    for (IBaseChunk *item : m_rows.all()) {
        auto *row = dynamic_cast<QAudioFileChunk *>(item);
        const int state = row ? row->GetAudioState() : 0;
        if (row && row->isDeleted()
            && (state < QAudioFileChunk::AudioRecording || state > QAudioFileChunk::AudioPause))
            gone.push_back(row);
    }
    if (gone.empty())
        return;
    // The rows go in one change of the lists and the model, before any of
    // them is freed.
    m_rows.forgetRows(std::vector<IBaseChunk *>(gone.begin(), gone.end()));
    // A gone file's path may name another recording by now (one renamed
    // to it): that one keeps its record. Their records in one change of
    // the history.
    QAudioFileChunk *recording = m_rows.current().recordingRow();
    const auto stillListed = [&](std::string_view path) {
        if (recording && !recording->isDeleted() && recording->textView(QRowTexts::FilePath) == path)
            return true;
        const std::vector<QAudioFileChunk *> rows = m_rows.mastersAt(path);
        return std::any_of(rows.begin(), rows.end(), [](QAudioFileChunk *row) { return !row->isDeleted(); });
    };
    QStringList records;
    for (QAudioFileChunk *row : gone)
        if (!stillListed(row->textView(QRowTexts::FilePath)))
            records << row->qtext(QRowTexts::FilePath);
    for (QAudioFileChunk *row : gone)
        delete row;
    QVideoSettingXml::removeConvertedInfos(records);
}

void QLibraryTableController::OnHistoryJoined()
{
    m_historyLoaded = true;
    QLibraryChunk *entry = m_rows.current().shownEntry();
    if (entry && !isAllRecordings(entry)) {
        // A playlist chosen while the history was read is made again with its rows.
        m_rows.entries().markAllStale();
        OnChangeList(entry->itemId());
        return;
    }
    m_totals->recountAround([&] { m_rows.show(m_rows.all()); });
}

void QLibraryTableController::OnRowsJoined()
{
    m_rows.entries().markAllStale();
    DisplayListInfo();
}

void QLibraryTableController::OnSearchTextChange(const QString &text)
{
    m_searchJob->searchFor(text);
    showLoading();
}

void QLibraryTableController::DisplayListInfo()
{
    if (m_historyLoaded)
        m_totals->recount();
    showLoading();
}

void QLibraryTableController::showLoading()
{
    if (m_info && !m_historyLoaded) {
        m_info->setText(tr("Loading recordings..."));
        m_info->adjustSize();
    }
}

void QLibraryTableController::showTotals()
{
    if (!m_info || !m_historyLoaded)
        return;
    m_info->setText(QString::number(m_totals->count()) + tr(" Audios, ")
                    + LibraryTexts::sizeText(m_totals->bytes()) + QStringLiteral(", ")
                    + LibraryTexts::timeText(m_totals->seconds()));
    m_info->adjustSize();
}

void QLibraryTableController::OnClickItem(const QModelIndex &index)
{
    QAudioFileChunk *item = QAudioFileModel::rowItem(index);
    if (!item || item == m_rows.current().recordingRow() || !item->getEnable())
        return;
    const bool exists = QFileInfo::exists(item->qtext(QRowTexts::FilePath));
    const bool wasGone = item->GetAudioState() == QAudioFileChunk::AudioNoFile;
    item->setIsDeleted(!exists);
    if (!exists) {
        item->setEnable(false);
        item->SetAudioState(QAudioFileChunk::AudioNoFile);
        QRowControls::setHidden(item, m_controls.editButton(), true);
    } else if (wasGone) {
        item->setEnable(true);
        item->SetAudioState(QAudioFileChunk::AudioNormal);
        QRowControls::setHidden(item, m_controls.editButton(), false);
    }
    if (!exists || wasGone) {
        // Every entry makes its copies again: the file is gone, or back.
        m_rows.entries().markAllStale();
        m_rows.setFileGone(item->textView(QRowTexts::FilePath), !exists);
    }
    m_rows.rowChanged(item);
}

void QLibraryTableController::OnHoverItem(const QModelIndex &index)
{
    QAudioFileChunk *item = QAudioFileModel::rowItem(index);
    QAudioFileChunk *recording = m_rows.current().recordingRow();
    if (!item || item == recording || item->GetAudioState() == QAudioFileChunk::AudioNoFile)
        return;
    QRowControls::setHidden(item, m_controls.editButton(), recording != nullptr);
}
