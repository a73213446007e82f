#pragma once
// Taking recordings out of the shown entry, or off the disk: the table's
// Delete (menu, key, a row's button), "Delete All", and the panel's removal
// of the shown playlist's rows. Each asks Cancel, Remove or Delete first;
// the running recording is never taken. However many rows go, their
// records go in one change of the history and the rows in one change of
// the table; files are deleted on a worker, and a row goes only once its
// file is gone (one that cannot be deleted stays, and the user is told why).

#include "library/libraryitemids.h"
#include "library/qfiledisposal.h"

#include <QModelIndex>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QStringList>

#include <vector>

class IBaseChunk;
class QAudioFileChunk;
class QAudioFileTableView;
class QLibraryChunk;
class QLibraryRows;
class QWidget;

class QLibraryDeletion : public QObject
{
    Q_OBJECT
public:
    // Questions are asked over the owner.
    QLibraryDeletion(QLibraryRows &rows, QAudioFileTableView *view, QWidget *owner, QObject *parent = nullptr);
    // Files still being deleted are waited for, and their records go.
    ~QLibraryDeletion() override;

    // Files whose deletion has not come back yet.
    bool isDeleting() const { return !m_deleting.isEmpty(); }

signals:
    void emitRemovePlayFiles(QStringList pathList);
    void emitRemoveAllPlayFiles();
    // 0: no entry plays any more.
    void emitPlayingList(quint64 entryId);
    // A deletion came back: its files are gone (or stay, told), their rows
    // and records with them.
    void deletionEnded();

public slots:
    // The selected rows (menu and Delete key), one row (its button).
    void OnActDeleteFile();
    void OnDeleteItem(const QModelIndex &index);
    // Every row of the shown entry, after one question.
    void OnActDeleteAllFiles();
    void OnRemoveCurPlayList();
    void OnDeleteFilesOfCurList();
    // Every recording's file; connected nowhere.
    void OnDeleteAllFiles();

private:
    int showAskDlg(const QString &text);
    // Remove (1) or Delete (2) of the shown entry's rows.
    void takeRows(const std::vector<QAudioFileChunk *> &rows, int answer);
    // Takes the rows out of the shown entry: out of the library from "All
    // Recordings", else out of that list; their records change in one go.
    void removeFromEntry(const std::vector<QAudioFileChunk *> &rows);
    // Deletes the rows' files on a worker; wholeEntry when they were all
    // the shown entry's rows.
    void deleteFiles(const std::vector<QAudioFileChunk *> &rows, bool wholeEntry);
    // A worker's files came back: the gone ones' rows and records go.
    void filesDisposed(QFileDisposal *job, const QFileDisposal::Outcomes &outcomes);
    // The files are gone: their records, every row of them (but the
    // running recording's) and whatever plays them.
    void forgetFiles(const QStringList &paths);
    // The shown rows are the shown entry's.
    void showEntryRows();
    // The shown entry lost its rows: the bar lets go of them when it plays it.
    void shownEntryEmptied();
    // The rows that may be taken, last first: all but the running recording.
    std::vector<QAudioFileChunk *> takeableRows(const std::vector<IBaseChunk *> &rows) const;
    static QStringList pathsOf(const std::vector<QAudioFileChunk *> &rows);

    QLibraryRows &m_rows;
    QPointer<QAudioFileTableView> m_view;
    QPointer<QWidget> m_owner;
    // Each worker still deleting, with the entry whose rows it takes all of
    // (none when it takes only some).
    struct Running
    {
        QPointer<QFileDisposal> job;
        LibraryItemRef<QLibraryChunk> wholeEntry;
    };
    std::vector<Running> m_running;
    // The files they are deleting: asked for again meanwhile, they are not
    // asked twice.
    QSet<QString> m_deleting;
};
