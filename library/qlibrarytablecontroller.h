#pragma once
// The recordings table as the user reads it: which entry's rows it shows
// (making the copies "Latest Recordings" and the playlists own), the info
// line below it, the search, the order asked for by a click on a header,
// and what a click or the mouse over a row finds out about its file.

#include <QModelIndex>
#include <QObject>
#include <QPointer>

class QAudioFileChunk;
class QAudioFileSortModel;
class QAudioFileTableView;
class QInfoLineTotals;
class QJXLineEdit;
class QLabel;
class QLibraryChunk;
class QLibraryRows;
class QRowControls;
class QRowSearchJob;
class QRowSortJob;

class QLibraryTableController : public QObject
{
    Q_OBJECT
public:
    QLibraryTableController(QLibraryRows &rows, const QRowControls &controls, QAudioFileTableView *view,
                            QAudioFileSortModel *sortModel, QLabel *info, QJXLineEdit *search,
                            QObject *parent = nullptr);

    // Until the history's rows joined, the info line says they are loading.
    bool historyLoaded() const { return m_historyLoaded; }
    QRowSortJob *sortJob() const { return m_sortJob; }
    QRowSearchJob *searchJob() const { return m_searchJob; }

public slots:
    // Shows the entry's rows; an id that names no live entry changes nothing.
    void OnChangeList(quint64 entryId);
    void OnSearchTextChange(const QString &text);
    void OnClickItem(const QModelIndex &index);
    void OnHoverItem(const QModelIndex &index);
    // Counts the shown rows again and shows what they hold.
    void DisplayListInfo();
    // The history's rows joined the master list: the shown entry follows.
    void OnHistoryJoined();
    // Rows joined the master list later (repaired recordings): the other
    // entries make their copies again when next shown.
    void OnRowsJoined();

private:
    // The copies of a "Latest Recordings" or playlist entry, made again
    // from the master rows; for "All Recordings" the master rows whose
    // files are gone leave.
    void makeEntryRows(QLibraryChunk *entry);
    void purgeGoneRows();
    bool isAllRecordings(QLibraryChunk *entry) const;
    void showTotals();
    // Until the history's rows joined, the info line says so.
    void showLoading();

    QLibraryRows &m_rows;
    const QRowControls &m_controls;
    QPointer<QAudioFileTableView> m_view;
    QPointer<QAudioFileSortModel> m_sortModel;
    QPointer<QLabel> m_info;
    QPointer<QJXLineEdit> m_search;
    QRowSortJob *m_sortJob = nullptr;
    QInfoLineTotals *m_totals = nullptr;
    QRowSearchJob *m_searchJob = nullptr;
    bool m_historyLoaded = false;
};
